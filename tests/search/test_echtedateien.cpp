// The main window on real Access files (Jet 3 and Jet 4), reading through
// the reader process: choosing a file lists its evaluable tables in
// catalogue order, and a search over each of them writes the protocol the
// command-line search writes for that table. A file of linked tables only
// (Stammdaten.mdb, an Access front end) has no evaluable table; a file with a
// database password is read.

#include "Echtdaten.h"
#include "Fenster.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <iostream>

namespace {

// Files of several kinds; those found in the folders of real files are read.
// Jet 3: biblio (memo and dates), delColTest (columns deleted after data was
// written), overflowTest (rows on other pages), indexTest (three tables).
// Jet 4: mgra-Adressen (ß and ü), V2000_with-password (database password),
// test2V2003 (74 columns, memo and OLE), Northwind (a table name with a blank,
// OLE pictures), Gymnase2000 (French accents), testV2000 (89 columns).
// Access 2007: complexDataTest (multi-value and attachment columns, append-only memo).
const QStringList gewaehlteDateien = QStringLiteral("biblio.mdb delColTestV1997.mdb overflowTestV1997.mdb indexTestV1997.mdb "
                                                    "mgra-Adressen.mdb V2000_with-password.mdb test2V2003.mdb Northwind.mdb "
                                                    "Gymnase2000.mdb testV2000.mdb complexDataTestV2007.accdb Stammdaten.mdb").split(u' ');

std::vector<EchteDatei> fensterDateien()
{
    std::vector<EchteDatei> d;
    for (const EchteDatei& e : echteDateien().dateien)
        if (gewaehlteDateien.contains(e.name))
            d.push_back(e);
    return d;
}

// What the catalogue's independent reader lists, less what the window must
// leave out: temporary tables and names the plain trial statement
// "Select * from " + name + ";" cannot carry, such as one with a blank.
QStringList auswertbareTabellen(const QString& datei)
{
    QProcess p;
    p.start(QStringLiteral(MDB_TABLES), {QStringLiteral("-1"), datei});
    EXPECT_TRUE(p.waitForFinished(30000));
    QStringList namen;
    for (const QString& n : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n'))
        if (!n.isEmpty() && !n.contains(u' ') && !n.contains(QLatin1String("~TMP")))
            namen << n;
    return namen;
}

QByteArray kommandozeile(const QString& datei, const QString& tabelle, const QString& suchtext, bool platzhalter)
{
    QStringList argumente{datei, tabelle, suchtext, QStringLiteral("--format=protokoll")};
    if (!platzhalter)
        argumente << QStringLiteral("--ohne-wildcards");
    QProcess p;
    p.start(QStringLiteral(SUCHE_PROGRAMM), argumente);
    EXPECT_TRUE(p.waitForFinished(120000));
    const QByteArray protokoll = p.readAllStandardOutput();
    // As grep: 1 when nothing was found.
    EXPECT_EQ(p.exitCode(), protokoll.endsWith("gesamt gefundene Felder: 0\r\n") ? 1 : 0) << p.readAllStandardError().toStdString();
    return protokoll;
}

class EchteDateiImFenster : public FensterPruefung, public ::testing::WithParamInterface<EchteDatei> {
protected:
    void dateienAnlegen() override { ASSERT_TRUE(QFile::copy(GetParam().pfad, dir.filePath(GetParam().name))); }
};

TEST_P(EchteDateiImFenster, ListsTheEvaluableTablesAndSearchesEachLikeTheCommandLine)
{
    const EchteDatei& d = GetParam();
    std::cout << "Echte Dateien: " << echteDateien().herkunft.toStdString() << "; im Fenster " << fensterDateien().size() << " von "
              << gewaehlteDateien.size() << " gewählten" << std::endl;
    const QStringList erwartet = auswertbareTabellen(d.pfad);
    waehle(d.name);
    if (erwartet.isEmpty()) {
        EXPECT_EQ(meldungen(), QStringList{QStringLiteral("keine auswertbare Tabelle in der Datenbank gefunden!")});
        EXPECT_EQ(tabellen(), QStringList());
        return;
    }
    EXPECT_EQ(meldungen(), QStringList());
    // Moved catalogue rows stand where their slots are; mdb-tables lists them late.
    const bool verschoben = katalogHatVerschobeneZeilen(d.pfad);
    ASSERT_EQ(vergleichbareReihenfolge(tabellen(), verschoben), vergleichbareReihenfolge(erwartet, verschoben));
    EXPECT_EQ(fenster->ImageCombo1->text(), tabellen().front());

    // Every non-empty field with "*"; a plain search folds the case.
    for (const QString& tabelle : erwartet) {
        for (const auto& [suchtext, platzhalter] : {std::pair{"*", true}, std::pair{"e", false}}) {
            SCOPED_TRACE((d.name + u' ' + tabelle + u' ' + QLatin1String(suchtext)).toStdString());
            EXPECT_EQ(tun(QStringLiteral("tabelle %1 | text %2 | platzhalter %3 | suche").arg(tabelle, QString::fromUtf8(suchtext)).arg(int(platzhalter))),
                      QStringLiteral("Ende des Suchlaufes!"));
            const QByteArray imFenster = protokollBytes();
            EXPECT_TRUE(imFenster.contains("gesamt gefundene Felder: "));
            EXPECT_EQ(imFenster, kommandozeile(d.pfad, tabelle, QString::fromUtf8(suchtext), platzhalter));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Echt, EchteDateiImFenster, ::testing::ValuesIn(fensterDateien()),
                         [](const ::testing::TestParamInfo<EchteDatei>& i) { return testname(i.param.name); });

}  // namespace
