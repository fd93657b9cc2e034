// The Jet writer checked against mdbtools' own programs as an independent
// reader: what they list and print must be what was written. Every type and
// the structures of worked-on files are in the reader's matrix
// (tests/database/test_strukturen.cpp), which reads them with mdbtools too.

#include "Beschreibung.h"
#include "BenchDaten.h"
#include "MdbWriter.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
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
