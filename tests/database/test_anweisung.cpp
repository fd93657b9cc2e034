#include "Anweisung.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace Datenzugriff;

namespace {

// A statement as "table: *" or "table: field|field", "-" when refused.
std::string gelesen(const QString& sql)
{
    const auto a = anweisungLesen(sql);
    if (!a)
        return "-";
    QStringList felder(a->felder.begin(), a->felder.end());
    return (a->tabelle + QStringLiteral(": ") + (a->alleFelder ? QStringLiteral("*") : felder.join(u'|'))).toStdString();
}

TEST(Anweisung, DieFormenDesProgrammsUndWasAbgelehntWird)
{
    const std::pair<const char*, const char*> faelle[] = {
        {"Select * from [Kunden Alt];", "Kunden Alt: *"},
        {"Select * from Kunden;", "Kunden: *"},
        {"Select [Name],  [Straße Nr],  [Name] from [Größe];", "Größe: Name|Straße Nr|Name"},
        {"  SELECT   *   FROM   ~tmpListe  ;  ", "~tmpListe: *"},
        {"select [A] from Tabelle1;", "Tabelle1: A"},
        {"Select * from Kunden Alt;", "-"}, {"Select * from [Kunden];x", "-"}, {"Select * from [Kunden]", "-"},
        {"Select * from [];", "-"}, {"Select * from [Kunden;", "-"}, {"Select *from [Kunden];", "-"},
        {"Select A from [Kunden];", "-"}, {"Select [A] [B] from [T];", "-"}, {"Select [A], from [T];", "-"},
        {"Delete * from [T];", "-"}, {"Select * fromage [T];", "-"}, {"Select * from 1Tabelle;", "-"},
        {"Select * from Kunden-Alt;", "-"}, {"", "-"}, {"Select * from [T]; Select * from [U];", "-"},
    };
    for (const auto& [sql, soll] : faelle)
        EXPECT_EQ(gelesen(QString::fromUtf8(sql)), soll) << sql;
}

// Unbracketed, words of Jet's grammar fail as Jet fails them; in brackets
// they are names like any other. Names of functions and types are no
// keywords of the grammar and open unbracketed.
TEST(Anweisung, SchluesselwoerterNurInKlammernAlsTabellenname)
{
    for (const char* wort : {"Order", "ORDER", "select", "Table", "Group", "Union", "Where", "Key", "Index", "Null", "True"}) {
        EXPECT_EQ(gelesen(QStringLiteral("Select * from %1;").arg(QLatin1String(wort))), "-");
        EXPECT_EQ(gelesen(QStringLiteral("Select * from [%1];").arg(QLatin1String(wort))), std::string(wort) + ": *");
    }
    for (const char* wort : {"Name", "Date", "Text", "Value", "Year", "Orders", "Ordner", "Tables", "Keyword"})
        EXPECT_EQ(gelesen(QStringLiteral("Select * from %1;").arg(QLatin1String(wort))), std::string(wort) + ": *");
}

TEST(Verbindungstext, DateiNachDbq)
{
    const std::pair<const char*, const char*> faelle[] = {
        {"Provider=MSDASQL.1;Persist Security Info=False;Mode=ReadWrite;Extended Properties=DSN=ZELK-Access;"
         "DBQ=/home/anna/Daten/kunden.mdb;DefaultDir=/home/anna/Daten/;DriverId=281;FIL=MS Access;MaxBufferSize=2048;"
         "PageTimeout=5;UID=admin;",
         "/home/anna/Daten/kunden.mdb"},
        {"DSN=X;DBQ=/tmp/a;b/k.mdb;DefaultDir=/tmp/a;b/;", "/tmp/a;b/k.mdb"},  // a semicolon in the directory
        {"dbq=/k.mdb", "/k.mdb"},
        {"DSN=ZELK-Access;UID=admin;", ""},
        {"XDBQ=/k.mdb;", ""},
    };
    for (const auto& [text, datei] : faelle)
        EXPECT_EQ(dateiAusVerbindungstext(QString::fromUtf8(text)).toStdString(), datei) << text;
}

}  // namespace
