// A folder of databases searched whole: `zelk-feldspur-suche --alle-tabellen
// -r` over 200 generated files (half Jet 3, half Jet 4, 20 tables each,
// 2 000 000 rows in all) against the shell loop a user would write with
// mdbtools, `mdb-tables` and `mdb-export | grep -ci` for every table.
// Target: at most one eighth of the loop's time. Both hit counts are printed
// as a check that the two searched the same.
// First, both cores: 16 files of 100 000 rows searched with all output
// forms' common path (the protocol to a file), one file after the other
// (ZF_SUCHE_DATEIEN=1) and as many at once as there are cores; wall time
// against processor time (of the search and its reader processes), goal at
// most 0.6, and whether the two protocols are the same bytes.
//
//   bench_ordner [ZEILEN_GESAMT]
//       default 2000000; the folders are written once to
//       /tmp/zelk-bench/ordner[-ZEILEN]/ and /tmp/zelk-bench/ordner16/ and
//       kept for later runs. ZEILEN_GESAMT 0: the cores figure alone.

#include "BenchDaten.h"
#include "MdbWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/resource.h>

namespace {

using Uhr = std::chrono::steady_clock;
constexpr int Dateien = 200;
constexpr int TabellenJeDatei = 20;

double sekunden(Uhr::time_point von) { return std::chrono::duration<double>(Uhr::now() - von).count(); }

// The folder, written once; a marker file says it is complete.
std::string ordnerAnlegen(long long zeilen)
{
    const std::string ordner = "/tmp/zelk-bench/ordner" + (zeilen == 2000000 ? std::string() : "-" + std::to_string(zeilen));
    const std::string fertig = ordner + "/.fertig";
    if (std::filesystem::exists(fertig))
        return ordner;
    std::filesystem::remove_all(ordner);
    std::filesystem::create_directories(ordner + "/jet3");
    std::filesystem::create_directories(ordner + "/jet4");
    const long long jeTabelle = zeilen / (Dateien * TabellenJeDatei);
    const auto t = Uhr::now();
    for (int d = 0; d < Dateien; ++d) {
        const bool jet3 = d % 2 == 0;
        char name[64];
        std::snprintf(name, sizeof name, "%s/Archiv%03d.%s", jet3 ? "jet3" : "jet4", d, d % 4 == 1 ? "MDB" : "mdb");
        mdbwriter::Database db(ordner + "/" + name, jet3 ? mdbwriter::Format::Jet3 : mdbwriter::Format::Jet4);
        for (int k = 0; k < TabellenJeDatei; ++k)
            mdbwriter::writeBenchTable(db, "Tabelle" + std::to_string(k + 1), jeTabelle, std::uint64_t(d * 100 + k + 1));
        db.finish();
    }
    std::FILE* f = std::fopen(fertig.c_str(), "w");
    if (f)
        std::fclose(f);
    std::printf("Ordner geschrieben in %.1f s: %s\n", sekunden(t), ordner.c_str());
    return ordner;
}

// 16 files of 100 000 rows, one table each, Jet 3 and Jet 4 in turn.
std::string sechzehnAnlegen()
{
    const std::string ordner = "/tmp/zelk-bench/ordner16";
    const std::string fertig = ordner + "/.fertig";
    if (std::filesystem::exists(fertig))
        return ordner;
    std::filesystem::remove_all(ordner);
    std::filesystem::create_directories(ordner);
    for (int d = 0; d < 16; ++d) {
        char name[64];
        std::snprintf(name, sizeof name, "/Datei%02d.mdb", d);
        mdbwriter::Database db(ordner + name, d % 2 == 0 ? mdbwriter::Format::Jet3 : mdbwriter::Format::Jet4);
        mdbwriter::writeBenchTable(db, "Kunden", 100000, std::uint64_t(d + 1));
        db.finish();
    }
    std::FILE* f = std::fopen(fertig.c_str(), "w");
    if (f)
        std::fclose(f);
    return ordner;
}

double prozessorzeitKinder()
{
    rusage r{};
    getrusage(RUSAGE_CHILDREN, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

struct Lauf {
    double wand = 1e30, prozessor = 0;
};

// The best wall time of `mal` runs and the processor time of that run.
Lauf laufMessen(const std::string& befehl, int mal)
{
    Lauf best;
    for (int i = 0; i < mal; ++i) {
        const double cpu = prozessorzeitKinder();
        const auto t = Uhr::now();
        [[maybe_unused]] const int rc = std::system(befehl.c_str());
        const double wand = sekunden(t);
        if (wand < best.wand)
            best = {wand, prozessorzeitKinder() - cpu};
    }
    return best;
}

std::string dateiInhalt(const std::string& pfad)
{
    std::string inhalt;
    if (std::FILE* f = std::fopen(pfad.c_str(), "rb")) {
        char puffer[65536];
        std::size_t n;
        while ((n = std::fread(puffer, 1, sizeof puffer, f)) > 0)
            inhalt.append(puffer, n);
        std::fclose(f);
    }
    return inhalt;
}

void beideKerne()
{
    const std::string ordner = sechzehnAnlegen();
    auto befehl = [&](const char* gleichzeitig, const std::string& ausgabe) {
        return std::string(gleichzeitig) + std::string(SUCHE_PROGRAMM) + " --alle-tabellen -r --protokoll '" + ausgabe + "' '"
               + ordner + "' Hoffmann >/dev/null 2>&1";
    };
    const Lauf einzeln = laufMessen(befehl("ZF_SUCHE_DATEIEN=1 ", ordner + ".einzeln"), 3);
    const Lauf verteilt = laufMessen(befehl("", ordner + ".verteilt"), 3);
    const bool gleich = dateiInhalt(ordner + ".einzeln") == dateiInhalt(ordner + ".verteilt");
    std::printf("Beide Kerne: %s (16 Dateien, je 100 000 Zeilen)\n", ordner.c_str());
    std::printf("  eine Datei nach der anderen:  Wand %.3f s, Prozessor %.3f s, Verhältnis %.2f\n", einzeln.wand,
                einzeln.prozessor, einzeln.wand / einzeln.prozessor);
    std::printf("  Dateien gleichzeitig:         Wand %.3f s, Prozessor %.3f s, Verhältnis %.2f (Ziel: höchstens 0,6)\n",
                verteilt.wand, verteilt.prozessor, verteilt.wand / verteilt.prozessor);
    std::printf("  Protokolle gleich: %s; Wandzeit gegen eine nach der anderen: %.2f\n", gleich ? "ja" : "NEIN",
                verteilt.wand / einzeln.wand);
}

// Runs a shell command, returns its last output line; the time of the best of `mal` runs.
double messen(const std::string& befehl, int mal, std::string& letzteZeile, int& rc)
{
    double best = 1e30;
    for (int i = 0; i < mal; ++i) {
        const auto t = Uhr::now();
        std::FILE* p = popen(befehl.c_str(), "r");
        if (!p) {
            rc = -1;
            return 0;
        }
        char zeile[512];
        while (std::fgets(zeile, sizeof zeile, p))
            letzteZeile = zeile;
        rc = pclose(p);
        best = std::min(best, sekunden(t));
    }
    while (!letzteZeile.empty() && (letzteZeile.back() == '\n' || letzteZeile.back() == '\r'))
        letzteZeile.pop_back();
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    const long long zeilen = argc > 1 ? std::atoll(argv[1]) : 2000000;
    beideKerne();
    if (zeilen <= 0)
        return 0;
    const std::string ordner = ordnerAnlegen(zeilen);
    const std::string name = "Hoffmann";

    std::string unsereZeile, schleifenZeile;
    int rcUnsere = 0, rcSchleife = 0;
    const std::string ausgabe = ordner + ".protokoll";
    const std::string unser = std::string(SUCHE_PROGRAMM) + " --alle-tabellen -r '" + ordner + "' " + name + " > '" + ausgabe
                              + "'; rc=$?; tail -n 1 '" + ausgabe + "'; exit $rc";
    const double unsere = messen(unser, 3, unsereZeile, rcUnsere);
    const std::string schleife =
        "find '" + ordner + "' -iname '*.mdb' | sort | while IFS= read -r f; do "
        + std::string(MDB_TABLES) + " -1 \"$f\" | while IFS= read -r t; do "
        + std::string(MDB_EXPORT) + " \"$f\" \"$t\" | grep -ci " + name + "; done; done | awk '{s += $1} END {print s}'";
    const double mdbtools = messen(schleife, 2, schleifenZeile, rcSchleife);

    std::printf("Ordner: %s (%d Dateien, je %d Tabellen, %lld Zeilen)\n", ordner.c_str(), Dateien, TabellenJeDatei, zeilen);
    std::printf("  zelk-feldspur-suche --alle-tabellen -r '%s':  %.3f s  (%s, Rückgabewert %d)\n", name.c_str(), unsere,
                unsereZeile.c_str(), WEXITSTATUS(rcUnsere));
    std::printf("  mdb-tables + mdb-export | grep -ci:                  %.3f s  (Zeilen mit Treffer: %s)\n", mdbtools,
                schleifenZeile.c_str());
    std::printf("  Verhältnis:                                          %.3f (Ziel: höchstens 0,125)\n", unsere / mdbtools);
    return 0;
}
