// The program's side of the reader process: every Leser call becomes one
// request and waits for its answer under a watchdog. The child reports
// progress while it reads pages, so long healthy reads never run out of time.

#include "Fehler.h"
#include "Leser.h"
#include "LeserProtokoll.h"

#include <QFileInfo>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>

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
    ProzessLeser(QString programm, int wartezeitMs)
        : programm_(programm.isEmpty() ? programmVerzeichnis() + QStringLiteral("/zelk-feldspur-leser") : std::move(programm)),
          wartezeitMs_(wartezeitMs)
    {
    }
    ~ProzessLeser() override { beenden(); }

    void oeffnen(const QString& datei) override
    {
        if (pid_ <= 0)
            starten();
        datei_ = datei;
        offen_ = false;
        auto a = auftrag(P::Auftrag::Oeffnen);
        a.text(datei);
        senden(a);
        offen_ = true;
    }
    void schliessen() override
    {
        if (offen_ && pid_ > 0) {
            try {
                senden(auftrag(P::Auftrag::Schliessen));
            } catch (const DatenzugriffsFehler&) {
                // Closing a file the child choked on: the child is gone already.
            }
        }
        offen_ = false;
    }
    bool offen() const override { return offen_; }

    std::vector<KatalogEintrag> katalog() override { return senden(auftrag(P::Auftrag::Katalog)).katalog(); }
    std::vector<SpaltenInfo> spalten(const QString& tabelle) override
    {
        auto a = auftrag(P::Auftrag::Spalten);
        a.text(tabelle);
        return senden(a).spalten();
    }
    std::int64_t gespeicherteZeilenanzahl(const QString& tabelle) override
    {
        auto a = auftrag(P::Auftrag::Zeilenanzahl);
        a.text(tabelle);
        return senden(a).i64();
    }
    CursorNummer cursorOeffnen(const QString& tabelle, const std::vector<int>& auswahl) override
    {
        auto a = auftrag(P::Auftrag::CursorOeffnen);
        a.text(tabelle);
        a.i32(std::int32_t(auswahl.size()));
        for (int s : auswahl)
            a.i32(s);
        return senden(a).i32();
    }
    bool naechsterBlock(CursorNummer cursor, ZeilenBlock& block, int maxZeilen) override
    {
        auto a = auftrag(P::Auftrag::Block);
        a.i32(cursor);
        a.i32(maxZeilen);
        senden(a).block(block);
        return block.zeilen() > 0;
    }
    void zuruecksetzen(CursorNummer cursor) override
    {
        auto a = auftrag(P::Auftrag::Zuruecksetzen);
        a.i32(cursor);
        senden(a);
    }
    bool zeile(CursorNummer cursor, std::int64_t n, std::vector<Wert>& werte) override
    {
        auto a = auftrag(P::Auftrag::Zeile);
        a.i32(cursor);
        a.i64(n);
        auto e = senden(a);
        if (!e.u8())
            return false;
        const std::int32_t k = e.i32();
        if (k < 0 || k > 4096)
            throw P::Formfehler("Zeilenbreite");
        werte.resize(std::size_t(k));
        for (auto& w : werte)
            e.wert(w);
        return true;
    }
    std::int64_t gezaehlteZeilen(CursorNummer cursor) override
    {
        auto a = auftrag(P::Auftrag::GezaehlteZeilen);
        a.i32(cursor);
        return senden(a).i64();
    }
    void cursorSchliessen(CursorNummer cursor) override
    {
        if (!offen_ || pid_ <= 0)
            return;
        auto a = auftrag(P::Auftrag::CursorSchliessen);
        a.i32(cursor);
        try {
            senden(a);
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

    [[noreturn]] void abbrechen(const QString& grund)
    {
        beenden();
        offen_ = false;
        throw DatenzugriffsFehler(FehlerBeschaedigt,
            QStringLiteral("Die Datei %1 ist beschädigt oder kein Access-Datenbankformat: %2").arg(dateiText(), grund));
    }

    void starten()
    {
        int paar[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, paar) != 0)
            throw DatenzugriffsFehler(FehlerLesefehler, QStringLiteral("Der Leseprozess kann nicht gestartet werden (socketpair)."));
        const QByteArray pfad = QFile::encodeName(programm_);
        char* const argv[] = {const_cast<char*>(pfad.constData()), nullptr};
        const pid_t pid = ::fork();
        if (pid < 0) {
            ::close(paar[0]);
            ::close(paar[1]);
            throw DatenzugriffsFehler(FehlerLesefehler, QStringLiteral("Der Leseprozess kann nicht gestartet werden (fork)."));
        }
        if (pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            ::dup2(paar[1], 0);
            ::dup2(paar[1], 1);
            ::execv(pfad.constData(), argv);
            ::_exit(127);
        }
        ::close(paar[1]);
        fd_ = paar[0];
        pid_ = pid;
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
            if (r == 0)
                abbrechen(QStringLiteral("beim Lesen kam %1 s lang kein Fortschritt").arg(wartezeitMs_ / 1000.0, 0, 'f', 1));
            const ssize_t k = ::recv(fd_, ziel, n, 0);
            if (k < 0 && errno == EINTR)
                continue;
            if (k <= 0)
                abbrechen(QStringLiteral("der Leseprozess ist abgebrochen"));
            ziel += k;
            n -= std::size_t(k);
        }
    }

    P::Entnehmer senden(P::Schreiber&& auftrag) { return senden(auftrag); }
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
                abbrechen(QStringLiteral("der Leseprozess ist abgebrochen"));
            gesendet += std::size_t(k);
        }
        while (true) {
            char kopf[5];
            empfangen(kopf, 5);
            std::uint32_t n = 0;
            std::memcpy(&n, kopf, 4);
            if (n == 0 || n > 1u << 30)
                abbrechen(QStringLiteral("der Leseprozess antwortet unverständlich"));
            antwort_.resize(qsizetype(n - 1));
            empfangen(antwort_.data(), n - 1);
            switch (P::Antwort(kopf[4])) {
            case P::Antwort::Fortschritt: continue;
            case P::Antwort::Gut: return P::Entnehmer(antwort_.constData(), std::size_t(antwort_.size()));
            case P::Antwort::Fehler: {
                P::Entnehmer e(antwort_.constData(), std::size_t(antwort_.size()));
                const int nummer = e.i32();
                throw DatenzugriffsFehler(nummer, e.text());
            }
            default: abbrechen(QStringLiteral("der Leseprozess antwortet unverständlich"));
            }
        }
    }

    QString programm_;
    int wartezeitMs_;
    int fd_ = -1;
    pid_t pid_ = 0;
    bool offen_ = false;
    QString datei_;
    QByteArray antwort_;
};

}  // namespace

std::unique_ptr<Leser> erzeugeProzessLeser(QString programm, int wartezeitMs)
{
    return std::make_unique<ProzessLeser>(std::move(programm), wartezeitMs);
}

}  // namespace Datenzugriff
