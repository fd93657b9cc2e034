// The program's side of the reader process: every Leser call becomes one
// request and waits for its answer under a watchdog. The child reports
// progress while it reads pages, and that it waits for the disk while a read
// takes long, so long healthy reads on slow storage never run out of time.
// A reader process that cannot start, dies or stops answering is named as
// such: that says nothing about the file.

#include "Fehler.h"
#include "Leser.h"
#include "LeserProtokoll.h"
#include "Systemfehler.h"

#include <QFile>
#include <QFileInfo>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <climits>
#include <cstring>
#include <map>
#include <new>
#include <type_traits>

namespace Datenzugriff {
namespace {

namespace P = Protokoll;

QString programmVerzeichnis()
{
    char pfad[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", pfad, sizeof(pfad) - 1);
    if (n <= 0)
        return QStringLiteral(".");
    pfad[n] = 0;
    return QFileInfo(QString::fromLocal8Bit(pfad)).absolutePath();
}

class ProzessLeser final : public Leser {
public:
    ProzessLeser(QString programm, int wartezeitMs, int plattenGrenzeMs)
        : programm_(programm.isEmpty() ? programmVerzeichnis() + QStringLiteral("/zelk-feldspur-leser") : std::move(programm)),
          wartezeitMs_(wartezeitMs), plattenGrenzeMs_(plattenGrenzeMs)
    {
    }
    ~ProzessLeser() override { beenden(); }

    void oeffnen(const QString& datei) override
    {
        if (pid_ <= 0)
            starten();
        datei_ = datei;
        offen_ = false;
        breiten_.clear();
        auto a = auftrag(P::Auftrag::Oeffnen);
        a.text(datei);
        anfrage(a, [](P::Entnehmer&) {});
        offen_ = true;
    }
    void schliessen() override
    {
        if (offen_ && pid_ > 0) {
            try {
                anfrage(auftrag(P::Auftrag::Schliessen), [](P::Entnehmer&) {});
            } catch (const DatenzugriffsFehler&) {
                // Closing a file the child choked on: the child is gone already.
            }
        }
        offen_ = false;
    }
    bool offen() const override { return offen_; }

    std::vector<KatalogEintrag> katalog() override
    {
        return anfrage(auftrag(P::Auftrag::Katalog), [](P::Entnehmer& e) { return e.katalog(); });
    }
    std::vector<SpaltenInfo> spalten(const QString& tabelle) override
    {
        auto a = auftrag(P::Auftrag::Spalten);
        a.text(tabelle);
        return anfrage(a, [](P::Entnehmer& e) { return e.spalten(); });
    }
    std::int64_t gespeicherteZeilenanzahl(const QString& tabelle) override
    {
        auto a = auftrag(P::Auftrag::Zeilenanzahl);
        a.text(tabelle);
        return anfrage(a, [](P::Entnehmer& e) { return e.i64(); });
    }
    CursorNummer cursorOeffnen(const QString& tabelle, const std::vector<int>& auswahl) override
    {
        auto a = auftrag(P::Auftrag::CursorOeffnen);
        a.text(tabelle);
        a.i32(std::int32_t(auswahl.size()));
        for (int s : auswahl)
            a.i32(s);
        const CursorNummer c = anfrage(a, [](P::Entnehmer& e) { return e.i32(); });
        breiten_[c] = int(auswahl.size());
        return c;
    }
    bool naechsterBlock(CursorNummer cursor, ZeilenBlock& block, int maxZeilen) override
    {
        auto a = auftrag(P::Auftrag::Block);
        a.i32(cursor);
        a.i32(maxZeilen);
        anfrage(a, [&](P::Entnehmer& e) { blockLesen(e, cursor, block, maxZeilen); });
        return block.zeilen() > 0;
    }
    int zeilenBereich(CursorNummer cursor, std::int64_t von, int anzahl, ZeilenBlock& block) override
    {
        auto a = auftrag(P::Auftrag::Bereich);
        a.i32(cursor);
        a.i64(von);
        a.i32(anzahl);
        anfrage(a, [&](P::Entnehmer& e) { blockLesen(e, cursor, block, anzahl); });
        return block.zeilen();
    }
    void zuruecksetzen(CursorNummer cursor) override
    {
        auto a = auftrag(P::Auftrag::Zuruecksetzen);
        a.i32(cursor);
        anfrage(a, [](P::Entnehmer&) {});
    }
    bool zeile(CursorNummer cursor, std::int64_t n, std::vector<Wert>& werte) override
    {
        auto a = auftrag(P::Auftrag::Zeile);
        a.i32(cursor);
        a.i64(n);
        return anfrage(a, [&](P::Entnehmer& e) {
            if (!e.u8())
                return false;
            const std::int32_t k = e.i32();
            if (k != breite(cursor))
                throw P::Formfehler("Zeilenbreite");
            werte.resize(std::size_t(k));
            for (auto& w : werte)
                e.wert(w);
            return true;
        });
    }
    std::int64_t gezaehlteZeilen(CursorNummer cursor) override
    {
        auto a = auftrag(P::Auftrag::GezaehlteZeilen);
        a.i32(cursor);
        return anfrage(a, [](P::Entnehmer& e) { return e.i64(); });
    }
    std::vector<Schaden> schaeden(CursorNummer cursor) override
    {
        auto a = auftrag(P::Auftrag::Schaeden);
        a.i32(cursor);
        return anfrage(a, [](P::Entnehmer& e) { return e.schaeden(); });
    }
    std::int64_t kandidatenfilter(CursorNummer cursor, std::shared_ptr<const Kandidatenfilter> filter) override
    {
        auto a = auftrag(P::Auftrag::Filter);
        a.i32(cursor);
        a.filter(filter.get());
        return anfrage(a, [](P::Entnehmer& e) { return e.i64(); });
    }
    void cursorSchliessen(CursorNummer cursor) override
    {
        breiten_.erase(cursor);
        if (!offen_ || pid_ <= 0)
            return;
        auto a = auftrag(P::Auftrag::CursorSchliessen);
        a.i32(cursor);
        try {
            anfrage(a, [](P::Entnehmer&) {});
        } catch (const DatenzugriffsFehler&) {
            // A cursor of a child that died is closed with it.
        }
    }
    QString version() const override
    {
        return QStringLiteral("2.8 (ZELK-Feldspur-Leser über libmdb im eigenen Prozess)");
    }

private:
    static P::Schreiber auftrag(P::Auftrag a)
    {
        P::Schreiber s;
        s.u8(std::uint8_t(a));
        return s;
    }

    QString dateiText() const { return QStringLiteral("„") + datei_ + QStringLiteral("“"); }

    // The reader process failed: it is ended, and the file stays unjudged.
    [[noreturn]] void aufgeben(const QString& meldung)
    {
        beenden();
        offen_ = false;
        throw DatenzugriffsFehler(FehlerLeseprozess, meldung);
    }
    [[noreturn]] void unverstaendlich(const QString& was)
    {
        aufgeben(QStringLiteral("Der Leseprozess antwortet beim Lesen der Datei %1 unverständlich (%2).").arg(dateiText(), was));
    }
    [[noreturn]] void kaputtGegangen()
    {
        const QString wie = endeAbwarten();
        aufgeben(QStringLiteral("Der Leseprozess ist beim Lesen der Datei %1 unerwartet beendet worden (%2).").arg(dateiText(), wie));
    }

    [[noreturn]] void startFehler(const QString& grund)
    {
        throw DatenzugriffsFehler(FehlerLeseprozess,
            QStringLiteral("Der Leseprozess „%1“ kann nicht gestartet werden: %2.").arg(programm_, grund));
    }

    void starten()
    {
        int paar[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, paar) != 0)
            startFehler(systemfehlerText(errno));
        // The child writes its errno here when exec fails; a successful exec
        // closes the pipe, so the parent reads nothing.
        int melder[2];
        if (::pipe2(melder, O_CLOEXEC) != 0) {
            const int fehler = errno;
            ::close(paar[0]);
            ::close(paar[1]);
            startFehler(systemfehlerText(fehler));
        }
        const QByteArray pfad = QFile::encodeName(programm_);
        char* const argv[] = {const_cast<char*>(pfad.constData()), nullptr};
        const pid_t pid = ::fork();
        if (pid < 0) {
            const int fehler = errno;
            for (int fd : {paar[0], paar[1], melder[0], melder[1]})
                ::close(fd);
            startFehler(systemfehlerText(fehler));
        }
        if (pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            ::dup2(paar[1], 0);
            ::dup2(paar[1], 1);
            ::execv(pfad.constData(), argv);
            const int fehler = errno;
            [[maybe_unused]] const ssize_t n = ::write(melder[1], &fehler, sizeof fehler);
            ::_exit(127);
        }
        ::close(paar[1]);
        ::close(melder[1]);
        int fehler = 0;
        ssize_t n;
        while ((n = ::read(melder[0], &fehler, sizeof fehler)) < 0 && errno == EINTR) {
        }
        ::close(melder[0]);
        if (n == sizeof fehler) {
            ::close(paar[0]);
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            startFehler(systemfehlerText(fehler));
        }
        fd_ = paar[0];
        pid_ = pid;
    }

    // How a child that closed its end ended: it is given a moment to exit.
    QString endeAbwarten()
    {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        if (pid_ <= 0)
            return QStringLiteral("ohne Angabe");
        int status = 0;
        for (int i = 0; i < 100; ++i) {
            const pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                pid_ = 0;
                if (WIFSIGNALED(status))
                    return signalText(WTERMSIG(status));
                return QStringLiteral("Exitcode %1").arg(WEXITSTATUS(status));
            }
            if (r < 0 && errno != EINTR)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return QStringLiteral("ohne Angabe");
    }

    // Whether the child sleeps in the kernel for the disk (state D): slow
    // storage, not a reader that has stopped.
    bool wartetAufPlatte() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid_));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray zeile = stat.readAll();
        const qsizetype klammer = zeile.lastIndexOf(')');
        return klammer >= 0 && zeile.size() > klammer + 2 && zeile[klammer + 2] == 'D';
    }

    // A sign that the child waits for the disk: the watchdog keeps waiting,
    // up to plattenGrenzeMs_ in a row.
    void plattenwarten()
    {
        const auto jetzt = std::chrono::steady_clock::now();
        if (!plattenwartet_) {
            plattenwartet_ = true;
            plattenSeit_ = jetzt;
        } else if (jetzt - plattenSeit_ > std::chrono::milliseconds(plattenGrenzeMs_)) {
            aufgeben(QStringLiteral("Das Laufwerk der Datei %1 hat %2 lang keine Daten geliefert; das Lesen wurde abgebrochen.")
                         .arg(dateiText(), sekundenText(plattenGrenzeMs_)));
        }
    }

    void beenden()
    {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            pid_ = 0;
        }
    }

    // Reads n bytes; the watchdog restarts with every byte that arrives.
    void empfangen(char* ziel, std::size_t n)
    {
        while (n > 0) {
            pollfd p{fd_, POLLIN, 0};
            const int r = ::poll(&p, 1, wartezeitMs_);
            if (r < 0 && errno == EINTR)
                continue;
            if (r == 0) {
                if (wartetAufPlatte()) {
                    plattenwarten();
                    continue;
                }
                aufgeben(QStringLiteral("Der Leseprozess hat beim Lesen der Datei %1 %2 lang nicht geantwortet und wurde beendet.")
                             .arg(dateiText(), sekundenText(wartezeitMs_)));
            }
            const ssize_t k = ::recv(fd_, ziel, n, 0);
            if (k < 0 && errno == EINTR)
                continue;
            if (k <= 0)
                kaputtGegangen();
            ziel += k;
            n -= std::size_t(k);
        }
    }

    // One request and its answer, read by auswerten. Whatever goes wrong on
    // the way (a child that dies, hangs or answers what cannot be read) ends
    // in a DatenzugriffsFehler; an answer that is not understood ends the
    // child as well, as nothing it says can be trusted any more.
    template <class Auswerten, class Ergebnis = std::invoke_result_t<Auswerten&, P::Entnehmer&>>
    Ergebnis anfrage(P::Schreiber& a, Auswerten&& auswerten)
    {
        P::Entnehmer e = senden(a);
        try {
            if constexpr (std::is_void_v<Ergebnis>) {
                auswerten(e);
                ganzGelesen(e);
            } else {
                auto ergebnis = auswerten(e);
                ganzGelesen(e);
                return ergebnis;
            }
        } catch (const P::Formfehler& f) {
            unverstaendlich(QString::fromUtf8(f.what()));
        } catch (const std::bad_alloc&) {
            aufgeben(QStringLiteral("Für die Antwort des Leseprozesses beim Lesen der Datei %1 reicht der Speicher nicht.").arg(dateiText()));
        }
    }
    template <class Auswerten, class Ergebnis = std::invoke_result_t<Auswerten&, P::Entnehmer&>>
    Ergebnis anfrage(P::Schreiber&& a, Auswerten&& auswerten) { return anfrage(a, std::forward<Auswerten>(auswerten)); }

    static void ganzGelesen(const P::Entnehmer& e)
    {
        if (!e.amEnde())
            throw P::Formfehler("Antwort zu lang");
    }

    int breite(CursorNummer cursor) const
    {
        const auto it = breiten_.find(cursor);
        return it == breiten_.end() ? -1 : it->second;
    }

    // A block answer: no more rows than asked for, each as wide as the cursor.
    // A block that does not fit is left empty, so no row of it is read.
    void blockLesen(P::Entnehmer& e, CursorNummer cursor, ZeilenBlock& block, int hoechstens)
    {
        try {
            e.block(block, std::max(hoechstens, 0), breite(cursor));
        } catch (...) {
            block.zeilenAnzahl = 0;
            throw;
        }
    }

    // Sends a request and waits for its answer, through the signs of life.
    P::Entnehmer senden(P::Schreiber& auftrag)
    {
        if (pid_ <= 0)
            throw DatenzugriffsFehler(FehlerObjektGeschlossen, QStringLiteral("Die Datenbank ist nicht geöffnet."));
        const auto [daten, groesse] = auftrag.anfrage();
        for (std::size_t gesendet = 0; gesendet < groesse;) {
            const ssize_t k = ::send(fd_, daten + gesendet, groesse - gesendet, MSG_NOSIGNAL);
            if (k < 0 && errno == EINTR)
                continue;
            if (k <= 0)
                kaputtGegangen();
            gesendet += std::size_t(k);
        }
        plattenwartet_ = false;
        while (true) {
            const P::Antwort art = antwortEmpfangen();
            if (art == P::Antwort::Fortschritt) {
                if (antwort_.size() == 1 && std::uint8_t(antwort_[0]) == P::FortschrittPlatte)
                    plattenwarten();
                else
                    plattenwartet_ = false;
                continue;
            }
            plattenwartet_ = false;
            P::Entnehmer e(antwort_.constData(), std::size_t(antwort_.size()));
            if (art == P::Antwort::Gut)
                return e;
            std::int32_t nummer = 0;
            QString text;
            try {
                nummer = e.i32();
                text = e.text();
                ganzGelesen(e);
            } catch (const P::Formfehler&) {
                unverstaendlich(QStringLiteral("eine Fehlermeldung ist nicht lesbar"));
            }
            throw DatenzugriffsFehler(nummer, text);
        }
    }

    // One frame into antwort_. The buffer grows with the bytes that arrive,
    // not with the length the frame claims: a confused child that announces
    // a gigabyte and sends nothing costs a timeout, not the memory.
    P::Antwort antwortEmpfangen()
    {
        char kopf[5];
        empfangen(kopf, 5);
        std::uint32_t n = 0;
        std::memcpy(&n, kopf, 4);
        const auto art = P::Antwort(kopf[4]);
        if (n == 0 || n > GroessteAntwort
            || (art != P::Antwort::Gut && art != P::Antwort::Fehler && art != P::Antwort::Fortschritt))
            unverstaendlich(QStringLiteral("Kopf einer Antwort"));
        const std::size_t laenge = n - 1;
        std::size_t da = 0;
        try {
            while (da < laenge) {
                const std::size_t stueck = std::min(laenge - da, std::max<std::size_t>(64 * 1024, da));
                antwort_.resize(qsizetype(da + stueck));
                empfangen(antwort_.data() + da, stueck);
                da += stueck;
            }
        } catch (const std::bad_alloc&) {
            aufgeben(QStringLiteral("Für die Antwort des Leseprozesses beim Lesen der Datei %1 reicht der Speicher nicht.").arg(dateiText()));
        }
        antwort_.resize(qsizetype(laenge));
        return art;
    }

    static constexpr std::uint32_t GroessteAntwort = 1u << 30;

    QString programm_;
    int wartezeitMs_;
    int plattenGrenzeMs_;
    bool plattenwartet_ = false;
    std::chrono::steady_clock::time_point plattenSeit_;
    int fd_ = -1;
    pid_t pid_ = 0;
    bool offen_ = false;
    QString datei_;
    QByteArray antwort_;
    std::map<CursorNummer, int> breiten_;  // columns of each open cursor
};

}  // namespace

std::unique_ptr<Leser> erzeugeProzessLeser(QString programm, int wartezeitMs, int plattenGrenzeMs)
{
    return std::make_unique<ProzessLeser>(std::move(programm), wartezeitMs, plattenGrenzeMs);
}

}  // namespace Datenzugriff
