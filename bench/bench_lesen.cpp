// Reading speed: every field of every row of a large generated table, each
// turned into its value text, against `mdb-export FILE TABLE > /dev/null` on
// the same file; then the same on a file of another Jet writer (Jackcess,
// memo values on long-value pages). Target: at most one fifth of
// mdb-export's time on both, with memory that does not grow with the row count.
//
//   bench_lesen [ROWS] [FILE TABLE]
//       defaults: 1000000 rows in /tmp/zelk-bench/lesen-ROWS.mdb, and
//       ../shared/realdata/Kunden100k-jackcess.mdb Kunden

#include "Anweisung.h"
#include "BenchDaten.h"
#include "Datenzugriff.h"
#include "MdbWriter.h"
#include "Werttext.h"

#include <QFileInfo>
#include <QLocale>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Uhr = std::chrono::steady_clock;

double sekunden(Uhr::time_point von) { return std::chrono::duration<double>(Uhr::now() - von).count(); }

long rssKiB()
{
    std::ifstream f("/proc/self/status");
    std::string zeile;
    while (std::getline(f, zeile))
        if (zeile.rfind("VmRSS:", 0) == 0)
            return std::atol(zeile.c_str() + 6);
    return -1;
}

// Reads every field of the table into value text, then mdb-export on the
// same table; prints both and their ratio. false when rows went missing.
bool messen(const std::string& datei, const QString& tabelle, long long erwartet)
{
    const long rssVorher = rssKiB();
    long rssZehntel = 0;
    const auto t1 = Uhr::now();
    long long gelesen = 0, zeichen = 0;
    {
        Datenzugriff::Connection verbindung;
        verbindung.Open(QStringLiteral("DBQ=") + QString::fromStdString(datei) + QLatin1Char(';'));
        Datenzugriff::Recordset satzmenge;
        satzmenge.Open(Datenzugriff::alleFelderAnweisung(tabelle), verbindung, Datenzugriff::adOpenDynamic,
                       Datenzugriff::adLockOptimistic);
        const Datenzugriff::Werttext werttext(QLocale(QLocale::German, QLocale::Germany));
        const auto& felder = satzmenge.fields();
        const int anzahl = felder.Count();
        QString text;
        while (!satzmenge.Eof()) {
            for (int i = 0; i < anzahl; ++i)
                zeichen += werttext.ansicht(felder.Item(i).Value(), text).size();
            ++gelesen;
            if (gelesen == erwartet / 10)
                rssZehntel = rssKiB();
            satzmenge.MoveNext();
        }
        verbindung.Close();
    }
    const double unsere = sekunden(t1);
    const long rssEnde = rssKiB();

    const std::string befehl = std::string(MDB_EXPORT) + " '" + datei + "' '" + tabelle.toStdString() + "' > /dev/null";
    const auto t2 = Uhr::now();
    const int rc = std::system(befehl.c_str());
    const double export_ = sekunden(t2);

    std::printf("%s [%s]\n", datei.c_str(), tabelle.toUtf8().constData());
    std::printf("  Zeilen gelesen:      %lld (%lld Zeichen Werttext)\n", gelesen, zeichen);
    std::printf("  ZELK-Feldspur-Leser: %.3f s\n", unsere);
    std::printf("  mdb-export:          %.3f s (Rückgabe %d)\n", export_, rc);
    std::printf("  Verhältnis:          %.3f (Ziel: höchstens 0,200)\n", unsere / export_);
    std::printf("  Speicher (RSS):      vorher %ld KiB, nach 10 %% %ld KiB, am Ende %ld KiB\n", rssVorher, rssZehntel, rssEnde);
    if (gelesen != erwartet)
        std::printf("  FEHLER: %lld Zeilen erwartet\n", erwartet);
    return gelesen == erwartet && rc == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const long long zeilen = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const std::string datei = "/tmp/zelk-bench/lesen-" + std::to_string(zeilen) + ".mdb";

    std::filesystem::create_directories(std::filesystem::path(datei).parent_path());
    if (!std::filesystem::exists(datei)) {
        const auto t0 = Uhr::now();
        mdbwriter::Database db(datei, mdbwriter::Format::Jet4);
        mdbwriter::writeBenchTable(db, "Bench", zeilen, 1);
        db.finish();
        std::printf("Datei geschrieben: %s, %lld Zeilen, %.1f MB in %.2f s\n", datei.c_str(), zeilen,
                    double(std::filesystem::file_size(datei)) / 1e6, sekunden(t0));
    }
    bool gut = messen(datei, QStringLiteral("Bench"), zeilen);

    const std::string fremd = argc > 3 ? argv[2] : std::string(REALDATA_VERZEICHNIS) + "/Kunden100k-jackcess.mdb";
    const QString fremdeTabelle = argc > 3 ? QString::fromUtf8(argv[3]) : QStringLiteral("Kunden");
    if (std::filesystem::exists(fremd)) {
        // The expected count is what mdb-export lists; rows end in a record
        // separator, as memo values may hold line breaks.
        const std::string zaehlen = std::string(MDB_EXPORT) + " -H -R \"$(printf '\\036')\" '" + fremd + "' '"
            + fremdeTabelle.toStdString() + "' | tr -cd '\\036' | wc -c";
        long long erwartet = -1;
        if (FILE* p = popen(zaehlen.c_str(), "r")) {
            if (std::fscanf(p, "%lld", &erwartet) != 1)
                erwartet = -1;
            pclose(p);
        }
        gut = messen(fremd, fremdeTabelle, erwartet) && gut;
    } else {
        std::printf("%s fehlt: die Datei eines anderen Schreibers wurde nicht gemessen\n", fremd.c_str());
    }
    return gut ? 0 : 1;
}
