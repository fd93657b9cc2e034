// The Jet writer checked against mdbtools' own programs as an independent
// reader, where the reader's tests take the writer's word: the catalogue
// with queries and system tables, and the description language that builds
// the demo database. Every type, wide and long tables and the structures of
// worked-on files are compared with mdb-export in the reader's matrix
// (tests/database/test_strukturen.cpp).

#include "Beschreibung.h"
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

std::string tables(const std::string& file, const char* type = "table", bool system = false)
{
    QStringList a{QStringLiteral("-1"), QStringLiteral("-t"), QString::fromLatin1(type), QString::fromStdString(file)};
    return run(MDB_TABLES, system ? a << QStringLiteral("-S") : a);
}

std::string exportTable(const std::string& file, const char* table)
{
    return run(MDB_EXPORT, {QStringLiteral("-H"), QStringLiteral("-Q"), QStringLiteral("-d"), QStringLiteral("|"), QStringLiteral("-0"),
                            QStringLiteral("NULL"), QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"),
                            QString::fromStdString(file), QString::fromUtf8(table)});
}

class Writer : public ::testing::TestWithParam<Format> {};

TEST_P(Writer, CatalogueListsTablesQueriesAndSystemTablesInOrder)
{
    QTemporaryDir dir;
    const std::string f = dir.filePath(QStringLiteral("katalog.mdb")).toStdString();
    {
        Database db(f, GetParam());
        db.addTable("Zeta", {{"A", ColumnType::Long}});
        db.addQuery("Abfrage Eins");
        db.addTable("Kunden Alt", {{"A", ColumnType::Long}});
        db.addSystemTable("MSysEigene", {{"A", ColumnType::Long}});
        db.addTable("Äpfel", {{"A", ColumnType::Long}});
        db.finish();
    }
    EXPECT_EQ(tables(f), "Zeta\nKunden Alt\nÄpfel\n");
    EXPECT_EQ(tables(f, "table", true), "MSysObjects\nZeta\nKunden Alt\nMSysEigene\nÄpfel\n");
    EXPECT_EQ(tables(f, "query"), "Abfrage Eins\n");
}

INSTANTIATE_TEST_SUITE_P(Jet, Writer, ::testing::Values(Format::Jet4, Format::Jet3),
                         [](const auto& info) { return info.param == Format::Jet4 ? std::string("Jet4") : std::string("Jet3"); });

// A description with every kind of value, one with a faulty line, and the
// demo database beside the program.
TEST(Description, BuildsTheDatabaseItDescribes)
{
    QTemporaryDir dir;
    const std::string f = dir.filePath(QStringLiteral("b.mdb")).toStdString();
    buildFromDescription("# Test\nformat\tjet3\ntabelle\tKunden Alt\nspalte\tNr\tlong\nspalte\tName\ttext\t20\n"
                         "spalte\tBetrag\twaehrung\nspalte\tSeit\tdatum\nspalte\tAktiv\tjanein\nspalte\tNotiz\tmemo\n"
                         "zeile\t1\tMüller\t12,5\t1974-09-21 13:05\twahr\tZeile 1\\r\\nZeile 2\n"
                         "zeile\t2\t\\N\t-0.0001\t\\N\tfalsch\t\\N\nabfrage\tAlle\n",
                         f);
    EXPECT_EQ(tables(f, "query"), "Alle\n");
    EXPECT_EQ(exportTable(f, "Kunden Alt"),
              "1|Müller|12.5000|1974-09-21 13:05:00|1|Zeile 1\r\nZeile 2\n2|NULL|-0.0001|NULL|0|NULL\n");
    try {
        buildFromDescription("tabelle\tT\nspalte\tA\tlong\nzeile\tx\n", f);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "line 3: not a whole number: x");
    }

    std::ifstream in(BEISPIEL_BESCHREIBUNG);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string beispiel = dir.filePath(QStringLiteral("Beispiel.mdb")).toStdString();
    buildFromDescription(text.str(), beispiel);
    EXPECT_EQ(tables(beispiel), "Kunden\nArtikel\nBestellungen\n");
    const std::string kunden = exportTable(beispiel, "Kunden");
    for (const char* teil : {"Müller", "NULL", "\r\n"})
        EXPECT_NE(kunden.find(teil), std::string::npos) << teil;
}

}  // namespace
