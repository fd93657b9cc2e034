#pragma once
// The generated table of the benchmarks: Long, four Text, Memo, Double,
// Date, Currency and Yes/No, with German words, some Nulls and umlauts.
// Deterministic for a seed, so runs compare like with like.

#include "MdbWriter.h"
#include "Zufallsfolge.h"

#include <cstdint>
#include <string>

namespace mdbwriter {

inline void writeBenchTable(Database& db, const std::string& name, long long rows, std::uint64_t seed)
{
    const int t = db.addTable(name, {{"Nr", ColumnType::Long},
                                     {"Name", ColumnType::Text, 40},
                                     {"Vorname", ColumnType::Text, 30},
                                     {"Straße", ColumnType::Text, 50},
                                     {"Ort", ColumnType::Text, 40},
                                     {"Bemerkung", ColumnType::Memo},
                                     {"Wert", ColumnType::Double},
                                     {"Datum", ColumnType::DateTime},
                                     {"Betrag", ColumnType::Currency},
                                     {"Aktiv", ColumnType::YesNo}});
    static const char* const namen[] = {"Müller", "Schmidt", "Schneider", "Fischer", "Weber", "Meyer", "Wagner", "Becker",
                                        "Schulz", "Hoffmann", "Schäfer", "Koch", "Bauer", "Richter", "Klein", "Wolf"};
    static const char* const vornamen[] = {"Anna", "Bernd", "Claudia", "Dieter", "Eva", "Frank", "Gisela", "Hans",
                                           "Ingrid", "Jürgen", "Karin", "Lutz", "Monika", "Norbert", "Olga", "Peter"};
    static const char* const strassen[] = {"Hauptstraße", "Bahnhofstraße", "Gartenweg", "Lindenallee", "Am Markt",
                                           "Schulstraße", "Kirchplatz", "Bergstraße"};
    static const char* const orte[] = {"Köln", "München", "Berlin", "Hamburg", "Düsseldorf", "Leipzig", "Nürnberg", "Bremen"};
    Zufallsfolge next(seed, 1);
    std::vector<Cell> row(10);
    for (long long i = 0; i < rows; ++i) {
        const std::uint64_t r = next();
        row[0] = Cell::integer(i + 1);
        row[1] = Cell::text(namen[r % 16]);
        row[2] = (r >> 4) % 11 == 0 ? Cell::null() : Cell::text(vornamen[(r >> 8) % 16]);
        row[3] = Cell::text(std::string(strassen[(r >> 12) % 8]) + " " + std::to_string(1 + (r >> 16) % 200));
        row[4] = Cell::text(orte[(r >> 24) % 8]);
        row[5] = (r >> 28) % 3 == 0 ? Cell::null()
                                    : Cell::text("Kunde seit " + std::to_string(1980 + (r >> 32) % 45) + ", Rückruf erbeten");
        row[6] = Cell::real(double((r >> 20) % 1000000) / 100.0);
        row[7] = Cell::date(30000.0 + double((r >> 36) % 20000) + double((r >> 40) % 86400) / 86400.0);
        row[8] = Cell::currency(std::int64_t((r >> 44) % 100000000) - 20000000);
        row[9] = Cell::yesNo(((r >> 60) & 1) != 0);
        db.addRow(t, row);
    }
}

}  // namespace mdbwriter
