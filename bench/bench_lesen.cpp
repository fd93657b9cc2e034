// Reading speed: every field of every row of a large generated table, each
// turned into its value text, against `mdb-export FILE TABLE > /dev/null` on
// the same file. Target: at most one fifth of mdb-export's time, with memory
// that does not grow with the row count.
//
//   bench_lesen [ROWS] [FILE]      (defaults: 1000000, /tmp/zelk-bench/lesen-ROWS.mdb)

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

}  // namespace

int main(int argc, char** argv)
{
    const long long zeilen = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const std::string datei = argc > 2 ? argv[2] : "/tmp/zelk-bench/lesen-" + std::to_string(zeilen) + ".mdb";
    const QString tabelle = QStringLiteral("Bench");

    std::filesystem::create_directories(std::filesystem::path(datei).parent_path());
    if (!std::filesystem::exists(datei)) {
        const auto t0 = Uhr::now();
        mdbwriter::Database db(datei, mdbwriter::Format::Jet4);
        mdbwriter::writeBenchTable(db, tabelle.toStdString(), zeilen, 1);
        db.finish();
        std::printf("Datei geschrieben: %s, %lld Zeilen, %.1f MB in %.2f s\n", datei.c_str(), zeilen,
                    double(std::filesystem::file_size(datei)) / 1e6, sekunden(t0));
    }

    // Our reader and the value text.
    const long rssVorher = rssKiB();
    long rssZehntel = 0;
    const auto t1 = Uhr::now();
    long long gelesen = 0, zeichen = 0;
    {
        Datenzugriff::Connection verbindung;
        verbindung.Open(QStringLiteral("DBQ=") + QString::fromStdString(datei) + QLatin1Char(';'));
        Datenzugriff::Recordset satzmenge;
        satzmenge.Open(QStringLiteral("Select * from [Bench];"), verbindung, Datenzugriff::adOpenDynamic, Datenzugriff::adLockOptimistic);
        const Datenzugriff::Werttext werttext(QLocale(QLocale::German, QLocale::Germany));
        const auto& felder = satzmenge.fields();
        const int anzahl = felder.Count();
        QString text;
        while (!satzmenge.Eof()) {
            for (int i = 0; i < anzahl; ++i)
                zeichen += werttext.ansicht(felder.Item(i).Value(), text).size();
            ++gelesen;
            if (gelesen == zeilen / 10)
                rssZehntel = rssKiB();
            satzmenge.MoveNext();
        }
        verbindung.Close();
    }
    const double unsere = sekunden(t1);
    const long rssEnde = rssKiB();

    // mdb-export on the same file.
    const std::string befehl = std::string(MDB_EXPORT) + " '" + datei + "' Bench > /dev/null";
    const auto t2 = Uhr::now();
    const int rc = std::system(befehl.c_str());
    const double export_ = sekunden(t2);

    std::printf("Zeilen gelesen:      %lld (%lld Zeichen Werttext)\n", gelesen, zeichen);
    std::printf("ZELK-Feldspur-Leser: %.3f s\n", unsere);
    std::printf("mdb-export:          %.3f s (Rückgabe %d)\n", export_, rc);
    std::printf("Verhältnis:          %.3f (Ziel: höchstens 0,200)\n", unsere / export_);
    std::printf("Speicher (RSS):      vorher %ld KiB, nach 10 %% %ld KiB, am Ende %ld KiB\n", rssVorher, rssZehntel, rssEnde);
    if (gelesen != zeilen)
        std::printf("FEHLER: %lld Zeilen erwartet\n", zeilen);
    return gelesen == zeilen && rc == 0 ? 0 : 1;
}
