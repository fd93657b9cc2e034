// Writes the fuzzer's seeds into a directory: small Jet 3 and Jet 4 files of
// the writer, a few pages each, that between them reach every part of the
// reader: every column type with Nulls and extreme values, long values
// inline, in one long-value row and in a chain of pages, a table over
// several pages, a table definition over several pages, an empty table, a
// system table and a saved query.

#include "BenchDaten.h"
#include "MdbWriter.h"
#include "Strukturen.h"

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace mdbwriter;

namespace {

const std::pair<const char*, std::function<void(Database&, Format)>> seeds[] = {
    // Every column type with Nulls and extreme values, and a saved query.
    {"typen", [](Database& db, Format f) { writeAllTypes(db, f, "Typen"); db.addQuery("Abfrage"); }},
    // Long values inline, in one long-value row and chained, on both sides of each limit.
    {"langwerte", [](Database& db, Format f) { writeLongValues(db, f, "Lang"); db.addQuery("Abfrage"); }},
    // The benchmark table over several data pages, with a second table in
    // between so the first one's pages do not lie side by side.
    {"seiten", [](Database& db, Format f) {
         writeBenchTable(db, "Kunden", f == Format::Jet3 ? 60 : 90, 3);
         const int t = db.addTable("Dazwischen", {{"Nr", ColumnType::Long}, {"Text", ColumnType::Text, 200}});
         for (int i = 0; i < 12; ++i)
             db.addRow(t, {Cell::integer(i), Cell::text(std::string(150, char('a' + i)))});
     }},
    // A definition over several pages (many columns), an empty table and a system table.
    {"definitionen", [](Database& db, Format) {
         std::vector<Column> viele;
         std::vector<Cell> zeile;
         for (int i = 0; i < 90; ++i) {
             viele.push_back({"Spalte mit langem Namen " + std::to_string(i), i % 3 == 0 ? ColumnType::Long : ColumnType::Text, 10});
             zeile.push_back(i % 3 == 0 ? Cell::integer(i) : i % 7 == 0 ? Cell::null() : Cell::text(std::to_string(i)));
         }
         db.addRow(db.addTable("Breit", viele), zeile);
         db.addTable("Leer", {{"Nr", ColumnType::Long}, {"Memo", ColumnType::Memo}});
         db.addRow(db.addSystemTable("MSysZusatz", {{"Id", ColumnType::Long}, {"Name", ColumnType::Text, 20}}),
                   {Cell::integer(7), Cell::text("System")});
     }},
    // What worked-on files hold: moved and deleted rows, changed columns and
    // property blocks in the catalogue; rows on both sides of Jet 3's jump bytes.
    {"strukturen", [](Database& db, Format) {
         writeMovedRows(db, "Verschoben", 12);
         writeChangedColumns(db, "Spalten");
         writePropertyTables(db);
         writeWideRow(db, "Breite Zeile");  // "Breit" is one of the property tables
         writeRowLengths(db, "Zeilenlängen");
     }},
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: %s VERZEICHNIS\n", argv[0]);
        return 2;
    }
    try {
        for (const auto& [format, name] : {std::pair{Format::Jet3, "jet3"}, std::pair{Format::Jet4, "jet4"}})
            for (const auto& [seed, schreiben] : seeds) {
                Database db(std::string(argv[1]) + "/" + name + "_" + seed + ".mdb", format);
                schreiben(db, format);
                db.finish();
            }
    } catch (const Error& e) {
        std::fprintf(stderr, "fuzz_korpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
