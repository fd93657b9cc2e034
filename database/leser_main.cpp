// zelk-feldspur-leser: the reader in a process of its own. libmdb can loop
// forever, read past its buffers or ask for gigabytes on a damaged file; here
// that costs the program a message, never its windows.
//
// Requests come on standard input, answers go out on a private copy of
// standard output (libmdb's own prints are sent to standard error).

#include "Fehler.h"
#include "Leser.h"
#include "LeserProtokoll.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

using namespace Datenzugriff;
namespace P = Datenzugriff::Protokoll;

namespace {

int g_aus = -1;

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

void allesSchreiben(const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t r = ::write(g_aus, p, n);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            std::_Exit(3);  // the program is gone
        p += r;
        n -= std::size_t(r);
    }
}

void senden(P::Antwort art, P::Schreiber& nachricht)
{
    const auto [daten, groesse] = nachricht.antwort(std::uint8_t(art));
    allesSchreiben(daten, groesse);
}

void speicherBegrenzen()
{
#ifndef ZF_SANITIZE_BUILD  // the sanitizers reserve terabytes of address space
    // A damaged length can make libmdb ask for gigabytes: better it fails.
    rlimit grenze{};
    grenze.rlim_cur = grenze.rlim_max = rlim_t(2) * 1024 * 1024 * 1024;
    setrlimit(RLIMIT_AS, &grenze);
#endif
}

}  // namespace

int main()
{
    g_aus = ::dup(1);
    ::dup2(2, 1);
    speicherBegrenzen();

    auto letzterFortschritt = std::chrono::steady_clock::now();
    auto leser = erzeugeKodierendenMdbLeser([&] {
        const auto jetzt = std::chrono::steady_clock::now();
        if (jetzt - letzterFortschritt > std::chrono::milliseconds(200)) {
            letzterFortschritt = jetzt;
            P::Schreiber leer;
            senden(P::Antwort::Fortschritt, leer);
        }
    });

    QByteArray anfrage;
    // Kept from answer to answer, so a block's megabytes are not allocated anew each time.
    P::Schreiber antwort;
    std::vector<std::size_t> enden;
    std::vector<Wert> zeile;
    // Rows of the cursor being read, decoded ahead (already in the form of an
    // answer) while the program works on the last block: both processes run
    // at the same time. A damaged page met while reading ahead is reported
    // with the request that reaches it.
    struct Vorrat {
        bool da = false;
        CursorNummer cursor = 0;
        P::Schreiber nachricht;  // columns, rows, then the rows
        std::vector<std::size_t> enden;  // end of each row in the payload
        int spalten = 0;
        std::size_t erste = 0;  // first row not yet sent
        bool fehler = false;
        std::int32_t nummer = 0;
        QString text;
        std::size_t zeilen() const { return enden.size(); }
        std::size_t anfang(std::size_t zeile) const { return zeile == 0 ? 8 : enden[zeile - 1]; }
    } vorrat;
    while (true) {
        std::uint32_t laenge = 0;
        if (!allesLesen(0, &laenge, 4))
            return 0;
        if (laenge == 0 || laenge > 64u * 1024 * 1024)
            return 2;
        anfrage.resize(qsizetype(laenge));
        if (!allesLesen(0, anfrage.data(), laenge))
            return 0;
        antwort.leeren();
        try {
            P::Entnehmer e(anfrage.constData(), laenge);
            const auto auftrag = P::Auftrag(e.u8());
            if (auftrag == P::Auftrag::Block) {
                const CursorNummer c = e.i32();
                const int max = std::max(1, std::min(e.i32(), std::int32_t(1 << 16)));
                if (vorrat.da && vorrat.cursor != c) {
                    vorrat.da = false;
                    vorrat.fehler = false;
                }
                if (vorrat.da && vorrat.fehler && vorrat.zeilen() == 0) {
                    vorrat.da = false;
                    vorrat.fehler = false;
                    throw DatenzugriffsFehler(vorrat.nummer, vorrat.text);
                }
                // Rows read ahead first, then as many more as asked for.
                int spalten = 0;
                int zeilen = 0;
                if (vorrat.da && vorrat.erste == 0 && vorrat.zeilen() <= std::size_t(max)) {
                    // The usual case: the rows read ahead are the answer as they stand.
                    std::swap(antwort, vorrat.nachricht);
                    std::swap(enden, vorrat.enden);
                    spalten = vorrat.spalten;
                    zeilen = int(enden.size());
                    vorrat.da = false;
                } else {
                    antwort.i32(0);
                    antwort.i32(0);
                    enden.clear();
                    if (vorrat.da) {
                        const std::size_t n = std::min(std::size_t(max), vorrat.zeilen() - vorrat.erste);
                        const std::size_t von = vorrat.anfang(vorrat.erste);
                        antwort.roh(vorrat.nachricht.nutzlast() + von, vorrat.enden[vorrat.erste + n - 1] - von);
                        spalten = vorrat.spalten;
                        zeilen = int(n);
                        vorrat.erste += n;
                        if (vorrat.erste >= vorrat.zeilen())
                            vorrat.da = false;
                    }
                }
                if (zeilen < max && !vorrat.da && !vorrat.fehler)
                    zeilen += leser->blockKodieren(c, antwort, max - zeilen, enden, spalten);
                vorrat.fehler = vorrat.fehler && vorrat.da;
                antwort.i32An(0, spalten);
                antwort.i32An(4, zeilen);
                senden(P::Antwort::Gut, antwort);
                if (zeilen == max && max >= 256 && !vorrat.da) {
                    vorrat.da = true;
                    vorrat.cursor = c;
                    vorrat.erste = 0;
                    vorrat.fehler = false;
                    vorrat.nachricht.leeren();
                    vorrat.nachricht.i32(0);
                    vorrat.nachricht.i32(0);
                    vorrat.enden.clear();
                    try {
                        const int k = leser->blockKodieren(c, vorrat.nachricht, max, vorrat.enden, vorrat.spalten);
                        vorrat.nachricht.i32An(0, vorrat.spalten);
                        vorrat.nachricht.i32An(4, k);
                    } catch (const DatenzugriffsFehler& f) {
                        vorrat.fehler = true;
                        vorrat.nummer = f.Number();
                        vorrat.text = f.Description();
                        vorrat.enden.clear();
                    }
                }
                continue;
            }
            // Requests that reset or end the cursor drop the block read ahead;
            // row N and the row count do not touch the running position.
            if (auftrag == P::Auftrag::Zuruecksetzen || auftrag == P::Auftrag::CursorSchliessen
                || auftrag == P::Auftrag::Schliessen || auftrag == P::Auftrag::Oeffnen) {
                vorrat.da = false;
                vorrat.fehler = false;
            }
            switch (auftrag) {
            case P::Auftrag::Oeffnen: leser->oeffnen(e.text()); break;
            case P::Auftrag::Schliessen: leser->schliessen(); break;
            case P::Auftrag::Katalog: antwort.katalog(leser->katalog()); break;
            case P::Auftrag::Spalten: antwort.spalten(leser->spalten(e.text())); break;
            case P::Auftrag::Zeilenanzahl: antwort.i64(leser->gespeicherteZeilenanzahl(e.text())); break;
            case P::Auftrag::CursorOeffnen: {
                const QString tabelle = e.text();
                const std::int32_t n = e.i32();
                if (n < 0 || n > 4096)
                    throw P::Formfehler("zu viele Spalten");
                std::vector<int> auswahl(static_cast<std::size_t>(n));
                for (auto& a : auswahl)
                    a = e.i32();
                antwort.i32(leser->cursorOeffnen(tabelle, auswahl));
                break;
            }
            case P::Auftrag::Zuruecksetzen: leser->zuruecksetzen(e.i32()); break;
            case P::Auftrag::Zeile: {
                const CursorNummer c = e.i32();
                const bool da = leser->zeile(c, e.i64(), zeile);
                antwort.u8(da);
                if (da) {
                    antwort.i32(std::int32_t(zeile.size()));
                    for (const auto& w : zeile)
                        antwort.wert(w);
                }
                break;
            }
            case P::Auftrag::GezaehlteZeilen: antwort.i64(leser->gezaehlteZeilen(e.i32())); break;
            case P::Auftrag::CursorSchliessen: leser->cursorSchliessen(e.i32()); break;
            case P::Auftrag::Version: antwort.text(leser->version()); break;
            default: throw P::Formfehler("unbekannter Auftrag");
            }
            senden(P::Antwort::Gut, antwort);
        } catch (const DatenzugriffsFehler& f) {
            P::Schreiber fehler;
            fehler.i32(f.Number());
            fehler.text(f.Description());
            senden(P::Antwort::Fehler, fehler);
        } catch (const std::exception& f) {
            P::Schreiber fehler;
            fehler.i32(FehlerBeschaedigt);
            fehler.text(QStringLiteral("Interner Fehler des Leseprozesses: %1").arg(QString::fromUtf8(f.what())));
            senden(P::Antwort::Fehler, fehler);
        }
    }
}
