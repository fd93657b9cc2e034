#include "Leserdienst.h"

#include "Fehler.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <utility>

namespace Datenzugriff {

namespace P = Protokoll;

namespace {

constexpr std::uint32_t GroessteAnfrage = 64u * 1024 * 1024;
constexpr std::int32_t GroessterBlock = 1 << 16;
// Blocks from this size on are read ahead: the search reads its big blocks
// so; a probe's first row and small blocks are not worth it.
constexpr int VorausAb = 256;

bool allesLesen(int fd, void* ziel, std::size_t n)
{
    auto* p = static_cast<char*>(ziel);
    while (n > 0) {
        const ssize_t r = ::read(fd, p, n);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= std::size_t(r);
    }
    return true;
}

QString internerFehler(const char* was)
{
    return was ? QStringLiteral("Interner Fehler des Leseprozesses: %1").arg(QString::fromUtf8(was))
               : QStringLiteral("Interner Fehler des Leseprozesses.");
}

// Runs tun; whatever it throws reaches fehler as a number and a text, an
// exception nobody planned for too: the program gets an answer for every
// failure.
template <class Tun, class Fehler>
void fehlerFangen(Tun&& tun, Fehler&& fehler)
{
    try {
        tun();
    } catch (const DatenzugriffsFehler& f) {
        fehler(f.Number(), f.Description());
    } catch (const std::exception& f) {
        fehler(FehlerBeschaedigt, internerFehler(f.what()));
    } catch (...) {
        fehler(FehlerBeschaedigt, internerFehler(nullptr));
    }
}

}  // namespace

// ------------------------------------------------------------------ Leserkanal

bool Leserkanal::anfrageLesen(QByteArray& anfrage)
{
    std::uint32_t laenge = 0;
    if (!allesLesen(ein_, &laenge, 4) || laenge == 0 || laenge > GroessteAnfrage)
        return false;
    anfrage.resize(qsizetype(laenge));
    return allesLesen(ein_, anfrage.data(), laenge);
}

void Leserkanal::senden(P::Antwort art, P::Schreiber& nachricht)
{
    const std::lock_guard<std::mutex> sperre(senden_);
    auto [p, n] = nachricht.antwort(std::uint8_t(art));
    while (n > 0) {
        const ssize_t r = ::write(aus_, p, n);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            std::_Exit(3);  // the program is gone
        p += r;
        n -= std::size_t(r);
    }
}

// ------------------------------------------------------------------ Leserdienst

int Leserdienst::laufen()
{
    QByteArray anfrage;
    while (kanal_.anfrageLesen(anfrage))
        bearbeiten(anfrage.constData(), std::size_t(anfrage.size()));
    return 0;
}

void Leserdienst::bearbeiten(const char* anfrage, std::size_t laenge)
{
    antwort_.leeren();
    CursorNummer voraus = 0;
    fehlerFangen(
        [&] {
            P::Entnehmer e(anfrage, laenge);
            voraus = antworten(e);
        },
        [this](std::int32_t nummer, const QString& text) { fehlerSenden(nummer, text); });
    // After the answer: the program works on it while the next rows are read.
    if (voraus != 0)
        vorauslesen(voraus);
}

void Leserdienst::fehlerSenden(std::int32_t nummer, const QString& text)
{
    P::Schreiber fehler;
    fehler.i32(nummer);
    fehler.text(text);
    kanal_.senden(P::Antwort::Fehler, fehler);
}

CursorNummer Leserdienst::antworten(P::Entnehmer& e)
{
    const auto auftrag = P::Auftrag(e.u8());
    switch (auftrag) {
    case P::Auftrag::Block:
        return block(e);  // answers itself
    case P::Auftrag::Oeffnen:
        vorraete_.clear();
        leser_.oeffnen(e.text());
        break;
    case P::Auftrag::Schliessen:
        vorraete_.clear();
        leser_.schliessen();
        break;
    case P::Auftrag::Katalog: antwort_.katalog(leser_.katalog()); break;
    case P::Auftrag::Spalten: antwort_.spalten(leser_.spalten(e.text())); break;
    case P::Auftrag::Zeilenanzahl: antwort_.i64(leser_.gespeicherteZeilenanzahl(e.text())); break;
    case P::Auftrag::CursorOeffnen: cursorOeffnen(e); break;
    case P::Auftrag::Zuruecksetzen: {
        // Back to the first row: what was read ahead is behind it.
        const CursorNummer c = e.i32();
        vorraete_.erase(c);
        leser_.zuruecksetzen(c);
        break;
    }
    case P::Auftrag::Zeile: zeile(e); break;
    case P::Auftrag::Bereich: bereich(e); break;
    case P::Auftrag::GezaehlteZeilen: antwort_.i64(leser_.gezaehlteZeilen(e.i32())); break;
    case P::Auftrag::Schaeden: antwort_.schaeden(leser_.schaeden(e.i32())); break;
    case P::Auftrag::CursorSchliessen: {
        const CursorNummer c = e.i32();
        vorraete_.erase(c);
        leser_.cursorSchliessen(c);
        break;
    }
    case P::Auftrag::Version: antwort_.text(leser_.version()); break;
    case P::Auftrag::Filter: {
        const CursorNummer c = e.i32();
        antwort_.i64(leser_.kandidatenfilter(c, e.filter()));
        break;
    }
    default: throw P::Formfehler("unbekannter Auftrag");
    }
    kanal_.senden(P::Antwort::Gut, antwort_);
    return 0;
}

// The next rows of the cursor: those read ahead first, then as many more as
// asked for. A short answer means the end of the table, so an answer is
// always filled up.
CursorNummer Leserdienst::block(P::Entnehmer& e)
{
    const CursorNummer c = e.i32();
    const int max = std::max(1, std::min(e.i32(), GroessterBlock));
    Vorrat& v = vorraete_[c];
    if (v.da && v.fehler) {
        v.da = false;
        v.fehler = false;
        throw DatenzugriffsFehler(v.nummer, v.text);
    }
    int spalten = 0;
    int zeilen = 0;
    vorratGeben(v, max, spalten, zeilen);
    if (zeilen < max && !v.da)
        zeilen += leser_.blockKodieren(c, antwort_, max - zeilen, enden_, spalten);
    antwort_.i32An(0, spalten);
    antwort_.i32An(4, zeilen);
    kanal_.senden(P::Antwort::Gut, antwort_);
    if (zeilen == max && max >= VorausAb && !v.da) {
        vorausGroesse_ = max;
        return c;
    }
    return 0;
}

// Starts the answer with the rows read ahead, as many as fit.
void Leserdienst::vorratGeben(Vorrat& v, int max, int& spalten, int& zeilen)
{
    if (v.da && v.erste == 0 && v.zeilen() <= std::size_t(max)) {
        // The usual case: the rows read ahead are the answer as they stand.
        std::swap(antwort_, v.nachricht);
        std::swap(enden_, v.enden);
        spalten = v.spalten;
        zeilen = int(enden_.size());
        v.da = false;
        return;
    }
    antwort_.i32(0);
    antwort_.i32(0);
    enden_.clear();
    if (!v.da)
        return;
    const std::size_t n = std::min(std::size_t(max), v.zeilen() - v.erste);
    const std::size_t von = v.anfang(v.erste);
    antwort_.roh(v.nachricht.nutzlast() + von, v.enden[v.erste + n - 1] - von);
    spalten = v.spalten;
    zeilen = int(n);
    v.erste += n;
    if (v.erste >= v.zeilen())
        v.da = false;
}

void Leserdienst::vorauslesen(CursorNummer c)
{
    Vorrat& v = vorraete_[c];
    v.da = true;
    v.erste = 0;
    v.fehler = false;
    v.nachricht.leeren();
    v.nachricht.i32(0);
    v.nachricht.i32(0);
    v.enden.clear();
    fehlerFangen(
        [&] {
            const int k = leser_.blockKodieren(c, v.nachricht, vorausGroesse_, v.enden, v.spalten);
            v.nachricht.i32An(0, v.spalten);
            v.nachricht.i32An(4, k);
        },
        [&v](std::int32_t nummer, const QString& text) {
            v.fehler = true;
            v.nummer = nummer;
            v.text = text;
            v.enden.clear();
        });
}

// Rows von .. von + anzahl - 1, one answer; the running position stays.
void Leserdienst::bereich(P::Entnehmer& e)
{
    const CursorNummer c = e.i32();
    const std::int64_t von = e.i64();
    const int anzahl = std::max(0, std::min(e.i32(), GroessterBlock));
    antwort_.i32(0);
    antwort_.i32(0);
    int spalten = 0;
    const int zeilen = leser_.bereichKodieren(c, von, anzahl, antwort_, spalten);
    antwort_.i32An(0, spalten);
    antwort_.i32An(4, zeilen);
}

void Leserdienst::cursorOeffnen(P::Entnehmer& e)
{
    const QString tabelle = e.text();
    const std::int32_t n = e.i32();
    if (n < 0 || n > 4096)
        throw P::Formfehler("zu viele Spalten");
    std::vector<int> auswahl(static_cast<std::size_t>(n));
    for (auto& a : auswahl)
        a = e.i32();
    antwort_.i32(leser_.cursorOeffnen(tabelle, auswahl));
}

void Leserdienst::zeile(P::Entnehmer& e)
{
    const CursorNummer c = e.i32();
    const bool da = leser_.zeile(c, e.i64(), zeile_);
    antwort_.u8(da);
    if (da) {
        antwort_.i32(std::int32_t(zeile_.size()));
        for (const auto& w : zeile_)
            antwort_.wert(w);
    }
}

}  // namespace Datenzugriff
