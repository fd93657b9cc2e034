// Our reader, through the reader process as the program uses it, against
// mdbtools' mdb-export on real Access files: the catalogue, every table's
// columns and types, its row count and every value. One test per file, so
// that CTest runs them side by side. Where libmdb is known to print a value
// wrongly, MdbExport.h names the case and what is still checked; every such
// value is counted in the test's output, none is passed over silently.

#include "Datenzugriff.h"
#include "Echtdaten.h"
#include "Fehler.h"
#include "MdbExport.h"
#include "Werttext.h"


#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iostream>

using namespace Datenzugriff;
using namespace Echtdaten;

namespace {

// Tables with moved rows (a row that grew and no longer fitted its page;
// its slot keeps a pointer to where its data now lies). mdb-export lists
// such a row where its data lies, late in its scan; our reader lists it
// where its slot stands, as Access does (the order Jackcess's overflow test
// reads; overflowTestV1997.mdb, which mdb-export lists in that order too, is
// compared row by row). For each of our rows, the row of mdb-export holding it.
struct Umstellung {
    const char* datei;
    const char* tabelle;
    std::vector<std::size_t> mdbZeile;  // 1-based
};
const Umstellung tabellenMitVerschobenenZeilen[] = {
    {"overflowTestV2003.mdb", "Table1", {1, 2, 6, 3, 7, 4, 5}},
    {"extDateTestV2019.accdb", "Table1", {1, 2, 3, 4, 5, 6, 8, 9, 7}},
};

// Files encrypted with a password (Access 2007 and newer): they must say so.
const QStringList verschluesselteDateien = {QStringLiteral("db2007-enc.accdb"), QStringLiteral("db2013-enc.accdb")};

// Columns that libmdb 1.0 cannot read (Access 2007+ types: calculated,
// multi-value, attachment, Date/Time Extended), with their value texts
// (German) written down in our row order; nullptr for Null, "" for a value
// without text. Where they come from: calculated columns evaluate the
// expression the file stores for them on the row's other columns (for
// example MonthlySalary = [Salary]/12, FloatTest = [Salary]*0.13/[DecimalTest]
// as Single); DateExt is what the table's own text column DateExtStr says of
// the same row, DateNormalCalc (= [DateNormal]) what DateNormal holds; the
// multi-values and file names are the rows of the hidden tables as mdb-export
// lists them (f_…_multi-value-data, f_…_attach-data) for the row's key;
// columns of unknown types have no value text, Null where the row's null
// mask says so (mdb-export prints such values as Null or empty at random).
struct Aufgeschrieben {
    const char* datei;
    const char* tabelle;
    const char* spalte;
    std::vector<const char*> werte;
};
const std::vector<Aufgeschrieben> aufgeschriebeneSpalten = {
    {"calcFieldTestV2010.accdb", "Table1", "LastFirst", {"Wayne, Bruce", "Simpson, Bart", "Doe, John", "User, Test"}},
    {"calcFieldTestV2010.accdb", "Table1", "LastFirstLen", {"12", "13", "9", "10"}},
    {"calcFieldTestV2010.accdb", "Table1", "MonthlySalary", {"83333,3333", "-0,0833", "0", "8,3333"}},
    {"calcFieldTestV2010.accdb", "Table1", "IsRich", {"Wahr", "Falsch", "Falsch", "Falsch"}},
    {"calcFieldTestV2010.accdb", "Table1", "AllNames",
     {"Wayne, Bruce=Wayne, Bruce", "Simpson, Bart=Simpson, Bart", "Doe, John=Doe, John", "User, Test=User, Test"}},
    {"calcFieldTestV2010.accdb", "Table1", "WeeklySalary", {"19230,7692307692", "-0,0192307692307692", "0", "1,92307692307692"}},
    {"calcFieldTestV2010.accdb", "Table1", "SalaryTest", {"1000000", "-1", "0", "100"}},
    {"calcFieldTestV2010.accdb", "Table1", "BoolTest", {"Wahr", "Wahr", "Wahr", "Wahr"}},
    {"calcFieldTestV2010.accdb", "Table1", "DecimalTest", {"50,325", "-36,2222", "0,0123", "102030405060,654321"}},
    {"calcFieldTestV2010.accdb", "Table1", "FloatTest", {"2583,209", "0,003588959", "0", "1,27413E-10"}},
    {"calcFieldTestV2010.accdb", "Table1", "BigNumTest",
     {"56505085819,42479129657228018", "-0,0784734499180612994241100748", "0", "0,000000278701928982421698083"}},
    {"complexDataTestV2007.accdb", "Table1", "VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880", {"", "", "", ""}},
    {"complexDataTestV2007.accdb", "Table1", "multi-value-data", {nullptr, "value1, value4", "value1, value2, value3, value4", nullptr}},
    {"complexDataTestV2007.accdb", "Table1", "attach-data", {nullptr, "test_data.txt, test_data2.txt", nullptr, "test_data2.txt"}},
    {"unsupportedFieldsTestV2007.accdb", "Test", "UnknownVar", {"", "", nullptr}},
    {"unsupportedFieldsTestV2007.accdb", "Test", "UnknownFix", {"", "", ""}},
    // Multi-values of an unknown type: rows 1 and 2 have values (keys 1, 2, 2 in
    // f_…_UnknownComplex), without text; row 3 has none.
    {"unsupportedFieldsTestV2007.accdb", "Test", "UnknownComplex", {"", "", nullptr}},
    {"extDateTestV2019.accdb", "Table1", "DateExt",
     {"17.06.2020", "14.06.2021", "14.06.2021 12:45:00", "14.06.2021 01:45:00", nullptr, "14.06.2021 22:45:12,3456789",
      "14.06.1765 12:45:00", "14.06.0100 12:45:00,1234567", "14.06.1265 12:45:00"}},
    {"extDateTestV2019.accdb", "Table1", "DateNormalCalc",
     {"17.06.2020", "14.06.2021", "14.06.2021 12:45:00", "14.06.2021 01:45:00", nullptr, "14.06.2021 22:45:12",
      "14.06.1765 12:45:00", "14.06.0100 12:45:00", "14.06.1265 12:45:00"}},
};

// The entry of a list for this file and table (and column), or nullptr.
template <class Liste, class... Namen>
const auto* eintrag(const Liste& liste, const QString& datei, const QString& tabelle, const Namen&... spalte)
{
    const auto it = std::find_if(std::begin(liste), std::end(liste), [&](const auto& e) {
        return datei == QLatin1String(e.datei) && tabelle == QLatin1String(e.tabelle) && ((spalte == QLatin1String(e.spalte)) && ...);
    });
    return it == std::end(liste) ? nullptr : &*it;
}

using Zeile = std::vector<Wert>;
using Abweichungen = std::array<int, std::size_t(Abweichung::Anzahl_)>;

// One table against mdb-export: its columns with their types (mdb-schema),
// the written-down columns, every row; the named divergences of libmdb met
// on the way are counted into the test's output.
void tabelleVergleichen(Connection& c, const EchteDatei& d, const QString& tabelle)
{
    const QString ort = d.name + QStringLiteral(", Tabelle ") + tabelle;
    int fehlerzahl = 0;
    const auto fehler = [&](const QString& text) {
        if (++fehlerzahl <= 20)
            ADD_FAILURE() << ort.toStdString() << ": " << text.toStdString();
    };
    Recordset r;
    r.Open(QStringLiteral("Select * from [") + tabelle + QStringLiteral("];"), c, adOpenDynamic, adLockOptimistic);
    QStringList spalten;
    for (int i = 0; i < r.fields().Count(); ++i)
        spalten << r.fields().Item(i).Name();
    std::vector<Zeile> unsere;
    for (; !r.Eof(); r.MoveNext())
        unsere.emplace_back(r.aktuelleZeile(), r.aktuelleZeile() + spalten.size());
    MdbTabelle m = mdbExport(d.pfad, tabelle);
    if (spalten != m.spalten)
        return fehler(QStringLiteral("Spalten %1, mdb-export %2").arg(spalten.join(u'|'), m.spalten.join(u'|')));

    const auto schema = mdbSchema(d.pfad, tabelle);
    if (schema.size() != std::size_t(spalten.size()))
        fehler(QStringLiteral("%1 Spalten, mdb-schema %2").arg(spalten.size()).arg(schema.size()));
    const Werttext werttext{QLocale(QLocale::German, QLocale::Germany)};
    int aufgeschriebenGeprueft = 0;
    for (int s = 0; s < spalten.size(); ++s) {
        const Aufgeschrieben* a = eintrag(aufgeschriebeneSpalten, d.name, tabelle, spalten[s]);
        const QString typ = schemaTyp(r.fields().Item(s).spalte());
        // libmdb misreads a written-down column, its type too (a calculated column's result type).
        if (!a && std::size_t(s) < schema.size() && (schema[std::size_t(s)].name != spalten[s] || !schema[std::size_t(s)].typ.startsWith(typ)))
            fehler(QStringLiteral("Spalte %1: Typ %2, mdb-schema %3 %4").arg(spalten[s], typ, schema[std::size_t(s)].name, schema[std::size_t(s)].typ));
        if (!a)
            continue;
        // The written-down column against its values; the comparison with mdb-export then passes over it.
        if (a->werte.size() != unsere.size())
            fehler(QStringLiteral("%1 Zeilen, aufgeschrieben für %2: %3").arg(unsere.size()).arg(spalten[s]).arg(a->werte.size()));
        for (std::size_t z = 0; z < std::min(unsere.size(), a->werte.size()); ++z) {
            Wert& w = unsere[z][std::size_t(s)];
            const char* soll = a->werte[z];
            if (soll ? w.istNull() || werttext.text(w) != QString::fromUtf8(soll) : !w.istNull())
                fehler(QStringLiteral("Zeile %1, Spalte %2: unser Wert %3, aufgeschrieben %4")
                           .arg(z + 1).arg(spalten[s], anzeige(w), soll ? QString::fromUtf8(soll) : QStringLiteral("Null")));
            w = Wert::null();
        }
        for (auto& zeile : m.zeilen)
            if (std::size_t(s) < zeile.size())
                zeile[std::size_t(s)] = std::nullopt;
        ++aufgeschriebenGeprueft;
    }

    if (unsere.size() != m.zeilen.size())
        fehler(QStringLiteral("%1 Zeilen, mdb-export %2").arg(unsere.size()).arg(m.zeilen.size()));
    const Umstellung* umgestellt = eintrag(tabellenMitVerschobenenZeilen, d.name, tabelle);
    const auto* um = umgestellt ? &umgestellt->mdbZeile : nullptr;
    if (um && um->size() != unsere.size())
        fehler(QStringLiteral("%1 Zeilen, umgestellt %2").arg(unsere.size()).arg(um->size()));
    Abweichungen abweichungen{};
    for (std::size_t i = 0; i < unsere.size(); ++i) {
        const std::size_t j = um && i < um->size() ? um->at(i) - 1 : i;
        if (j >= m.zeilen.size())
            continue;
        if (unsere[i].size() != m.zeilen[j].size())
            fehler(QStringLiteral("Zeile %1: %2 Werte, mdb-export %3").arg(i + 1).arg(unsere[i].size()).arg(m.zeilen[j].size()));
        for (std::size_t k = 0; k < std::min(unsere[i].size(), m.zeilen[j].size()); ++k) {
            const Urteil u = vergleichen(unsere[i][k], m.zeilen[j][k]);
            ++abweichungen[std::size_t(u.abweichung)];
            if (!u.gleich) {
                fehler(QStringLiteral("Zeile %1, Spalte %2: unser Wert %3, mdb-export (Zeile %4) %5")
                           .arg(i + 1).arg(spalten.value(qsizetype(k)), anzeige(unsere[i][k])).arg(j + 1).arg(anzeige(m.zeilen[j][k])));
                break;  // the first column where the rows differ
            }
        }
    }

    QString bericht = ort + QStringLiteral(": %1 Zeilen × %2 Spalten").arg(unsere.size()).arg(spalten.size());
    if (um)
        bericht += QStringLiteral(", in umgestellter Reihenfolge verglichen (verschobene Zeilen)");
    for (std::size_t a = 1; a < abweichungen.size(); ++a)
        if (abweichungen[a] > 0)
            bericht += QStringLiteral("; %1 Werte: %2").arg(abweichungen[a]).arg(abweichungsText(Abweichung(a)));
    if (aufgeschriebenGeprueft > 0)
        bericht += QStringLiteral("; %1 Spalten gegen aufgeschriebene Werte (libmdb liest sie nicht)").arg(aufgeschriebenGeprueft);
    std::cout << bericht.toStdString() << std::endl;
}

class GegenMdbExport : public ::testing::TestWithParam<EchteDatei> {};

TEST_P(GegenMdbExport, EveryTableReadsLikeMdbExport)
{
    const EchteDatei& d = GetParam();
    std::cout << "Echte Dateien: " << echteDateien().herkunft.toStdString() << std::endl;
    Connection c([] { return erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM)); });
    if (verschluesselteDateien.contains(d.name)) {
        try {
            c.Open(QStringLiteral("DBQ=") + d.pfad + u';');
            ADD_FAILURE() << d.name.toStdString() << ": geöffnet, obwohl verschlüsselt";
        } catch (const DatenzugriffsFehler& e) {
            EXPECT_EQ(e.Number(), FehlerVerschluesselt) << e.what();
            EXPECT_TRUE(e.Description().contains(QStringLiteral("verschlüsselt"))) << e.what();
        }
        return;
    }
    c.Open(QStringLiteral("DBQ=") + d.pfad + u';');
    QStringList tabellen;
    {
        auto katalog = c.OpenSchema(adSchemaTables);
        for (; !katalog->Eof(); katalog->MoveNext())
            if (katalog->fields().Item(QStringLiteral("TABLE_TYPE")).Value().text == QLatin1String("TABLE"))
                tabellen << katalog->fields().Item(QStringLiteral("TABLE_NAME")).Value().text;
    }
    // Moved catalogue rows: the same tables, in an order mdb-tables cannot tell.
    const bool verschoben = katalogHatVerschobeneZeilen(d.pfad);
    if (verschoben)
        std::cout << d.name.toStdString() << ": Katalogzeilen verschoben, Tabellen ohne Reihenfolge verglichen" << std::endl;
    // Access hides every MSys… table (MSysCompactError of a converted file); libmdb goes by the flags.
    QStringList mdbListe = mdbTabellen(d.pfad);
    mdbListe.removeIf([](const QString& n) { return n.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive); });
    EXPECT_EQ(vergleichbareReihenfolge(tabellen, verschoben).join(u'|').toStdString(),
              vergleichbareReihenfolge(mdbListe, verschoben).join(u'|').toStdString())
        << d.name.toStdString();
    if (tabellen.isEmpty())
        std::cout << d.name.toStdString() << ": keine Tabelle" << std::endl;
    for (const QString& t : tabellen) {
        try {
            tabelleVergleichen(c, d, t);
        } catch (const DatenzugriffsFehler& e) {
            ADD_FAILURE() << d.name.toStdString() << ", Tabelle " << t.toStdString() << ": " << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Echt, GegenMdbExport, ::testing::ValuesIn(echteDateien().dateien),
                         [](const ::testing::TestParamInfo<EchteDatei>& i) { return testname(i.param.name); });

}  // namespace
