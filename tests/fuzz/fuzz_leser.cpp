// The fuzzer's entry: the input is a database file, read completely by the
// in-process reader: the catalogue, every table's columns, every row in
// blocks, the counted rows, rows by number and a range of rows. Every input
// must end in a result or an error of the component; a crash, a sanitizer
// report, a hang or memory running away is a finding.

#include "Fehler.h"
#include "Leser.h"

#include <QString>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

using namespace Datenzugriff;

namespace {

// FUZZ_LESER_AUSGABE=1 tells what was read and which errors came, for
// looking at a single input.
const bool ausgabe = std::getenv("FUZZ_LESER_AUSGABE") != nullptr;

void melden(const char* was, const QString& name, const DatenzugriffsFehler& f)
{
    if (ausgabe)
        std::fprintf(stderr, "%s %s: Fehler %d: %s\n", was, qPrintable(name), f.Number(), f.what());
}

// The reader opens a path: the input lives in a memory file, reached by its
// /proc path, so no run touches the disk.
QString eingabe(const std::uint8_t* daten, std::size_t groesse)
{
    static const int fd = memfd_create("fuzz_leser", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, daten, groesse, 0) != ssize_t(groesse)) {
        std::perror("fuzz_leser: Eingabe");
        std::abort();
    }
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

void tabelleLesen(Leser& leser, const QString& name)
{
    const std::vector<SpaltenInfo> spalten = leser.spalten(name);
    (void)leser.gespeicherteZeilenanzahl(name);
    std::vector<int> auswahl(spalten.size());
    std::iota(auswahl.begin(), auswahl.end(), 0);
    const CursorNummer cursor = leser.cursorOeffnen(name, auswahl);
    ZeilenBlock block;
    std::int64_t zeilen = 0;
    while (leser.naechsterBlock(cursor, block, 64))
        zeilen += block.zeilen();
    // Counting and row access by number walk the pages their own way.
    const std::int64_t gezaehlt = leser.gezaehlteZeilen(cursor);
    if (ausgabe)
        std::fprintf(stderr, "Tabelle %s: %zu Spalten, %lld Zeilen gelesen, %lld gezählt\n", qPrintable(name),
                     spalten.size(), static_cast<long long>(zeilen), static_cast<long long>(gezaehlt));
    std::vector<Wert> werte;
    if (gezaehlt > 0) {
        (void)leser.zeile(cursor, 0, werte);
        (void)leser.zeile(cursor, gezaehlt - 1, werte);
        (void)leser.zeilenBereich(cursor, gezaehlt / 2, 50, block);
    }
    leser.zuruecksetzen(cursor);
    (void)leser.naechsterBlock(cursor, block, 1);
    leser.cursorSchliessen(cursor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* daten, std::size_t groesse)
{
    const QString pfad = eingabe(daten, groesse);
    const auto leser = erzeugeMdbLeser();
    try {
        leser->oeffnen(pfad);
        for (const KatalogEintrag& e : leser->katalog()) {
            if (e.typ != QLatin1String("TABLE") && e.typ != QLatin1String("SYSTEM TABLE"))
                continue;
            // A damaged table is an error of its own; the others are read on.
            try {
                tabelleLesen(*leser, e.name);
            } catch (const DatenzugriffsFehler& f) {
                melden("Tabelle", e.name, f);
            }
        }
        leser->schliessen();
    } catch (const DatenzugriffsFehler& f) {
        melden("Datei", pfad, f);
    }
    return 0;
}
