// The reader in its own process: blocks, reading ahead and errors as the
// in-process reader gives them (every value and structure: test_strukturen.cpp);
// a child that hangs or dies costs an error, never the program.

#include "Datenzugriff.h"
#include "Fehler.h"
#include "Leser.h"
#include "Zeilen.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Datenzugriff;

namespace {

QString verbindung(const QString& datei) { return QStringLiteral("DBQ=") + datei + QLatin1Char(';'); }

TEST(ProzessLeser, AHangingChildEndsWithAnErrorAndTheNextOpenWorks)
{
    QTemporaryDir dir;
    const QString haengt = dir.filePath(QStringLiteral("haengt.sh"));
    QFile skript(haengt);
    ASSERT_TRUE(skript.open(QIODevice::WriteOnly));
    skript.write("#!/bin/sh\nexec sleep 60\n");
    skript.close();
    skript.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    const QString datei = dir.filePath(QStringLiteral("t.mdb"));
    Zeilen::nummernTabelle(datei, "T", 1);
    Connection c([haengt] { return erzeugeProzessLeser(haengt, 500); });
    try {
        c.Open(verbindung(datei));
        FAIL() << "no error";
    } catch (const DatenzugriffsFehler& e) {
        EXPECT_EQ(e.Number(), FehlerLeseprozess);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("t.mdb"))) << e.Description().toStdString();
        EXPECT_TRUE(e.Description().contains(QStringLiteral("0,5 s lang nicht geantwortet"))) << e.Description().toStdString();
    }
    EXPECT_EQ(c.State(), adStateClosed);

    // A reader's own error keeps its number across the process boundary.
    Connection gut([] { return erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM)); });
    try {
        gut.Open(verbindung(dir.filePath(QStringLiteral("fehlt.mdb"))));
        ADD_FAILURE() << "no error";
    } catch (const DatenzugriffsFehler& e) {
        EXPECT_EQ(e.Number(), FehlerDateiFehlt);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("fehlt.mdb")));
    }
    gut.Open(verbindung(datei));
    EXPECT_EQ(gut.State(), adStateOpen);
}

// A disk slower than the watchdog: every page read takes longer than the
// watchdog waits. The reader says it waits for the disk, so the table is
// read completely and nothing is called damaged; only a disk that stays
// silent longer than the limit for disks ends the read, and says so.
TEST(ProzessLeser, ASlowDiskIsWaitedForAndOnlyItsLimitEndsTheRead)
{
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("langsam.mdb"));
    Zeilen::nummernTabelle(datei, "L", 200);
    qputenv("ZELK_LESER_SEITENPAUSE_MS", "600");
    struct Aufraeumen {
        ~Aufraeumen() { qunsetenv("ZELK_LESER_SEITENPAUSE_MS"); }
    } aufraeumen;
    auto lesen = [&](int plattenGrenzeMs) {
        Connection c([=] { return erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM), 250, plattenGrenzeMs); });
        c.Open(verbindung(datei));
        Recordset r;
        r.Open(QStringLiteral("Select * from [L];"), c);
        std::vector<std::int64_t> nummern;
        for (; !r.Eof(); r.MoveNext())
            nummern.push_back(r.fields().Item(0).Value().ganzzahl);
        return nummern;
    };
    const auto nummern = lesen(60000);
    ASSERT_EQ(nummern.size(), 200u);
    EXPECT_EQ(nummern[199], 199);
    try {
        lesen(250);
        ADD_FAILURE() << "kein Fehler";
    } catch (const DatenzugriffsFehler& e) {
        EXPECT_EQ(e.Number(), FehlerLeseprozess);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("hat 0,3 s lang keine Daten geliefert"))) << e.Description().toStdString();
    }
}

}  // namespace
