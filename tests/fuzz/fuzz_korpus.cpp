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
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using namespace mdbwriter;

namespace {

// Every column type with Nulls and extreme values, and a saved query.
void typen(const std::string& pfad, Format format)
{
    Database db(pfad, format);
    writeAllTypes(db, format, "Typen");
    db.addQuery("Abfrage");
    db.finish();
}

// Long values inline, in one long-value row and chained, on both sides of each limit.
void langwerte(const std::string& pfad, Format format)
{
    Database db(pfad, format);
    writeLongValues(db, format, "Lang");
    db.addQuery("Abfrage");
    db.finish();
}

// The benchmark table over several data pages, with a second table in
// between so the first one's pages do not lie side by side.
void seiten(const std::string& pfad, Format format)
{
    Database db(pfad, format);
    writeBenchTable(db, "Kunden", format == Format::Jet3 ? 60 : 90, 3);
    const int t = db.addTable("Dazwischen", {{"Nr", ColumnType::Long}, {"Text", ColumnType::Text, 200}});
    for (int i = 0; i < 12; ++i)
        db.addRow(t, {Cell::integer(i), Cell::text(std::string(150, char('a' + i)))});
    db.addQuery("Abfrage");
    db.finish();
}

// A definition over several pages (many columns), an empty table and a
// system table.
void definitionen(const std::string& pfad, Format format)
{
    Database db(pfad, format);
    std::vector<Column> viele;
    for (int i = 0; i < 90; ++i)
        viele.push_back({"Spalte mit langem Namen " + std::to_string(i), i % 3 == 0 ? ColumnType::Long : ColumnType::Text, 10});
    const int t = db.addTable("Breit", viele);
    std::vector<Cell> zeile;
    for (int i = 0; i < 90; ++i)
        zeile.push_back(i % 3 == 0 ? Cell::integer(i) : i % 7 == 0 ? Cell::null() : Cell::text(std::to_string(i)));
    db.addRow(t, zeile);
    db.addTable("Leer", {{"Nr", ColumnType::Long}, {"Memo", ColumnType::Memo}});
    const int s = db.addSystemTable("MSysZusatz", {{"Id", ColumnType::Long}, {"Name", ColumnType::Text, 20}});
    db.addRow(s, {Cell::integer(7), Cell::text("System")});
    db.finish();
}

// What worked-on files hold: moved and deleted rows, changed columns and
// property blocks in the catalogue; rows on both sides of Jet 3's jump bytes.
void strukturen(const std::string& pfad, Format format)
{
    Database db(pfad, format);
    writeMovedRows(db, "Verschoben", 12);
    writeChangedColumns(db, "Spalten");
    writePropertyTables(db);
    writeWideRow(db, "Breit");
    writeRowLengths(db, "Zeilenlängen");
    db.finish();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: %s VERZEICHNIS\n", argv[0]);
        return 2;
    }
    const std::string verzeichnis = argv[1];
    try {
        for (const auto& [format, name] : {std::pair{Format::Jet3, "jet3"}, std::pair{Format::Jet4, "jet4"}}) {
            typen(verzeichnis + "/" + name + "_typen.mdb", format);
            langwerte(verzeichnis + "/" + name + "_langwerte.mdb", format);
            seiten(verzeichnis + "/" + name + "_seiten.mdb", format);
            definitionen(verzeichnis + "/" + name + "_definitionen.mdb", format);
            strukturen(verzeichnis + "/" + name + "_strukturen.mdb", format);
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "fuzz_korpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
