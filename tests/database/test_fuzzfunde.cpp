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

// Every row of a table; the number of rows.
int tabelleLesen(Leser& leser, const QString& tabelle)
{
    std::vector<int> auswahl(leser.spalten(tabelle).size());
    std::iota(auswahl.begin(), auswahl.end(), 0);
    const CursorNummer c = leser.cursorOeffnen(tabelle, auswahl);
    ZeilenBlock block;
    int zeilen = 0;
    while (leser.naechsterBlock(c, block, 16))
        zeilen += block.zeilen();
    return zeilen;
}

// Three bytes of a property block changed, found by mutating a file of
// property blocks: libmdb's own reading of the catalogue, which parses every
// object's block, loops forever on it. The catalogue is read by our decoder,
// which never looks at LvProp: both readers list and read every table, the
// child process without a watchdog stop.
TEST(Fuzzfunde, BeschaedigterEigenschaftsblockImKatalog)
{
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("eigenschaften.mdb"));
    {
        Database db(datei.toStdString(), Format::Jet4);
        writeMovedRows(db, "Verschoben", 12);
        writeChangedColumns(db, "Spalten");
        writePropertyTables(db);
        db.finish();
    }
    QFile f(datei);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray inhalt = f.readAll();
    std::vector<qsizetype> bloecke;
    for (qsizetype p = inhalt.indexOf(QByteArray("MR2\0", 4)); p >= 0; p = inhalt.indexOf(QByteArray("MR2\0", 4), p + 1))
        bloecke.push_back(p);
    ASSERT_EQ(bloecke.size(), 3u);
    const qsizetype b = bloecke[2];
    inhalt[b + 7] = char(105);
    inhalt[b + 35] = char(218);
    inhalt[b + 53] = char(160);
    f.seek(0);
    ASSERT_EQ(f.write(inhalt), inhalt.size());
    f.close();

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
