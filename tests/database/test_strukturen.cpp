// Files of the Jet writer read three ways: by the reader in this process, by
// the reader process and by mdbtools' mdb-export as the independent reader.
// Every column type with its extremes, and what Access leaves in files that
// have been worked on: moved and deleted rows, deleted and added columns,
// long values in every place, property blocks in the catalogue. Every row
// and every value, in the order Access shows them.

#include "Leser.h"
#include "MdbExport.h"
#include "MdbWriter.h"
#include "Strukturen.h"
#include "Zeilen.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

using namespace Datenzugriff;
using namespace mdbwriter;

namespace {

enum class Art { ImProzess, Leserprozess, MdbExport };
enum class Fall { AlleTypen, Verschoben, Spalten, LangeWerte, Eigenschaften };

QByteArray bytes(const std::vector<std::uint8_t>& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())); }

// A value as the reader must return what was written into a column of this type.
Wert soll(const Cell& c, ColumnType typ)
{
    switch (c.kind) {
    case Cell::Kind::Null: return typ == ColumnType::YesNo ? Wert::vonJaNein(false) : Wert::null();
    case Cell::Kind::Integer: return Wert::vonGanzzahl(c.integerValue);
    case Cell::Kind::Real: return typ == ColumnType::Single ? Wert::vonSingle(float(c.realValue)) : Wert::vonDouble(c.realValue);
    case Cell::Kind::Text: return Wert::vonText(QString::fromStdString(c.textValue));
    case Cell::Kind::Bytes: return Wert::vonBinaer(bytes(c.bytesValue));
    case Cell::Kind::Currency: return Wert::vonWaehrung(c.integerValue);
    case Cell::Kind::Date: return Wert::vonDatum(c.realValue);
    case Cell::Kind::YesNo: return Wert::vonJaNein(c.integerValue != 0);
    case Cell::Kind::Guid: return Wert::vonGuid(c.guidValue);
    }
    return Wert::null();
}

// The rows as Zeilen::zeilen gives them, of the columns in auswahl.
std::vector<QString> erwartet(const TableContent& t, const std::vector<int>& auswahl)
{
    std::vector<QString> z;
    for (const auto& row : t.rows) {
        z.emplace_back();
        for (int s : auswahl)
            z.back() += Zeilen::fingerabdruck(soll(row[std::size_t(s)], t.columns[std::size_t(s)].type)) + u'|';
    }
    return z;
}

// Every row in order, blockwise and by record number, in table order and
// with the columns the other way round.
void pruefeTabelle(Leser& l, const TableContent& t)
{
    const QString name = QString::fromStdString(t.name);
    const auto spalten = l.spalten(name);
    ASSERT_EQ(spalten.size(), t.columns.size()) << t.name;
    for (std::size_t s = 0; s < spalten.size(); ++s)
        EXPECT_EQ(spalten[s].name.toStdString(), t.columns[s].name);
    EXPECT_EQ(l.gespeicherteZeilenanzahl(name), std::int64_t(t.rows.size())) << t.name;

    std::vector<int> vorwaerts, rueckwaerts;
    for (int s = 0; s < int(spalten.size()); ++s) {
        vorwaerts.push_back(s);
        rueckwaerts.insert(rueckwaerts.begin(), s);
    }
    for (const auto& auswahl : {vorwaerts, rueckwaerts}) {
        const std::vector<QString> soll = erwartet(t, auswahl);
        const CursorNummer c = l.cursorOeffnen(name, auswahl);
        std::vector<QString> ist;
        ZeilenBlock b;
        while (l.naechsterBlock(c, b, 7))
            for (const QString& z : Zeilen::zeilen(b))
                ist.push_back(z);
        ASSERT_EQ(ist.size(), soll.size()) << t.name;
        for (std::size_t n = 0; n < soll.size(); ++n)
            ASSERT_EQ(ist[n], soll[n]) << t.name << ", row " << n;  // the first row that differs, not thousands

        // Record numbers count the rows in the same order, moved rows included.
        EXPECT_EQ(l.gezaehlteZeilen(c), std::int64_t(t.rows.size()));
        std::vector<Wert> werte;
        for (std::size_t n = 0; n < t.rows.size(); ++n) {
            if (!t.moved[n] && n % 13 != 0 && n + 1 != t.rows.size())
                continue;
            ASSERT_TRUE(l.zeile(c, std::int64_t(n), werte)) << t.name << " row " << n;
            QString z;
            for (const Wert& w : werte)
                z += Zeilen::fingerabdruck(w) + u'|';
            ASSERT_EQ(z, soll[n]) << t.name << " row " << n;
        }
        EXPECT_FALSE(l.zeile(c, std::int64_t(t.rows.size()), werte));
        const int von = int(t.rows.size()) / 3;
        const int anzahl = l.zeilenBereich(c, von, 20, b);
        ASSERT_EQ(anzahl, std::min(20, int(t.rows.size()) - von));
        EXPECT_EQ(Zeilen::zeilen(b), std::vector<QString>(soll.begin() + von, soll.begin() + von + anzahl)) << t.name;
        l.cursorSchliessen(c);
    }
}

// mdb-export lists a moved row where its data lies: every row once, and the
// moved and the other rows each in the order written. Column 0 tells the
// rows apart. Values as Echtdaten::vergleichen judges them; bytes exactly.
void gegenMdbExport(const QString& datei, const TableContent& t)
{
    const QString name = QString::fromStdString(t.name);
    const Echtdaten::MdbTabelle m = Echtdaten::mdbExport(datei, name);
    ASSERT_EQ(m.spalten.size(), qsizetype(t.columns.size())) << t.name;
    for (std::size_t s = 0; s < t.columns.size(); ++s)
        EXPECT_EQ(m.spalten[qsizetype(s)].toStdString(), t.columns[s].name);
    ASSERT_EQ(m.zeilen.size(), t.rows.size()) << t.name;
    std::map<QString, std::size_t> nachSchluessel;
    for (std::size_t n = 0; n < t.rows.size(); ++n)
        nachSchluessel[Zeilen::fingerabdruck(soll(t.rows[n][0], t.columns[0].type))] = n;
    std::vector<std::size_t> reihenfolge[2];
    std::vector<bool> gedruckt;
    for (std::size_t p = 0; p < m.zeilen.size(); ++p) {
        const auto& feld = m.zeilen[p][0];
        const auto it = nachSchluessel.find(Zeilen::fingerabdruck(feld ? Wert::vonGanzzahl(feld->toLongLong()) : Wert::null()));
        ASSERT_NE(it, nachSchluessel.end()) << t.name << ": printed row " << p;
        const std::size_t n = it->second;
        reihenfolge[t.moved[n]].push_back(n);
        gedruckt.push_back(t.moved[n]);
        for (std::size_t s = 0; s < t.columns.size(); ++s) {
            const Wert w = soll(t.rows[n][s], t.columns[s].type);
            const auto& f = m.zeilen[p][s];
            // libmdb prints a Binary column (not OLE) up to its first zero byte.
            if (w.art == WertArt::Binaer)
                EXPECT_EQ(f.value_or(QString()).toUpper().toStdString(),
                          (t.columns[s].type == ColumnType::Binary ? w.binaer.split('\0').front() : w.binaer).toHex().toUpper().toStdString())
                    << t.name << " row " << n << " column " << s;
            else
                EXPECT_TRUE(Echtdaten::vergleichen(w, f).gleich)
                    << t.name << " row " << n << " column " << s << ": " << Echtdaten::anzeige(f).toStdString();
        }
    }
    for (bool verschoben : {false, true}) {
        const auto& r = reihenfolge[verschoben];
        EXPECT_TRUE(std::is_sorted(r.begin(), r.end())) << t.name;
        EXPECT_EQ(r.size(), std::size_t(std::count(t.moved.begin(), t.moved.end(), verschoben))) << t.name;
    }
    // Within one page the moved rows' data lies on the next page: listed last.
    if (t.rows.size() < 20) {
        EXPECT_TRUE(std::is_sorted(gedruckt.begin(), gedruckt.end())) << t.name;
    }
}

class Strukturen : public ::testing::TestWithParam<std::tuple<Format, Art, Fall>> {};

TEST_P(Strukturen, EveryRowAndValueAsWritten)
{
    const auto [format, art, fall] = GetParam();
    QTemporaryDir dir;
    const QString pfad = dir.filePath(QStringLiteral("s.mdb"));
    std::vector<TableContent> tabellen;
    std::vector<ObjectProperties> objekte;
    {
        Database db(pfad.toStdString(), format);
        switch (fall) {
        case Fall::AlleTypen:
            tabellen.push_back(writeAllTypes(db, format, "Alle Typen"));
            tabellen.push_back(writeWideRow(db, "Breit"));
            tabellen.push_back(writeRowLengths(db, "Zeilenlängen"));
            break;
        case Fall::Verschoben:
            tabellen.push_back(writeMovedRows(db, "Eine Seite", 12));
            tabellen.push_back(writeMovedRows(db, "Viele Seiten", 3000));
            tabellen.push_back(writeAllRowsMoved(db, "Alle verschoben", 600));
            // Rows 2 and 7 of twelve are moved; 3, 5, 6 and 10 deleted in their three forms.
            ASSERT_EQ(tabellen[0].moved, (std::vector<bool>{false, false, true, false, true, false, false, false}));
            break;
        case Fall::Spalten: tabellen.push_back(writeChangedColumns(db, "Geändert")); break;
        case Fall::LangeWerte: tabellen.push_back(writeLongValues(db, format, "Lange Werte")); break;  // both sides of every limit
        case Fall::Eigenschaften:
            objekte = writePropertyTables(db);
            tabellen.push_back(writeMovedRows(db, "Daten", 40));
            db.addQuery("Abfrage");
            db.setProperties("Daten", objekte[1].blocks);
            db.setProperties("Abfrage", objekte[0].blocks);
            break;
        }
        db.finish();
    }
    QStringList namen;
    for (const ObjectProperties& o : objekte)
        namen << QString::fromStdString(o.object);
    for (const TableContent& t : tabellen)
        namen << QString::fromStdString(t.name);

    if (art == Art::MdbExport) {
        EXPECT_EQ(Echtdaten::mdbTabellen(pfad), namen);
        for (const TableContent& t : tabellen)
            gegenMdbExport(pfad, t);
        return;
    }
    auto l = art == Art::ImProzess ? erzeugeMdbLeser() : erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM));
    l->oeffnen(pfad);
    QStringList katalog;
    for (const KatalogEintrag& e : l->katalog())
        if (e.typ == QLatin1String("TABLE"))
            katalog << e.name;
    EXPECT_EQ(katalog, namen);
    for (const TableContent& t : tabellen)
        pruefeTabelle(*l, t);
}

std::string name(const ::testing::TestParamInfo<std::tuple<Format, Art, Fall>>& info)
{
    static const char* const arten[] = {"ImProzess", "Leserprozess", "MdbExport"};
    static const char* const faelle[] = {"AlleTypen", "Verschoben", "Spalten", "LangeWerte", "Eigenschaften"};
    return std::string(std::get<0>(info.param) == Format::Jet4 ? "Jet4" : "Jet3") + arten[int(std::get<1>(info.param))]
         + faelle[int(std::get<2>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Leser, Strukturen,
                         ::testing::Combine(::testing::Values(Format::Jet3, Format::Jet4),
                                            ::testing::Values(Art::ImProzess, Art::Leserprozess, Art::MdbExport),
                                            ::testing::Values(Fall::AlleTypen, Fall::Verschoben, Fall::Spalten, Fall::LangeWerte,
                                                              Fall::Eigenschaften)),
                         name);

}  // namespace
