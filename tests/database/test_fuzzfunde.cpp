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
