// The main window on real Access files (Jet 3 and Jet 4), reading through
// the reader process: choosing a file lists its evaluable tables in
// catalogue order, and a search over each of them writes the protocol the
// command-line search writes for that table. A file of linked tables only
// has no evaluable table; a file with a database password is read.

#include "Echtdaten.h"
#include "Fenster.h"

#include <QApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <iostream>

namespace {

// Files of several kinds; those found in the folders of real files are read.
const QStringList gewaehlteDateien = {
    QStringLiteral("biblio.mdb"),               // Jet 3, memo and dates
    QStringLiteral("delColTestV1997.mdb"),      // Jet 3, columns deleted after data was written
    QStringLiteral("overflowTestV1997.mdb"),    // Jet 3, rows on other pages
    QStringLiteral("indexTestV1997.mdb"),       // Jet 3, three tables
    QStringLiteral("mgra-Adressen.mdb"),        // Jet 4, ß and ü
    QStringLiteral("V2000_with-password.mdb"),  // Jet 4, database password
    QStringLiteral("test2V2003.mdb"),           // Jet 4, 74 columns, memo and OLE
    QStringLiteral("Northwind.mdb"),            // Jet 4, a table name with a blank, OLE pictures
    QStringLiteral("Gymnase2000.mdb"),          // Jet 4, French accents
    QStringLiteral("testV2000.mdb"),            // Jet 4, 89 columns
    QStringLiteral("complexDataTestV2007.accdb"),  // Access 2007: multi-value and attachment columns, append-only memo
};

std::vector<EchteDatei> fensterDateien()
{
    std::vector<EchteDatei> d;
    for (const EchteDatei& e : echteDateien().dateien)
        if (gewaehlteDateien.contains(e.name))
            d.push_back(e);
    return d;
}

const EchteDatei* echteDatei(const QString& name)
{
    for (const EchteDatei& e : echteDateien().dateien)
        if (e.name == name)
            return &e;
    return nullptr;
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
    ASSERT_FALSE(erwartet.isEmpty()) << d.name.toStdString();
    waehle(d.name);
    EXPECT_EQ(meldungen(), QStringList());
    // Moved catalogue rows stand where their slots are; mdb-tables lists them late.
    const bool verschoben = katalogHatVerschobeneZeilen(d.pfad);
    ASSERT_EQ(vergleichbareReihenfolge(tabellen(), verschoben), vergleichbareReihenfolge(erwartet, verschoben));
    EXPECT_EQ(fenster->ImageCombo1->text(), tabellen().front());

    // Every non-empty field with "*"; a plain search folds the case.
    const struct {
        const char* suchtext;
        bool platzhalter;
    } suchen[] = {{"*", true}, {"e", false}};
    for (const QString& tabelle : erwartet) {
        for (const auto& s : suchen) {
            SCOPED_TRACE((d.name + u' ' + tabelle + u' ' + QLatin1String(s.suchtext)).toStdString());
            recorder->leeren();
            fenster->ImageCombo1->setzeText(tabelle);
            fenster->Text1->setText(QString::fromUtf8(s.suchtext));
            fenster->Check1->setChecked(s.platzhalter);
            fenster->Command1_Click();
            EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
            const QByteArray imFenster = protokollBytes();
            EXPECT_TRUE(imFenster.contains("gesamt gefundene Felder: "));
            EXPECT_EQ(imFenster, kommandozeile(d.pfad, tabelle, QString::fromUtf8(s.suchtext), s.platzhalter));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Echt, EchteDateiImFenster, ::testing::ValuesIn(fensterDateien()),
                         [](const ::testing::TestParamInfo<EchteDatei>& i) { return testname(i.param.name); });

// Stammdaten.mdb, an Access front end, holds only links to tables of another
// file; the window finds nothing it can search.
class NurVerknuepfteTabellen : public FensterPruefung {
protected:
    void dateienAnlegen() override
    {
        const EchteDatei* d = echteDatei(QStringLiteral("Stammdaten.mdb"));
        ASSERT_NE(d, nullptr) << echteDateien().herkunft.toStdString();
        ASSERT_TRUE(QFile::copy(d->pfad, dir.filePath(d->name)));
    }
};

TEST_F(NurVerknuepfteTabellen, GiveTheMessageThatNoTableCanBeEvaluated)
{
    waehle(QStringLiteral("Stammdaten.mdb"));
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("keine auswertbare Tabelle in der Datenbank gefunden!")});
    EXPECT_EQ(tabellen(), QStringList());
    EXPECT_EQ(fenster->ImageCombo1->text(), QString());
    // The catalogue does hold them, as links.
    int links = 0;
    auto katalog = Datenbankfunktion::Verbindung().OpenSchema(Datenzugriff::adSchemaTables);
    for (; !katalog->Eof(); katalog->MoveNext())
        links += katalog->fields().Item(QStringLiteral("TABLE_TYPE")).Value().text == QLatin1String("LINK");
    EXPECT_EQ(links, 6);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
