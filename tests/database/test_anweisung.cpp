#include "Anweisung.h"

#include <gtest/gtest.h>

using namespace Datenzugriff;

TEST(Anweisung, DieDreiFormenDesProgramms)
{
    auto a = anweisungLesen(QStringLiteral("Select * from [Kunden Alt];"));
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->alleFelder);
    EXPECT_EQ(a->tabelle, QStringLiteral("Kunden Alt"));

    a = anweisungLesen(QStringLiteral("Select * from Kunden;"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->tabelle, QStringLiteral("Kunden"));

    a = anweisungLesen(QStringLiteral("Select [Name],  [Straße Nr],  [Name] from [Größe];"));
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->alleFelder);
    ASSERT_EQ(a->felder.size(), 3u);
    EXPECT_EQ(a->felder[0], QStringLiteral("Name"));
    EXPECT_EQ(a->felder[1], QStringLiteral("Straße Nr"));
    EXPECT_EQ(a->felder[2], QStringLiteral("Name"));
    EXPECT_EQ(a->tabelle, QStringLiteral("Größe"));
}

TEST(Anweisung, SchluesselwoerterOhneRuecksichtAufGrossschreibung)
{
    auto a = anweisungLesen(QStringLiteral("  SELECT   *   FROM   ~tmpListe  ;  "));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->tabelle, QStringLiteral("~tmpListe"));
    EXPECT_TRUE(anweisungLesen(QStringLiteral("select [A] from Tabelle1;")));
}

TEST(Anweisung, WirdAbgelehnt)
{
    for (const char* sql : {"Select * from Kunden Alt;", "Select * from [Kunden];x", "Select * from [Kunden]", "Select * from [];",
                            "Select * from [Kunden;", "Select *from [Kunden];", "Select A from [Kunden];", "Select [A] [B] from [T];",
                            "Select [A], from [T];", "Delete * from [T];", "Select * fromage [T];", "Select * from 1Tabelle;",
                            "Select * from Kunden-Alt;", "", "Select * from [T]; Select * from [U];"}) {
        EXPECT_FALSE(anweisungLesen(QString::fromUtf8(sql))) << sql;
    }
}

// Unbracketed, words of Jet's grammar fail as Jet fails them; in brackets
// they are names like any other. Names of functions and types are no
// keywords of the grammar and open unbracketed.
TEST(Anweisung, SchluesselwoerterNurInKlammernAlsTabellenname)
{
    for (const char* wort : {"Order", "ORDER", "select", "Table", "Group", "Union", "Where", "Key", "Index", "Null", "True"}) {
        const QString name = QString::fromUtf8(wort);
        EXPECT_FALSE(anweisungLesen(QStringLiteral("Select * from ") + name + u';')) << wort;
        const auto a = anweisungLesen(QStringLiteral("Select * from [") + name + QStringLiteral("];"));
        ASSERT_TRUE(a) << wort;
        EXPECT_EQ(a->tabelle, name);
    }
    for (const char* wort : {"Name", "Date", "Text", "Value", "Year", "Orders", "Ordner", "Tables", "Keyword"})
        EXPECT_TRUE(anweisungLesen(QStringLiteral("Select * from ") + QString::fromUtf8(wort) + u';')) << wort;
}

TEST(Verbindungstext, DateiNachDbq)
{
    const QString text = QStringLiteral(
        "Provider=MSDASQL.1;Persist Security Info=False;Mode=ReadWrite;Extended Properties=DSN=ZELK-Access;"
        "DBQ=/home/anna/Daten/kunden.mdb;DefaultDir=/home/anna/Daten/;DriverId=281;FIL=MS Access;MaxBufferSize=2048;"
        "PageTimeout=5;UID=admin;");
    EXPECT_EQ(dateiAusVerbindungstext(text), QStringLiteral("/home/anna/Daten/kunden.mdb"));
    // A semicolon in the directory does not cut the path.
    EXPECT_EQ(dateiAusVerbindungstext(QStringLiteral("DSN=X;DBQ=/tmp/a;b/k.mdb;DefaultDir=/tmp/a;b/;")), QStringLiteral("/tmp/a;b/k.mdb"));
    EXPECT_EQ(dateiAusVerbindungstext(QStringLiteral("dbq=/k.mdb")), QStringLiteral("/k.mdb"));
    EXPECT_TRUE(dateiAusVerbindungstext(QStringLiteral("DSN=ZELK-Access;UID=admin;")).isEmpty());
    EXPECT_TRUE(dateiAusVerbindungstext(QStringLiteral("XDBQ=/k.mdb;")).isEmpty());
}
