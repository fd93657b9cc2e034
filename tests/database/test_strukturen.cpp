// Both readers, in this process and in the reader process, on what Access
// leaves in files that have been worked on: moved and deleted rows, deleted
// and added columns, long values in every place, property blocks in the
// catalogue. Every row and every value, in the order Access shows them.

#include "Leser.h"
#include "MdbWriter.h"
#include "Strukturen.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <tuple>

using namespace Datenzugriff;
using namespace mdbwriter;

namespace {

QString hex(const QByteArray& b) { return QString::fromLatin1(b.toHex()); }

// Kind and exact content of a value as a reader returns it ...
QString gelesen(const Wert& w)
{
    switch (w.art) {
    case WertArt::Null: return QStringLiteral("Null");
    case WertArt::Text: return QStringLiteral("Text:") + w.text;
    case WertArt::Ganzzahl: return QStringLiteral("Zahl:%1").arg(w.ganzzahl);
    case WertArt::JaNein: return QStringLiteral("JaNein:%1").arg(int(w.janein));
    case WertArt::Binaer: return QStringLiteral("Binär:") + hex(w.binaer);
    case WertArt::Currency: return QStringLiteral("Währung:%1").arg(w.waehrung);
    default: return QStringLiteral("Art %1").arg(int(w.art));
    }
}

// ... and as it was written.
QString geschrieben(const Cell& c, ColumnType typ)
{
    switch (c.kind) {
    case Cell::Kind::Null: return typ == ColumnType::YesNo ? QStringLiteral("JaNein:0") : QStringLiteral("Null");
    case Cell::Kind::Text: return QStringLiteral("Text:") + QString::fromStdString(c.textValue);
    case Cell::Kind::Integer: return QStringLiteral("Zahl:%1").arg(c.integerValue);
    case Cell::Kind::YesNo: return QStringLiteral("JaNein:%1").arg(c.integerValue);
    case Cell::Kind::Currency: return QStringLiteral("Währung:%1").arg(c.integerValue);
    case Cell::Kind::Bytes:
        return QStringLiteral("Binär:")
             + hex(QByteArray(reinterpret_cast<const char*>(c.bytesValue.data()), qsizetype(c.bytesValue.size())));
    default: return QStringLiteral("Art nicht geprüft");
    }
}

using Zeilen = std::vector<std::vector<QString>>;

Zeilen erwartet(const TableContent& t, const std::vector<int>& auswahl)
{
    Zeilen z;
    for (const auto& row : t.rows) {
        z.emplace_back();
        for (int s : auswahl)
            z.back().push_back(geschrieben(row[std::size_t(s)], t.columns[std::size_t(s)].type));
    }
    return z;
}

// The first row that differs, so a failure names it instead of printing thousands.
void vergleiche(const Zeilen& ist, const Zeilen& soll, const std::string& wo)
{
    ASSERT_EQ(ist.size(), soll.size()) << wo;
    for (std::size_t n = 0; n < soll.size(); ++n)
        ASSERT_EQ(ist[n], soll[n]) << wo << ", row " << n;
}

std::vector<QString> zeileAlsText(const ZeilenBlock& b, int z)
{
    std::vector<QString> out;
    for (int s = 0; s < b.spalten; ++s)
        out.push_back(gelesen(b.wert(z, s)));
    return out;
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
        const Zeilen soll = erwartet(t, auswahl);
        const CursorNummer c = l.cursorOeffnen(name, auswahl);
        Zeilen ist;
        ZeilenBlock b;
        while (l.naechsterBlock(c, b, 7))
            for (int z = 0; z < b.zeilen(); ++z)
                ist.push_back(zeileAlsText(b, z));
        vergleiche(ist, soll, t.name + " blockwise");

        // Record numbers count the rows in the same order, moved rows included.
        EXPECT_EQ(l.gezaehlteZeilen(c), std::int64_t(t.rows.size()));
        std::vector<Wert> werte;
        for (std::size_t n = 0; n < t.rows.size(); ++n) {
            if (!t.moved[n] && n % 13 != 0 && n + 1 != t.rows.size())
                continue;
            ASSERT_TRUE(l.zeile(c, std::int64_t(n), werte)) << t.name << " row " << n;
            std::vector<QString> z;
            for (const Wert& w : werte)
                z.push_back(gelesen(w));
            ASSERT_EQ(z, soll[n]) << t.name << " row " << n;
        }
        EXPECT_FALSE(l.zeile(c, std::int64_t(t.rows.size()), werte));
        const int von = int(t.rows.size()) / 3;
        const int anzahl = l.zeilenBereich(c, von, 20, b);
        ASSERT_EQ(anzahl, std::min(20, int(t.rows.size()) - von));
        for (int z = 0; z < anzahl; ++z)
            ASSERT_EQ(zeileAlsText(b, z), soll[std::size_t(von + z)]) << t.name << " range row " << von + z;
        l.cursorSchliessen(c);
    }
}

enum class Art { ImProzess, Leserprozess };

std::unique_ptr<Leser> leser(Art art)
{
    return art == Art::ImProzess ? erzeugeMdbLeser() : erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM));
}

class Strukturen : public ::testing::TestWithParam<std::tuple<Format, Art>> {
protected:
    Format format() const { return std::get<0>(GetParam()); }

    // Writes a database with what schreiben adds, opens it with the reader under test.
    std::unique_ptr<Leser> datei(const std::function<void(Database&)>& schreiben)
    {
        const QString pfad = dir_.filePath(QStringLiteral("s.mdb"));
        {
            Database db(pfad.toStdString(), format());
            schreiben(db);
            db.finish();
        }
        auto l = leser(std::get<1>(GetParam()));
        l->oeffnen(pfad);
        return l;
    }

    QTemporaryDir dir_;
};

TEST_P(Strukturen, MovedRowsStandWhereTheirSlotIsAndDeletedRowsAreGone)
{
    std::vector<TableContent> tabellen;
    auto l = datei([&](Database& db) {
        tabellen.push_back(writeMovedRows(db, "Eine Seite", 12));
        tabellen.push_back(writeMovedRows(db, "Viele Seiten", 3000));
        tabellen.push_back(writeAllRowsMoved(db, "Alle verschoben", 600));
    });
    // Rows 2 and 7 of twelve are moved; 3, 5, 6 and 10 deleted in their three forms.
    ASSERT_EQ(tabellen[0].rows.size(), 8u);
    EXPECT_EQ(tabellen[0].moved, (std::vector<bool>{false, false, true, false, true, false, false, false}));
    for (const TableContent& t : tabellen)
        pruefeTabelle(*l, t);
}

TEST_P(Strukturen, DeletedColumnsKeepTheirPlaceInEarlierRowsAndAddedOnesAreNullThere)
{
    TableContent t;
    auto l = datei([&](Database& db) { t = writeChangedColumns(db, "Geändert"); });
    pruefeTabelle(*l, t);
}

TEST_P(Strukturen, MemoAndOleValuesInlineOnOnePageAndChained)
{
    TableContent t;
    auto l = datei([&](Database& db) { t = writeLongValues(db, format(), "Lange Werte"); });
    pruefeTabelle(*l, t);
}

TEST_P(Strukturen, CatalogueWithPropertyBlocksOfEverySize)
{
    std::vector<ObjectProperties> objekte;
    TableContent zeilen;
    auto l = datei([&](Database& db) {
        objekte = writePropertyTables(db);
        zeilen = writeMovedRows(db, "Daten", 40);
        db.addQuery("Abfrage");
        db.setProperties("Daten", objekte[1].blocks);
        db.setProperties("Abfrage", objekte[0].blocks);
    });
    std::vector<QString> tabellen;
    for (const KatalogEintrag& e : l->katalog())
        if (e.typ == QLatin1String("TABLE"))
            tabellen.push_back(e.name);
    EXPECT_EQ(tabellen, (std::vector<QString>{QStringLiteral("Klein"), QStringLiteral("Mittel"), QStringLiteral("Breit"),
                                              QStringLiteral("Daten")}));
    pruefeTabelle(*l, zeilen);

    // The blocks come back unchanged from the catalogue's own rows.
    std::map<QString, QString> soll;
    for (const ObjectProperties& o : objekte) {
        const auto b = propertyBlock(format(), o.blocks);
        soll[QString::fromStdString(o.object)] = QStringLiteral("Binär:") + hex(QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
    }
    soll[QStringLiteral("Daten")] = soll[QStringLiteral("Mittel")];
    soll[QStringLiteral("Abfrage")] = soll[QStringLiteral("Klein")];
    const auto spalten = l->spalten(QStringLiteral("MSysObjects"));
    int name = -1, lvProp = -1;
    for (int s = 0; s < int(spalten.size()); ++s) {
        if (spalten[std::size_t(s)].name == QLatin1String("Name"))
            name = s;
        if (spalten[std::size_t(s)].name == QLatin1String("LvProp"))
            lvProp = s;
    }
    ASSERT_GE(name, 0);
    ASSERT_GE(lvProp, 0);
    const CursorNummer c = l->cursorOeffnen(QStringLiteral("MSysObjects"), {name, lvProp});
    ZeilenBlock b;
    std::map<QString, QString> ist;
    while (l->naechsterBlock(c, b, 3))
        for (int z = 0; z < b.zeilen(); ++z)
            if (!b.wert(z, 1).istNull())
                ist[b.wert(z, 0).text] = gelesen(b.wert(z, 1));
    EXPECT_EQ(ist, soll);
}

INSTANTIATE_TEST_SUITE_P(Leser, Strukturen,
                         ::testing::Combine(::testing::Values(Format::Jet3, Format::Jet4),
                                            ::testing::Values(Art::ImProzess, Art::Leserprozess)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == Format::Jet4 ? "Jet4" : "Jet3")
                                  + (std::get<1>(info.param) == Art::ImProzess ? "ImProzess" : "Leserprozess");
                         });

}  // namespace
