// The Jet writer checked against mdbtools' own programs as an independent
// reader: what they list and print must be what was written.

#include "Beschreibung.h"
#include "BenchDaten.h"
#include "MdbWriter.h"
#include "Strukturen.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

using namespace mdbwriter;

namespace {

// Runs an mdbtools program; its standard output, or a failed test.
std::string run(const char* program, const QStringList& arguments)
{
    QProcess p;
    p.start(QString::fromLocal8Bit(program), arguments);
    if (!p.waitForFinished(60000)) {
        ADD_FAILURE() << program << " did not finish";
        return {};
    }
    EXPECT_EQ(p.exitCode(), 0) << program << ": " << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput().toStdString();
}

std::string exportTable(const std::string& file, const char* table)
{
    return run(MDB_EXPORT, {QStringLiteral("-H"), QStringLiteral("-Q"), QStringLiteral("-d"), QStringLiteral("|"),
                            QStringLiteral("-0"), QStringLiteral("NULL"), QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"),
                            QStringLiteral("-b"), QStringLiteral("hex"), QString::fromStdString(file), QString::fromUtf8(table)});
}

std::string hexUpper(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::uint8_t b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

// The line exportTable prints for a row of whole numbers, texts and bytes.
std::string exportLine(const std::vector<Cell>& row)
{
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const Cell& c = row[i];
        line += i ? "|" : "";
        switch (c.kind) {
        case Cell::Kind::Integer: line += std::to_string(c.integerValue); break;
        case Cell::Kind::Text: line += c.textValue.empty() ? "NULL" : c.textValue; break;
        case Cell::Kind::Bytes: line += hexUpper(c.bytesValue); break;
        default: line += "NULL"; break;
        }
    }
    return line;
}

std::vector<std::string> lines(const std::string& s)
{
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string l;
    while (std::getline(in, l))
        out.push_back(l);
    return out;
}

class Writer : public ::testing::TestWithParam<Format> {
protected:
    std::string file(const char* name) const { return dir_.filePath(QString::fromLatin1(name)).toStdString(); }
    bool jet3() const { return GetParam() == Format::Jet3; }
    QTemporaryDir dir_;
};

TEST_P(Writer, CatalogueListsTablesQueriesAndSystemTablesInOrder)
{
    const std::string f = file("katalog.mdb");
    {
        Database db(f, GetParam());
        db.addTable("Zeta", {{"A", ColumnType::Long}});
        db.addQuery("Abfrage Eins");
        db.addTable("Kunden Alt", {{"A", ColumnType::Long}});
        db.addSystemTable("MSysEigene", {{"A", ColumnType::Long}});
        db.addTable("Äpfel", {{"A", ColumnType::Long}});
        db.finish();
    }
    EXPECT_EQ(run(MDB_TABLES, {QStringLiteral("-1"), QString::fromStdString(f)}), "Zeta\nKunden Alt\nÄpfel\n");
    EXPECT_EQ(run(MDB_TABLES, {QStringLiteral("-1"), QStringLiteral("-S"), QString::fromStdString(f)}),
              "MSysObjects\nZeta\nKunden Alt\nMSysEigene\nÄpfel\n");
    EXPECT_EQ(run(MDB_TABLES, {QStringLiteral("-1"), QStringLiteral("-t"), QStringLiteral("query"), QString::fromStdString(f)}),
              "Abfrage Eins\n");
}

TEST_P(Writer, EveryTypeRoundTripsThroughMdbExport)
{
    const std::string f = file("typen.mdb");
    std::string longMemo;
    for (int i = 0; longMemo.size() < 50000; ++i)
        longMemo += "Zeile " + std::to_string(i) + " über Köln; ";
    std::vector<std::uint8_t> ole(9000);
    for (std::size_t i = 0; i < ole.size(); ++i)
        ole[i] = std::uint8_t(i * 13);
    {
        Database db(f, GetParam());
        const int t = db.addTable("Alle Typen", {{"Nr", ColumnType::Long}, {"Klein", ColumnType::Integer}, {"Byte", ColumnType::Byte},
                                                 {"Einfach", ColumnType::Single}, {"Doppelt", ColumnType::Double},
                                                 {"Betrag", ColumnType::Currency}, {"Datum", ColumnType::DateTime},
                                                 {"Ja Nein", ColumnType::YesNo}, {"Straße", ColumnType::Text, 20},
                                                 {"Notiz", ColumnType::Memo}, {"Bild", ColumnType::OleObject}});
        db.addRow(t, {Cell::integer(-2147483647 - 1), Cell::integer(-32768), Cell::integer(255), Cell::real(1.5), Cell::real(-2.25e10),
                      Cell::currency(-123456789), Cell::date(dayCount(1974, 9, 21, 13, 5, 7)), Cell::yesNo(true),
                      Cell::text("Grüße"), Cell::text("a\tb"), Cell::bytes({0xde, 0xad})});
        db.addRow(t, {Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(),
                      Cell::null(), Cell::null(), Cell::null(), Cell::null()});
        db.addRow(t, {Cell::integer(2147483647), Cell::integer(32767), Cell::integer(0), Cell::real(0), Cell::real(0),
                      Cell::currency(0), Cell::date(dayCount(2026, 12, 6)), Cell::yesNo(false), Cell::text(""),
                      Cell::text(longMemo), Cell::bytes(ole)});
        db.finish();
    }
    const auto rows = lines(exportTable(f, "Alle Typen"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "-2147483648|-32768|255|1.5|-22500000000|-12345.6789|1974-09-21 13:05:07|1|Grüße|a\tb|DEAD");
    EXPECT_EQ(rows[1], "NULL|NULL|NULL|NULL|NULL|NULL|NULL|0|NULL|NULL|NULL");
    // mdb-export prints a zero-length text like Null.
    const std::string prefix = "2147483647|32767|0|0|0|0.0000|2026-12-06 00:00:00|0|NULL|" + longMemo + "|";
    ASSERT_TRUE(rows[2].substr(0, prefix.size()) == prefix) << rows[2].size() << " bytes, expected " << prefix.size() << "+";
    EXPECT_TRUE(rows[2].substr(prefix.size()) == hexUpper(ole));

    const std::string schema = run(MDB_SCHEMA, {QString::fromStdString(f)});
    for (const char* column : {"[Nr]\t\t\tLong Integer", "[Klein]\t\t\tInteger", "[Byte]\t\t\tByte", "[Einfach]\t\t\tSingle",
                               "[Doppelt]\t\t\tDouble", "[Betrag]\t\t\tCurrency", "[Datum]\t\t\tDateTime",
                               "[Ja Nein]\t\t\tBoolean", "[Straße]\t\t\tText (20)", "[Notiz]\t\t\tMemo", "[Bild]\t\t\tOLE"})
        EXPECT_NE(schema.find(column), std::string::npos) << column << "\n" << schema;
    EXPECT_NE(schema.find("CREATE TABLE [Alle Typen]"), std::string::npos);
}

TEST_P(Writer, UnicodeAndCodePage)
{
    const std::string f = file("unicode.mdb");
    {
        Database db(f, GetParam());
        const int t = db.addTable("T", {{"Text", ColumnType::Text, 30}, {"Memo", ColumnType::Memo}});
        db.addRow(t, {Cell::text("äöü ß € „Œ“"), Cell::text(jet3() ? "Ελληνικά 漢字 😀" : "Ελληνικά 漢字 ✓")});
        db.finish();
    }
    EXPECT_EQ(exportTable(f, "T"), jet3() ? "äöü ß € „Œ“|???????? ?? ?\n" : "äöü ß € „Œ“|Ελληνικά 漢字 ✓\n");
}

TEST_P(Writer, WideTableAndManyPages)
{
    // 255 columns make a table definition longer than one page.
    const std::string f = file("breit.mdb");
    std::vector<Column> columns;
    for (int i = 0; i < 255; ++i)
        columns.push_back({"Spalte Nr " + std::to_string(i), i % 2 ? ColumnType::Text : ColumnType::Long, 4});
    const int rowCount = 3000;
    {
        Database db(f, GetParam());
        const int t = db.addTable("Breit", columns);
        std::vector<Cell> row(255);
        for (int r = 0; r < rowCount; ++r) {
            for (int i = 0; i < 255; ++i)
                row[std::size_t(i)] = i % 2 ? Cell::text(std::to_string((r + i) % 1000)) : Cell::integer(r * 1000 + i);
            db.addRow(t, row);
        }
        db.finish();
    }
    const auto rows = lines(exportTable(f, "Breit"));
    ASSERT_EQ(rows.size(), std::size_t(rowCount));
    for (int r : {0, 1, rowCount / 2, rowCount - 1}) {
        std::string expected;
        for (int i = 0; i < 255; ++i) {
            if (i)
                expected += '|';
            expected += std::to_string(i % 2 ? (r + i) % 1000 : r * 1000 + i);
        }
        EXPECT_EQ(rows[std::size_t(r)], expected) << r;
    }
    const std::string schema = run(MDB_SCHEMA, {QString::fromStdString(f)});
    EXPECT_NE(schema.find("[Spalte Nr 254]"), std::string::npos);
}

// Rows of one kind (moved or not) in the order mdb-export printed them.
std::vector<std::string> ofKind(const std::vector<std::string>& printed, const TableContent& t, bool moved)
{
    std::map<std::string, bool> kind;
    for (std::size_t n = 0; n < t.rows.size(); ++n)
        kind[exportLine(t.rows[n])] = t.moved[n];
    std::vector<std::string> out;
    for (const std::string& l : printed)
        if (kind.count(l) && kind[l] == moved)
            out.push_back(l);
    return out;
}

TEST_P(Writer, MovedRowsAreListedWhereTheirDataLiesAndDeletedRowsNotAtAll)
{
    const std::string f = file("verschoben.mdb");
    std::vector<TableContent> tables;
    {
        Database db(f, GetParam());
        tables.push_back(writeMovedRows(db, "Eine Seite", 12));
        tables.push_back(writeMovedRows(db, "Viele Seiten", 3000));
        tables.push_back(writeAllRowsMoved(db, "Alle verschoben", 600));
        db.finish();
    }
    // On one page the moved rows' data lies on the next page, so mdbtools
    // lists them last; the deleted rows 3, 5, 6 and 10 not at all.
    const TableContent& one = tables[0];
    std::string expected;
    for (bool moved : {false, true})
        for (std::size_t n = 0; n < one.rows.size(); ++n)
            if (one.moved[n] == moved)
                expected += exportLine(one.rows[n]) + "\n";
    EXPECT_EQ(exportTable(f, "Eine Seite"), expected);
    EXPECT_EQ(expected.substr(0, 2), "0|");
    EXPECT_NE(expected.find("\n2|Zeile 2 äöü|Notiz 2\n7|Zeile 7 äöü|Notiz 7\n"), std::string::npos);

    // Over many pages: every live row once, each kind in the order written.
    for (const TableContent& t : tables) {
        const auto printed = lines(exportTable(f, t.name.c_str()));
        std::vector<std::string> written;
        for (const auto& row : t.rows)
            written.push_back(exportLine(row));
        auto sortedPrinted = printed;
        auto sortedWritten = written;
        std::sort(sortedPrinted.begin(), sortedPrinted.end());
        std::sort(sortedWritten.begin(), sortedWritten.end());
        ASSERT_TRUE(sortedPrinted == sortedWritten) << t.name << ": " << printed.size() << " rows, expected " << written.size();
        for (bool moved : {false, true})
            EXPECT_TRUE(ofKind(printed, t, moved) == ofKind(written, t, moved)) << t.name;
    }
}

TEST_P(Writer, DeletedColumnsLeaveGapsThatReadersSkip)
{
    const std::string f = file("spalten.mdb");
    TableContent t;
    {
        Database db(f, GetParam());
        t = writeChangedColumns(db, "Geändert");
        db.finish();
    }
    std::string expected;
    for (const auto& row : t.rows)
        expected += exportLine(row) + "\n";
    EXPECT_EQ(exportTable(f, "Geändert"), expected);
    const std::string schema = run(MDB_SCHEMA, {QString::fromStdString(f)});
    const std::string columns = "[A]\t\t\tLong Integer, \n\t[D]\t\t\tText (20), \n\t[E]\t\t\tLong Integer, \n"
                                "\t[F]\t\t\tText (20), \n\t[G]\t\t\tInteger\n";
    EXPECT_NE(schema.find(columns), std::string::npos) << schema;
}

TEST_P(Writer, MemoAndOleValuesInlineOnOnePageAndChained)
{
    const std::string f = file("lang.mdb");
    TableContent t;
    {
        Database db(f, GetParam());
        t = writeLongValues(db, GetParam(), "Lange Werte");
        db.finish();
    }
    // The sizes lie on both sides of the inline limit (64 bytes) and of the
    // largest long-value row, which differs between the formats.
    const int limit = longValueRowLimit(GetParam());
    for (int bound : {64, limit}) {
        const auto sizes = longValueSizes();
        EXPECT_TRUE(std::count(sizes.begin(), sizes.end(), bound) == 1 && std::count_if(sizes.begin(), sizes.end(), [&](int s) {
                        return s > bound && s <= bound + 2;
                    }) == 1) << bound;
    }
    const auto printed = lines(exportTable(f, "Lange Werte"));
    ASSERT_EQ(printed.size(), t.rows.size());
    for (std::size_t n = 0; n < t.rows.size(); ++n)
        EXPECT_TRUE(printed[n] == exportLine(t.rows[n])) << "row " << n << ": " << printed[n].size() << " characters";
}

// mdb-prop's output: per block its name, then the properties.
std::map<std::string, std::map<std::string, std::string>> readProperties(const std::string& file, const std::string& object)
{
    const QString program = QFileInfo(QStringLiteral(MDB_EXPORT)).absolutePath() + QStringLiteral("/mdb-prop");
    std::map<std::string, std::map<std::string, std::string>> blocks;
    std::string block;
    for (const std::string& l : lines(run(program.toLocal8Bit().constData(), {QString::fromStdString(file), QString::fromStdString(object)}))) {
        if (l.rfind("name: ", 0) == 0) {
            block = l.substr(6);
            blocks[block];
        } else if (l.size() > 1 && l[0] == '\t') {
            const auto colon = l.find(": ");
            blocks[block][l.substr(1, colon - 1)] = colon == std::string::npos ? "" : l.substr(colon + 2);
        }
    }
    return blocks;
}

// A property as mdb-prop prints it.
std::string printed(const Property& p)
{
    switch (p.type) {
    case ColumnType::Text:
    case ColumnType::Memo: return p.value.textValue;
    case ColumnType::YesNo: return p.value.integerValue ? "yes" : "no";
    case ColumnType::Binary:
    case ColumnType::OleObject: return "(binary data of length " + std::to_string(p.value.bytesValue.size()) + ")";
    default: return std::to_string(p.value.integerValue);
    }
}

TEST_P(Writer, PropertyBlocksInlineOnOnePageAndChained)
{
    const std::string f = file("eigenschaften.mdb");
    std::vector<ObjectProperties> objects;
    {
        Database db(f, GetParam());
        objects = writePropertyTables(db);
        db.finish();
    }
    ASSERT_EQ(objects.size(), 3u);
    const int limit = longValueRowLimit(GetParam());
    EXPECT_LE(propertyBlock(GetParam(), objects[0].blocks).size(), 64u);
    EXPECT_GT(propertyBlock(GetParam(), objects[1].blocks).size(), 64u);
    EXPECT_LE(propertyBlock(GetParam(), objects[1].blocks).size(), std::size_t(limit));
    EXPECT_GT(propertyBlock(GetParam(), objects[2].blocks).size(), std::size_t(2 * limit));

    EXPECT_EQ(run(MDB_TABLES, {QStringLiteral("-1"), QString::fromStdString(f)}), "Klein\nMittel\nBreit\n");
    for (const ObjectProperties& o : objects) {
        std::map<std::string, std::map<std::string, std::string>> expected;
        for (const PropertyBlock& b : o.blocks)
            for (const Property& p : b.properties)
                expected[b.column.empty() ? "(none)" : b.column][p.name] = p.name == "GUID" ? "{A3A2A1A0-A5A4-A7A6-A8A9AAABACADAEAF}" : printed(p);
        EXPECT_EQ(readProperties(f, o.object), expected) << o.object;
    }
}

INSTANTIATE_TEST_SUITE_P(Jet, Writer, ::testing::Values(Format::Jet4, Format::Jet3),
                         [](const auto& info) { return info.param == Format::Jet4 ? std::string("Jet4") : std::string("Jet3"); });

TEST(WriterLarge, TableBeyondOneUsageMapIsReadCompletely)
{
    // Enough pages that the usage map needs bitmap pages of its own.
    QTemporaryDir dir;
    const std::string f = dir.filePath(QStringLiteral("gross.mdb")).toStdString();
    const long long rowCount = 60000;
    {
        Database db(f, Format::Jet4);
        writeBenchTable(db, "Bench", rowCount, 3);
        db.finish();
    }
    const auto rows = lines(run(MDB_EXPORT, {QStringLiteral("-H"), QStringLiteral("-Q"), QString::fromStdString(f), QStringLiteral("Bench")}));
    // Memo values do not contain line breaks here, so one line is one row.
    ASSERT_EQ(rows.size(), std::size_t(rowCount));
    EXPECT_EQ(rows.front().substr(0, 2), "1,");
    EXPECT_EQ(rows.back().substr(0, 6), "60000,");
}

TEST(WriterErrors, RefusesValuesThatDoNotFit)
{
    QTemporaryDir dir;
    Database db(dir.filePath(QStringLiteral("f.mdb")).toStdString(), Format::Jet4);
    const int t = db.addTable("T", {{"Nr", ColumnType::Byte}, {"Text", ColumnType::Text, 3}});
    EXPECT_THROW(db.addRow(t, {Cell::integer(1)}), Error);
    EXPECT_THROW(db.addRow(t, {Cell::integer(256), Cell::text("a")}), Error);
    EXPECT_THROW(db.addRow(t, {Cell::integer(1), Cell::text("abcd")}), Error);
    EXPECT_THROW(db.addRow(t, {Cell::text("1"), Cell::text("a")}), Error);
    EXPECT_NO_THROW(db.addRow(t, {Cell::integer(1), Cell::text("äöü")}));
    EXPECT_THROW(db.addTable("t", {{"A", ColumnType::Long}}), Error);
    EXPECT_THROW(db.addTable("U", {{"A", ColumnType::Long}, {"a", ColumnType::Long}}), Error);
    db.finish();
    EXPECT_THROW(db.addRow(t, {Cell::integer(1), Cell::text("a")}), Error);
}

TEST(WriterErrors, RefusesChangesThatDoNotFit)
{
    QTemporaryDir dir;
    Database db(dir.filePath(QStringLiteral("f.mdb")).toStdString(), Format::Jet4);
    const int t = db.addTable("T", {{"A", ColumnType::Long}, {"B", ColumnType::Text, 5}});
    db.deleteColumn(t, "b");
    EXPECT_THROW(db.addRow(t, {Cell::integer(1), Cell::text("x")}), Error);
    EXPECT_NO_THROW(db.addRow(t, {Cell::integer(1)}));
    EXPECT_THROW(db.addRow(t, {Cell::integer(2)}, RowState::Moved, {Cell::integer(2), Cell::null()}), Error);
    EXPECT_THROW(db.deleteColumn(t, "B"), Error);
    EXPECT_THROW(db.deleteColumn(t, "A"), Error);  // a table keeps one column
    EXPECT_NO_THROW(db.addColumn(t, {"b", ColumnType::Long}));  // the deleted column's name is free again
    EXPECT_THROW(db.addColumn(t, {"a", ColumnType::Long}), Error);
    EXPECT_THROW(db.deleteColumn(0, "Name"), Error);  // the catalogue is not the caller's
    EXPECT_THROW(db.setProperties("Fehlt", {}), Error);
    EXPECT_THROW(db.setProperties("T", {{"", {{"Breite", ColumnType::Long, Cell::text("1")}}}}), Error);
    EXPECT_THROW(db.setProperties("T", {{"A", {{"Breite", ColumnType::Byte, Cell::integer(256)}}}}), Error);
    db.finish();
    EXPECT_THROW(db.deleteColumn(t, "A"), Error);
    EXPECT_THROW(db.setProperties("T", {}), Error);
}

TEST(Description, BuildsTheDatabaseItDescribes)
{
    QTemporaryDir dir;
    const std::string f = dir.filePath(QStringLiteral("b.mdb")).toStdString();
    buildFromDescription("# Test\nformat\tjet3\ntabelle\tKunden Alt\nspalte\tNr\tlong\nspalte\tName\ttext\t20\n"
                         "spalte\tBetrag\twaehrung\nspalte\tSeit\tdatum\nspalte\tAktiv\tjanein\nspalte\tNotiz\tmemo\n"
                         "zeile\t1\tMüller\t12,5\t1974-09-21 13:05\twahr\tZeile 1\\r\\nZeile 2\n"
                         "zeile\t2\t\\N\t-0.0001\t\\N\tfalsch\t\\N\nabfrage\tAlle\n",
                         f);
    EXPECT_EQ(run(MDB_TABLES, {QStringLiteral("-1"), QStringLiteral("-t"), QStringLiteral("query"), QString::fromStdString(f)}),
              "Alle\n");
    EXPECT_EQ(exportTable(f, "Kunden Alt"), "1|Müller|12.5000|1974-09-21 13:05:00|1|Zeile 1\r\nZeile 2\n"
                                            "2|NULL|-0.0001|NULL|0|NULL\n");

    try {
        buildFromDescription("tabelle\tT\nspalte\tA\tlong\nzeile\tx\n", f);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "line 3: not a whole number: x");
    }
    EXPECT_THROW(buildFromDescription("tabelle\tT\nspalte\tA\tzahl\n", f), Error);
    EXPECT_THROW(buildFromDescription("tabelle\tT\nspalte\tA\tlong\nzeile\t1\t2\n", f), Error);
    EXPECT_THROW(buildFromDescription("tabelle\tT\nspalte\tA\twaehrung\nzeile\t1,23456\n", f), Error);
}

TEST(Description, DemoDatabaseIsComplete)
{
    std::ifstream in(BEISPIEL_BESCHREIBUNG);
    std::ostringstream text;
    text << in.rdbuf();
    QTemporaryDir dir;
    const std::string f = dir.filePath(QStringLiteral("Beispiel.mdb")).toStdString();
    buildFromDescription(text.str(), f);
    EXPECT_EQ(run(MDB_TABLES, {QStringLiteral("-1"), QString::fromStdString(f)}), "Kunden\nArtikel\nBestellungen\n");
    const std::string kunden = exportTable(f, "Kunden");
    EXPECT_NE(kunden.find("Müller"), std::string::npos);
    EXPECT_NE(kunden.find("NULL"), std::string::npos);
    EXPECT_NE(kunden.find("\r\n"), std::string::npos);
}

}  // namespace
