// Files the fuzzer of the reader (tests/fuzz) turned up, rebuilt small: a
// written database and a few bytes changed by hand. Each must read right or
// end in a clean error of the component.

#include "Fehler.h"
#include "Leser.h"
#include "MdbWriter.h"
#include "Strukturen.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

using namespace Datenzugriff;
using namespace mdbwriter;

namespace {

// All rows of a table through the in-process reader.
std::vector<std::vector<Wert>> tabelleLesen(Leser& leser, const QString& tabelle)
{
    std::vector<int> auswahl(leser.spalten(tabelle).size());
    std::iota(auswahl.begin(), auswahl.end(), 0);
    const CursorNummer c = leser.cursorOeffnen(tabelle, auswahl);
    std::vector<std::vector<Wert>> zeilen;
    ZeilenBlock block;
    while (leser.naechsterBlock(c, block, 16))
        for (int z = 0; z < block.zeilen(); ++z)
            zeilen.emplace_back(block.werte.begin() + std::ptrdiff_t(z) * block.spalten,
                                block.werte.begin() + std::ptrdiff_t(z + 1) * block.spalten);
    leser.cursorSchliessen(c);
    return zeilen;
}

class Fuzzfunde : public ::testing::Test {
protected:
    QString pfad(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    static QByteArray laden(const QString& datei)
    {
        QFile f(datei);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    static void speichern(const QString& datei, const QByteArray& inhalt)
    {
        QFile f(datei);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(inhalt), inhalt.size());
    }

    QTemporaryDir dir_;
};

// A Jet 3 row longer than 256 bytes whose variable data ends before byte
// 256 carries a dummy jump byte; the offsets start behind it all the same.
// The reader took the offsets one byte too far and called the row damaged.
TEST_F(Fuzzfunde, Jet3ZeileMitLeeremSprung)
{
    const QString datei = pfad("breit.mdb");
    std::vector<Column> spalten;
    std::vector<Cell> zeile;
    for (int i = 0; i < 40; ++i) {
        spalten.push_back({std::string("L").append(std::to_string(i)), ColumnType::Long});
        zeile.push_back(Cell::integer(1000 + i));
    }
    for (int i = 0; i < 80; ++i) {
        spalten.push_back({std::string("T").append(std::to_string(i)), ColumnType::Text, 10});
        zeile.push_back(i % 9 == 4 ? Cell::null() : Cell::text(std::string(1, char('a' + i % 26))));
    }
    {
        Database db(datei.toStdString(), Format::Jet3);
        db.addRow(db.addTable("Breit", spalten), zeile);
        db.finish();
    }
    auto leser = erzeugeMdbLeser();
    leser->oeffnen(datei);
    const auto zeilen = tabelleLesen(*leser, QStringLiteral("Breit"));
    ASSERT_EQ(zeilen.size(), 1u);
    ASSERT_EQ(zeilen[0].size(), zeile.size());
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(zeilen[0][std::size_t(i)].art, WertArt::Ganzzahl) << i;
        EXPECT_EQ(zeilen[0][std::size_t(i)].ganzzahl, 1000 + i);
    }
    for (int i = 0; i < 80; ++i) {
        const Wert& w = zeilen[0][std::size_t(40 + i)];
        if (i % 9 == 4) {
            EXPECT_EQ(w.art, WertArt::Null) << i;
        } else {
            ASSERT_EQ(w.art, WertArt::Text) << i;
            EXPECT_EQ(w.text, QString(QChar(u'a' + i % 26))) << i;
        }
    }
}

// Three bytes of a property block changed, found by mutating a file of
// property blocks: libmdb's own reading of the catalogue, which parses every
// object's block, loops forever on it. The catalogue is read by our decoder,
// which never looks at LvProp: both readers list and read every table, the
// child process without a watchdog stop.
TEST_F(Fuzzfunde, BeschaedigterEigenschaftsblockImKatalog)
{
    const QString datei = pfad("eigenschaften.mdb");
    {
        Database db(datei.toStdString(), Format::Jet4);
        writeMovedRows(db, "Verschoben", 12);
        writeChangedColumns(db, "Spalten");
        writePropertyTables(db);
        db.finish();
    }
    QByteArray inhalt = laden(datei);
    std::vector<qsizetype> bloecke;
    for (qsizetype p = inhalt.indexOf(QByteArray("MR2\0", 4)); p >= 0; p = inhalt.indexOf(QByteArray("MR2\0", 4), p + 1))
        bloecke.push_back(p);
    ASSERT_EQ(bloecke.size(), 3u);
    const qsizetype b = bloecke[2];
    inhalt[b + 7] = char(105);
    inhalt[b + 35] = char(218);
    inhalt[b + 53] = char(160);
    speichern(datei, inhalt);

    for (bool prozess : {false, true}) {
        SCOPED_TRACE(prozess ? "Leseprozess" : "im Prozess");
        auto leser = prozess ? erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM), 3000) : erzeugeMdbLeser();
        leser->oeffnen(datei);
        QStringList tabellen;
        for (const KatalogEintrag& e : leser->katalog())
            if (e.typ == QLatin1String("TABLE"))
                tabellen << e.name;
        EXPECT_TRUE(tabellen.contains(QStringLiteral("Verschoben"))) << tabellen.join(u',').toStdString();
        EXPECT_TRUE(tabellen.contains(QStringLiteral("Spalten")));
        for (const QString& t : tabellen)
            EXPECT_NO_THROW(tabelleLesen(*leser, t)) << t.toStdString();
    }
}

}  // namespace
