// Writes the fuzzer's seeds into a directory: small Jet 3 and Jet 4 files of
// the writer, a few pages each, that between them reach every part of the
// reader: every column type with Nulls and extreme values, long values
// inline, in one long-value row and in a chain of pages, a table over
// several pages, a table definition over several pages, an empty table, a
// system table and a saved query.

#include "BenchDaten.h"
#include "MdbWriter.h"
#include "Strukturen.h"

#include <array>
#include <cstdio>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using namespace mdbwriter;

namespace {

std::vector<Column> alleTypen()
{
    return {{"Ja", ColumnType::YesNo},      {"Byte", ColumnType::Byte},      {"Int", ColumnType::Integer},
            {"Nr", ColumnType::Long},       {"Betrag", ColumnType::Currency}, {"Single", ColumnType::Single},
            {"Double", ColumnType::Double}, {"Datum", ColumnType::DateTime}, {"Bin", ColumnType::Binary, 16},
            {"Text", ColumnType::Text, 30}, {"Ole", ColumnType::OleObject},  {"Memo", ColumnType::Memo},
            {"Guid", ColumnType::Guid}};
}

void typen(const std::string& pfad, Format format)
{
    Database db(pfad, format);
    const int t = db.addTable("Typen", alleTypen());
    const std::array<std::uint8_t, 16> g{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    db.addRow(t, {Cell::yesNo(true), Cell::integer(255), Cell::integer(-32768), Cell::integer(2147483647),
                  Cell::currency(-9223372036854775807LL), Cell::real(1.5), Cell::real(-2.25e300),
                  Cell::date(dayCount(2026, 2, 28, 23, 59, 59)), Cell::bytes({0, 1, 2, 0xff}),
                  Cell::text("Grüße, Straße €"), Cell::bytes(std::vector<std::uint8_t>(40, 7)),
                  Cell::text("kurz"), Cell::guid(g)});
    std::vector<Cell> leer(alleTypen().size(), Cell::null());
    leer[0] = Cell::yesNo(false);
    db.addRow(t, leer);
    db.addRow(t, {Cell::yesNo(false), Cell::integer(0), Cell::integer(1), Cell::integer(-1), Cell::currency(10000),
                  Cell::real(0.0), Cell::real(-0.0), Cell::date(0), Cell::bytes({}), Cell::text(""),
                  Cell::bytes({}), Cell::text(std::string(100, 'm')), Cell::guid({})});
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
