// Several files at once: each worker searches one file after the other
// through its own reader and records what the search would have written;
// the calling thread writes those records out in file order. The bytes are
// those of one file after the other.

#include "Mehrfachsuche.h"

#include <QIODevice>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace Kommandozeile {

// One thing the search of a file did, to be done again in order.
struct Ereignis {
    enum class Art { Fehler, Hinweis, TabelleBeginnt, Saetze, Treffer, TabelleFertig, Protokoll };
    explicit Ereignis(Art art, QString a = {}, QString b = {}, double zahl = 0, std::vector<Protokoll::Feldwert> block = {})
        : art(art), a(std::move(a)), b(std::move(b)), zahl(zahl), block(std::move(block))
    {
    }
    Art art;
    QString a, b;  // place and message, file and table, field and value
    double zahl;   // records so far, the hit's record
    std::vector<Protokoll::Feldwert> block;
    QByteArray bytes;  // protocol lines, encoded

    qsizetype groesse() const
    {
        qsizetype g = qsizetype(sizeof(Ereignis)) + 2 * (a.size() + b.size()) + bytes.size();
        for (const Protokoll::Feldwert& f : block)
            g += qsizetype(sizeof f) + 2 * (f.name.size() + (f.wert ? f.wert->size() : 0));
        return g;
    }
};

namespace {

// A file's record until it is written out.
struct Akte {
    std::deque<Ereignis> ereignisse;
    qsizetype groesse = 0;
    bool fertig = false;
    bool endet = false;  // -q: the run ends with this file
    Bilanz bilanz;
    std::exception_ptr ausnahme;
};

// A worker whose file is no longer needed stops with this.
struct Abgebrochen {};

// Records held for files behind the one being written out, at most; a worker
// that would hold more waits until its file is next.
constexpr qsizetype HoechstensGepuffert = 16 * 1024 * 1024;

constexpr int NettigkeitDerArbeiter = 10;

}  // namespace

struct Verteiler {
    explicit Verteiler(std::size_t anzahl) : akten(anzahl), grenze(anzahl) {}

    std::mutex m;
    std::condition_variable cv;
    std::vector<Akte> akten;
    std::size_t kopf = 0;      // the file being written out
    std::size_t naechste = 0;  // the next file for a worker
    std::size_t grenze;        // files from here on are not needed
    qsizetype gepuffert = 0;   // bytes held for files behind kopf
    bool abbruch = false;

    bool unnoetig(std::size_t i) const { return abbruch || i >= grenze; }

    // Hands a worker's batch to its file's record; false when the file is
    // no longer needed.
    bool abgeben(std::size_t i, std::deque<Ereignis>& stapel, qsizetype g)
    {
        std::unique_lock sperre(m);
        cv.wait(sperre, [&] { return unnoetig(i) || i == kopf || gepuffert == 0 || gepuffert + g <= HoechstensGepuffert; });
        if (unnoetig(i))
            return false;
        if (i != kopf)
            gepuffert += g;
        Akte& akte = akten[i];
        akte.groesse += g;
        for (Ereignis& e : stapel)
            akte.ereignisse.push_back(std::move(e));
        cv.notify_all();
        return true;
    }
};

namespace {

// A worker's events, handed over in batches: one lock for many hits.
struct Sammler {
    explicit Sammler(Verteiler& v) : v(v) {}
    Verteiler& v;
    std::size_t datei = 0;
    std::deque<Ereignis> stapel;
    qsizetype groesse = 0;

    bool anhaengen(Ereignis e)
    {
        groesse += e.groesse();
        stapel.push_back(std::move(e));
        return (groesse < 256 * 1024 && stapel.size() < 256) || abgeben();
    }
    bool abgeben()
    {
        const bool weiter = v.abgeben(datei, stapel, groesse);
        stapel.clear();
        groesse = 0;
        return weiter;
    }
    void aufzeichnen(Ereignis e)
    {
        if (!anhaengen(std::move(e)))
            throw Abgebrochen{};
    }
};

// The protocol bytes of a worker's writer, into its file's record. A write
// fails (and the writer throws) only when the file is no longer needed.
class Kanal final : public QIODevice {
public:
    explicit Kanal(Sammler& s) : s_(s) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* daten, qint64 laenge) override
    {
        Ereignis e(Ereignis::Art::Protokoll);
        e.bytes = QByteArray(daten, qsizetype(laenge));
        return s_.anhaengen(std::move(e)) ? laenge : -1;
    }

private:
    Sammler& s_;
};

// The hits of a worker's file, into its record; what comes after a hit as
// the output would decide it.
class Aufzeichnung final : public Trefferziel {
public:
    Aufzeichnung(const Aufruf& aufruf, Sammler& s) : aufruf_(aufruf), s_(s) {}

    void tabelleBeginnt(const QString&, const QString&) override { tabellenTreffer_ = 0; }
    Weiter treffer(const Suche::Suchlauf::Treffer& t) override
    {
        s_.aufzeichnen(Ereignis(Ereignis::Art::Treffer, t.feld, t.wert.toString(), t.satz, t.block));
        return weiterNachTreffer(aufruf_, ++tabellenTreffer_);
    }
    void tabelleFertig() override { s_.aufzeichnen(Ereignis(Ereignis::Art::TabelleFertig)); }

private:
    const Aufruf& aufruf_;
    Sammler& s_;
    qint64 tabellenTreffer_ = 0;
};

}  // namespace

void Mehrfachsuche::arbeiten(Verteiler& v, const std::vector<Fundstelle>& dateien)
{
    // Every core for the search, but a window the user works in comes first:
    // the workers and the reader processes they start run a little nicer
    // (on Linux a thread's own, which a forked child inherits).
    errno = 0;
    const int nett = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, ::gettid(), std::min(nett + NettigkeitDerArbeiter, 19));
    Sammler sammler(v);
    Kanal kanal(sammler);
    Protokoll::Schreiber protokoll(protokoll_.schreibtEtwas() ? &kanal : nullptr, protokoll_.anzeigename());
    protokoll.setzeKodierung(protokoll_.codepage(), protokoll_.zeilenende());
    Aufzeichnung ziel(aufruf_, sammler);
    Mehrfachsuche suche(aufruf_, protokoll, ausgabe_ ? &ziel : nullptr, fabrik_);
    std::size_t i = 0;
    auto aufzeichnen = [&](Ereignis::Art art, const QString& a, const QString& b) { sammler.aufzeichnen(Ereignis(art, a, b)); };
    suche.fehler = [&](const QString& ort, const QString& meldung) { aufzeichnen(Ereignis::Art::Fehler, ort, meldung); };
    suche.hinweis = [&](const QString& ort, const QString& meldung) { aufzeichnen(Ereignis::Art::Hinweis, ort, meldung); };
    suche.tabelleBeginnt = [&](const QString& d, const QString& t) { aufzeichnen(Ereignis::Art::TabelleBeginnt, d, t); };
    const bool saetzeMelden = bool(saetze);
    suche.saetze = [&](double satz) {
        // Also where a file that is no longer needed stops.
        if (saetzeMelden)
            sammler.aufzeichnen(Ereignis(Ereignis::Art::Saetze, {}, {}, satz));
        else if (std::lock_guard sperre(v.m); v.unnoetig(i))
            throw Abgebrochen{};
    };
    for (;;) {
        {
            std::lock_guard sperre(v.m);
            if (v.unnoetig(v.naechste))
                return;
            i = v.naechste++;
        }
        sammler.datei = i;
        Bilanz bilanz;
        bool weiter = true;
        std::exception_ptr ausnahme;
        try {
            protokoll.oeffnen();
            weiter = suche.dateiSuchen(dateien[i], bilanz);
            protokoll.abschliessen();  // the rest of its lines into the record
        } catch (const Abgebrochen&) {
            return;
        } catch (const Protokoll::Schreibfehler&) {
            return;  // only the channel fails, and only for a file no longer needed
        } catch (...) {
            ausnahme = std::current_exception();
        }
        if (!sammler.abgeben())
            return;
        std::lock_guard sperre(v.m);
        Akte& akte = v.akten[i];
        akte.fertig = true;
        akte.bilanz = bilanz;
        akte.ausnahme = ausnahme;
        if (!weiter) {
            akte.endet = true;
            v.grenze = std::min(v.grenze, i + 1);
        }
        v.cv.notify_all();
    }
}

// A worker's event, given to the callers in the order of the files.
void Mehrfachsuche::wiedergeben(const Ereignis& e)
{
    switch (e.art) {
    case Ereignis::Art::Fehler:
        if (fehler)
            fehler(e.a, e.b);
        break;
    case Ereignis::Art::Hinweis:
        if (hinweis)
            hinweis(e.a, e.b);
        break;
    case Ereignis::Art::TabelleBeginnt:
        if (tabelleBeginnt)
            tabelleBeginnt(e.a, e.b);
        if (ausgabe_)
            ausgabe_->tabelleBeginnt(e.a, e.b);
        break;
    case Ereignis::Art::Saetze:
        if (saetze)
            saetze(e.zahl);
        break;
    case Ereignis::Art::Treffer:
        ausgabe_->treffer({e.zahl, e.a, e.b, e.block});
        break;
    case Ereignis::Art::TabelleFertig:
        ausgabe_->tabelleFertig();
        break;
    case Ereignis::Art::Protokoll:
        protokoll_.anhaengen(e.bytes);
        break;
    }
}

Bilanz Mehrfachsuche::laufenVerteilt(const std::vector<Fundstelle>& dateien)
{
    Verteiler v(dateien.size());
    std::vector<std::thread> arbeiter;
    // However this ends, the workers stop first.
    struct Aufraeumen {
        Verteiler& v;
        std::vector<std::thread>& arbeiter;
        ~Aufraeumen()
        {
            {
                std::lock_guard sperre(v.m);
                v.abbruch = true;
                v.cv.notify_all();
            }
            for (std::thread& t : arbeiter)
                t.join();
        }
    } aufraeumen{v, arbeiter};
    for (std::size_t n = 0; n < std::min(std::size_t(gleichzeitig), dateien.size()); ++n)
        arbeiter.emplace_back([this, &v, &dateien] { arbeiten(v, dateien); });

    Bilanz bilanz;
    for (std::size_t i = 0; i < dateien.size(); ++i) {
        Akte& akte = v.akten[i];
        bool fertig = false;
        while (!fertig) {
            std::deque<Ereignis> ereignisse;
            {
                std::unique_lock sperre(v.m);
                v.cv.wait(sperre, [&] { return akte.fertig || !akte.ereignisse.empty(); });
                ereignisse.swap(akte.ereignisse);
                akte.groesse = 0;
                fertig = akte.fertig;
            }
            for (const Ereignis& e : ereignisse)
                wiedergeben(e);
        }
        if (akte.ausnahme)
            std::rethrow_exception(akte.ausnahme);
        bilanz.treffer += akte.bilanz.treffer;
        bilanz.tabellen += akte.bilanz.tabellen;
        bilanz.fehler += akte.bilanz.fehler;
        if (akte.endet)
            break;
        std::lock_guard sperre(v.m);
        v.kopf = i + 1;
        if (v.kopf < v.akten.size())
            v.gepuffert -= v.akten[v.kopf].groesse;
        v.cv.notify_all();
    }
    return bilanz;
}

}  // namespace Kommandozeile
