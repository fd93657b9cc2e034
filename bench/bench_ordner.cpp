// A folder of databases searched whole: `zelk-feldspur-suche --alle-tabellen
// -r` over 200 generated files (half Jet 3, half Jet 4, 20 tables each,
// 2 000 000 rows in all) against the shell loop a user would write with
// mdbtools, `mdb-tables` and `mdb-export | grep -ci` for every table.
// Target: at most one eighth of the loop's time. Both hit counts are printed
// as a check that the two searched the same.
//
//   bench_ordner [ZEILEN_GESAMT]
//       default 2000000; the folder is written once to
//       /tmp/zelk-bench/ordner[-ZEILEN]/ and kept for later runs.

#include "BenchDaten.h"
#include "MdbWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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
