// The command-line search: same protocol as the window, clear errors.

#include "MdbWriter.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mdbwriter;

namespace {

struct Ergebnis {
    int code;
    QByteArray aus, fehler;
};

Ergebnis suche(const QStringList& argumente)
{
    QProcess p;
    p.start(QStringLiteral(SUCHE_PROGRAMM), argumente);
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

class Kommandozeile : public ::testing::Test {
protected:
    void SetUp() override
    {
        datei = dir.filePath(QStringLiteral("k.mdb"));
        Database db(datei.toStdString(), Format::Jet3);
        const int t = db.addTable("Kunden Alt", {{"Nr", ColumnType::Long}, {"Name", ColumnType::Text, 30}});
        db.addRow(t, {Cell::integer(1), Cell::text("Müller")});
        db.addRow(t, {Cell::integer(2), Cell::text("m*ller")});
        db.finish();
    }
    QTemporaryDir dir;
    QString datei;
};

TEST_F(Kommandozeile, WritesTheProtocolToStandardOutputOrAFile)
{
    auto e = suche({datei, QStringLiteral("Kunden Alt"), QStringLiteral("m*ller")});
    EXPECT_EQ(e.code, 0) << e.fehler.toStdString();
    EXPECT_EQ(e.aus, QByteArray("Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\nSatz: 2\t\tName\tFeldinhalt: m*ller\r\n"
                                "-----------------------------\r\ngesamt gefundene Felder: 2\r\n"));
    const QString protokoll = dir.filePath(QStringLiteral("p.txt"));
    e = suche({QStringLiteral("--ohne-wildcards"), datei, QStringLiteral("Kunden Alt"), QStringLiteral("m*ller"),
               QStringLiteral("--protokoll"), protokoll});
    EXPECT_EQ(e.code, 0);
    EXPECT_TRUE(e.aus.isEmpty());
    QFile f(protokoll);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Satz: 2\t\tName\tFeldinhalt: m*ller\r\n-----------------------------\r\n"
                                      "gesamt gefundene Felder: 1\r\n"));
}

TEST_F(Kommandozeile, BadInputGivesAMessageAndAnExitCode)
{
    auto e = suche({datei, QStringLiteral("Kunden Alt")});
    EXPECT_EQ(e.code, 2);
    EXPECT_TRUE(e.fehler.contains("Aufruf"));
    e = suche({dir.filePath(QStringLiteral("fehlt.mdb")), QStringLiteral("T"), QStringLiteral("a")});
    EXPECT_EQ(e.code, 1);
    EXPECT_TRUE(e.fehler.contains("fehlt.mdb"));
    e = suche({datei, QStringLiteral("Kunden"), QStringLiteral("a")});
    EXPECT_EQ(e.code, 1);
    EXPECT_TRUE(QString::fromUtf8(e.fehler).contains(QStringLiteral("„Kunden“")));
    EXPECT_TRUE(e.aus.isEmpty());
}

}  // namespace
