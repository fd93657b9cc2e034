// Bad input through the main window, and the window during a search run:
// files that are no databases, that cannot be read, that change or vanish
// under the window, a protocol that cannot be written, and every control
// used while a run goes on. After each case the message names the file, the
// window shows what it showed before, and the next normal search works.

#include "Fenster.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

using namespace mdbwriter;
namespace DB = Datenbankfunktion;

namespace {

void kundenSchreiben(const QString& pfad)
{
    Database db(pfad.toStdString(), Format::Jet4);
    kundenTabelle(db);
    db.addTable("Leer", {{"A", ColumnType::Long}});
    db.finish();
}

// The protocol of "m*ller" over kunden.mdb.
const QByteArray kundenProtokoll = "Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\n"
                                   "Satz: 2\t\tName\tFeldinhalt: MOLLER\r\n"
                                   "Satz: 3\t\tName\tFeldinhalt: Meller\r\n"
                                   "Satz: 3\t\tOrt\tFeldinhalt: M\xFCllerstadt\r\n"
                                   "-----------------------------\r\ngesamt gefundene Felder: 4\r\n";

// A database with other tables than kunden.mdb.
void andereSchreiben(const QString& pfad)
{
    Database db(pfad.toStdString(), Format::Jet3);
    const int a = db.addTable("Artikel", {{"Nr", ColumnType::Long}, {"Bezeichnung", ColumnType::Text, 30}});
    db.addRow(a, {Cell::integer(7), Cell::text("Schraube")});
    db.finish();
}

void textSchreiben(const QString& pfad, const QByteArray& inhalt)
{
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << pfad.toStdString();
    ASSERT_EQ(f.write(inhalt), inhalt.size());
}

QByteArray zufall(qsizetype n, unsigned saat)
{
    std::mt19937 g(saat);
    QByteArray b(n, Qt::Uninitialized);
    for (char& c : b)
        c = char(g() & 0xFF);
    return b;
}

class Eingaben : public FensterPruefung {
protected:
    void dateienAnlegen() override
    {
        kundenSchreiben(dir.filePath(QStringLiteral("kunden.mdb")));
        andereSchreiben(dir.filePath(QStringLiteral("andere.mdb")));
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("unter")));
    }
    QString pfad(const QString& name) const { return dir.filePath(name); }

    // A search over kunden.mdb as a user makes it; fills List1 and the protocol.
    void guteSuche()
    {
        recorder->leeren();
        waehle(QStringLiteral("kunden.mdb"));
        fenster->ImageCombo1->setzeText(QStringLiteral("Kunden"));
        fenster->Text1->setText(QStringLiteral("m*ller"));
        fenster->Check1->setChecked(true);
        fenster->Command1_Click();
        EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
        EXPECT_EQ(protokollBytes(), kundenProtokoll);
        EXPECT_EQ(fenster->ergebnisse().anzahl(), 10);
        recorder->leeren();
    }

    // What the user sees of the window, one line per control.
    QStringList zustand() const
    {
        QStringList dateien;
        for (int i = 0; i < fenster->File1->count(); ++i)
            dateien << fenster->File1->item(i)->text();
        return {QStringLiteral("Drive1: ") + fenster->Drive1->currentText(),
                QStringLiteral("Dir1: ") + fenster->Dir1->pfad(),
                QStringLiteral("File1: ") + dateien.join(u','),
                QStringLiteral("gewählt: ") + fenster->File1->gewaehlteDatei(),
                QStringLiteral("Tabellen: ") + tabellen().join(u','),
                QStringLiteral("Tabelle: ") + fenster->ImageCombo1->text(),
                QStringLiteral("Text1: ") + fenster->Text1->text(),
                QStringLiteral("Text2: ") + fenster->Text2->text(),
                QStringLiteral("Text3: ") + fenster->Text3->text(),
                QStringLiteral("Check1: ") + QString::number(fenster->Check1->checkState()),
                QStringLiteral("List1: ") + fenster->ergebnisse().alleZeilen().join(u'|')};
    }

    // Exactly one message, critical, naming the file; a file that could not
    // be opened leaves no connection behind.
    void meldungNennt(const QString& datei, const char* wo, bool geoeffnet = false)
    {
        SCOPED_TRACE(wo);
        ASSERT_EQ(meldungen().size(), 1) << meldungen().join(u'|').toStdString();
        EXPECT_TRUE(meldungen()[0].contains(datei)) << meldungen()[0].toStdString();
        EXPECT_EQ(recorder->eintraege()[0].symbol, Plattform::Symbol::Kritisch);
        if (!geoeffnet) {
            EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
        }
        recorder->leeren();
    }

    // Files in the protocol's directory besides the protocol (the writer's
    // file beside it, if it had one it could not remove).
    QStringList protokollReste() const
    {
        QStringList reste = QDir(QFileInfo(protokoll).absolutePath()).entryList({QStringLiteral("Protokoll*")}, QDir::Files | QDir::Hidden);
        reste.removeAll(QStringLiteral("Protokoll.txt"));
        return reste;
    }
};

// --- files that are no database ----------------------------------------------

TEST_F(Eingaben, FilesThatAreNoDatabaseAreRefusedWithTheirName)
{
    textSchreiben(pfad(QStringLiteral("text.mdb")), QByteArray("Das ist keine Datenbank.\r\n").repeated(500));
    textSchreiben(pfad(QStringLiteral("leer.mdb")), QByteArray());
    textSchreiben(pfad(QStringLiteral("zufall.mdb")), zufall(16 * 4096, 1));
    // A Jet header of a real file, then noise: this reaches libmdb.
    QFile echt(pfad(QStringLiteral("kunden.mdb")));
    ASSERT_TRUE(echt.open(QIODevice::ReadOnly));
    textSchreiben(pfad(QStringLiteral("kopf.mdb")), echt.read(0x80) + zufall(16 * 4096 - 0x80, 2));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("x.mdb")));
    fenster->File1->aktualisieren();
    guteSuche();
    // A directory is no file to choose.
    EXPECT_TRUE(fenster->File1->findItems(QStringLiteral("x.mdb"), Qt::MatchExactly).isEmpty());

    for (const QString& name : {QStringLiteral("text.mdb"), QStringLiteral("leer.mdb"), QStringLiteral("zufall.mdb"), QStringLiteral("kopf.mdb")}) {
        SCOPED_TRACE(name.toStdString());
        QStringList vorher = zustand();
        waehle(name);
        meldungNennt(pfad(name), "File1");
        // The click chose the file and cleared the table; nothing else changed.
        vorher[3] = QStringLiteral("gewählt: ") + name;
        vorher[5] = QStringLiteral("Tabelle: ");
        EXPECT_EQ(zustand(), vorher);

        // A search and the table window on it end with the same message; the
        // search has emptied List1 first, the protocol of the last search stays.
        fenster->Command1_Click();
        meldungNennt(pfad(name), "Command1");
        vorher.back() = QStringLiteral("List1: ");
        EXPECT_EQ(zustand(), vorher);
        EXPECT_EQ(protokollBytes(), kundenProtokoll);
        bool gezeigt = false;
        nebenfenster.beiTabelleninhaltZeigen = [&] { gezeigt = true; };
        fenster->Command4_Click();
        meldungNennt(pfad(name), "Command4");
        EXPECT_FALSE(gezeigt);
        EXPECT_EQ(zustand(), vorher);
    }
    guteSuche();
}

TEST_F(Eingaben, AFifoNamedLikeADatabaseEndsTheClickWithItsName)
{
    // Opening a pipe for reading waits for a writer that never comes; the
    // reader's watchdog ends the wait.
    const QString rohr = pfad(QStringLiteral("rohr.mdb"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(rohr).constData(), 0644), 0);
    fenster->File1->aktualisieren();
    guteSuche();
    QStringList vorher = zustand();
    waehle(QStringLiteral("rohr.mdb"));
    meldungNennt(rohr, "File1");
    vorher[3] = QStringLiteral("gewählt: rohr.mdb");
    vorher[5] = QStringLiteral("Tabelle: ");
    EXPECT_EQ(zustand(), vorher);
    guteSuche();
}

// --- files that cannot be read -------------------------------------------------

TEST_F(Eingaben, AFileWithoutReadPermission)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads a file of mode 000; AFileBehindAPathThatIsNoDirectory covers the failed open";
    const QString gesperrt = pfad(QStringLiteral("gesperrt.mdb"));
    kundenSchreiben(gesperrt);
    ASSERT_EQ(::chmod(QFile::encodeName(gesperrt).constData(), 0), 0);
    fenster->File1->aktualisieren();
    guteSuche();
    QStringList vorher = zustand();
    waehle(QStringLiteral("gesperrt.mdb"));
    ASSERT_FALSE(meldungen().isEmpty());
    EXPECT_TRUE(meldungen()[0].contains(QStringLiteral("Berechtigung"))) << meldungen()[0].toStdString();
    meldungNennt(gesperrt, "File1");
    vorher[3] = QStringLiteral("gewählt: gesperrt.mdb");
    vorher[5] = QStringLiteral("Tabelle: ");
    EXPECT_EQ(zustand(), vorher);
    fenster->Command1_Click();
    meldungNennt(gesperrt, "Command1");
    EXPECT_EQ(zustand(), vorher);
    guteSuche();
}

TEST_F(Eingaben, AFileBehindAPathThatIsNoDirectory)
{
    // The link leads below a regular file: every open of it fails (ENOTDIR),
    // for root as well.
    const QString verbogen = pfad(QStringLiteral("verbogen.mdb"));
    ASSERT_TRUE(QFile::link(pfad(QStringLiteral("kunden.mdb/kunden.mdb")), verbogen));
    fenster->File1->aktualisieren();
    guteSuche();
    QStringList vorher = zustand();
    waehle(QStringLiteral("verbogen.mdb"));
    meldungNennt(verbogen, "File1");
    vorher[3] = QStringLiteral("gewählt: verbogen.mdb");
    vorher[5] = QStringLiteral("Tabelle: ");
    EXPECT_EQ(zustand(), vorher);
    fenster->Command1_Click();
    meldungNennt(verbogen, "Command1");
    vorher.back() = QStringLiteral("List1: ");  // emptied as the run's first step
    EXPECT_EQ(zustand(), vorher);
    EXPECT_EQ(protokollBytes(), kundenProtokoll);
    guteSuche();
}

// --- files that change under the window ------------------------------------------

TEST_F(Eingaben, AFileGoneOrReplacedBetweenListAndClick)
{
    const QString weg = pfad(QStringLiteral("weg.mdb"));
    const QString wechsel = pfad(QStringLiteral("wechsel.mdb"));
    kundenSchreiben(weg);
    kundenSchreiben(wechsel);
    fenster->File1->aktualisieren();
    guteSuche();

    // Deleted: the list still shows it (it is not read again behind the
    // user's back); the click says the file is missing.
    ASSERT_TRUE(QFile::remove(weg));
    QStringList vorher = zustand();
    waehle(QStringLiteral("weg.mdb"));
    meldungNennt(weg, "gelöscht");
    vorher[3] = QStringLiteral("gewählt: weg.mdb");
    vorher[5] = QStringLiteral("Tabelle: ");
    EXPECT_EQ(zustand(), vorher);

    // Replaced by another database: the window shows the file as it is now.
    ASSERT_TRUE(QFile::remove(wechsel));
    andereSchreiben(wechsel);
    waehle(QStringLiteral("wechsel.mdb"));
    EXPECT_TRUE(meldungen().isEmpty()) << meldungen().join(u'|').toStdString();
    EXPECT_EQ(tabellen(), QStringList{QStringLiteral("Artikel")});
    EXPECT_EQ(fenster->ImageCombo1->text(), QStringLiteral("Artikel"));
    EXPECT_EQ(fenster->ergebnisse().alleZeilen().size(), 10);

    // Replaced by text, then by a directory, between list and click.
    for (const bool verzeichnis : {false, true}) {
        SCOPED_TRACE(verzeichnis ? "Verzeichnis" : "Text");
        waehle(QStringLiteral("weg.mdb"));  // another entry, so the next click is a change
        recorder->leeren();
        ASSERT_TRUE(QFile::remove(wechsel) || QDir(wechsel).removeRecursively());
        if (verzeichnis)
            ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("wechsel.mdb")));
        else
            textSchreiben(wechsel, "keine Datenbank");
        QStringList davor = zustand();
        waehle(QStringLiteral("wechsel.mdb"));
        meldungNennt(wechsel, "ersetzt");
        davor[3] = QStringLiteral("gewählt: wechsel.mdb");
        EXPECT_EQ(zustand(), davor);
    }
    guteSuche();
}

TEST_F(Eingaben, AFileGoneOrReplacedBetweenTableAndSearch)
{
    const QString wechsel = pfad(QStringLiteral("wechsel.mdb"));
    kundenSchreiben(wechsel);
    fenster->File1->aktualisieren();
    guteSuche();
    waehle(QStringLiteral("wechsel.mdb"));
    ASSERT_EQ(fenster->ImageCombo1->text(), QStringLiteral("Kunden"));
    EXPECT_TRUE(meldungen().isEmpty());

    // Deleted: the search ends before it starts; List1 is emptied, the
    // protocol keeps the last search.
    ASSERT_TRUE(QFile::remove(wechsel));
    QStringList vorher = zustand();
    fenster->Command1_Click();
    meldungNennt(wechsel, "gelöscht");
    vorher.back() = QStringLiteral("List1: ");
    EXPECT_EQ(zustand(), vorher);
    EXPECT_EQ(protokollBytes(), kundenProtokoll);

    // Replaced by a database without the chosen table: the message names
    // the table and the file; the chosen table stays in the box.
    andereSchreiben(wechsel);
    fenster->Command1_Click();
    ASSERT_FALSE(meldungen().isEmpty());
    EXPECT_TRUE(meldungen()[0].contains(QStringLiteral("Kunden"))) << meldungen()[0].toStdString();
    meldungNennt(wechsel, "andere Tabellen", true);  // the file itself opened
    EXPECT_EQ(fenster->ImageCombo1->text(), QStringLiteral("Kunden"));
    EXPECT_EQ(tabellen(), QStringList{QStringLiteral("Artikel")});
    EXPECT_TRUE(fenster->ergebnisse().alleZeilen().isEmpty());
    EXPECT_EQ(protokollBytes(), kundenProtokoll);

    // Replaced by text.
    textSchreiben(wechsel, zufall(3 * 4096, 3));
    fenster->Command1_Click();
    meldungNennt(wechsel, "Text");
    EXPECT_TRUE(fenster->ergebnisse().alleZeilen().isEmpty());
    EXPECT_EQ(protokollBytes(), kundenProtokoll);

    // Replaced by a database with the table but other records: the search
    // reads the file as it is at the start.
    ASSERT_TRUE(QFile::remove(wechsel));
    {
        Database db(wechsel.toStdString(), Format::Jet4);
        const int k = db.addTable("Kunden", {{"Name", ColumnType::Text, 30}});
        db.addRow(k, {Cell::text("Schmidt")});
        db.addRow(k, {Cell::text("Maller")});
        db.finish();
    }
    fenster->Command1_Click();
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    EXPECT_EQ(protokollBytes(), QByteArray("Satz: 2\t\tName\tFeldinhalt: Maller\r\n-----------------------------\r\n"
                                           "gesamt gefundene Felder: 1\r\n"));
    guteSuche();
}

// --- files that change during a run ------------------------------------------------

TEST_F(Eingaben, AFileCutShortDuringTheRunEndsItWithACompleteProtocol)
{
    const QString gross = pfad(QStringLiteral("gross.mdb"));
    {
        Database db(gross.toStdString(), Format::Jet4);
        vieleTabelle(db, 20000);
        db.finish();
    }
    fenster->File1->aktualisieren();
    waehle(QStringLiteral("gross.mdb"));
    fenster->Text1->setText(QStringLiteral("treffer"));
    recorder->leeren();
    // The first events come at record 30; the file then loses all but its
    // first pages while the reader holds it open.
    bool gekuerzt = false;
    QTimer::singleShot(0, fenster.get(), [&] {
        gekuerzt = fenster->suchlaufAktiv() && QFile::resize(gross, 4 * 4096);
    });
    fenster->Command1_Click();
    ASSERT_TRUE(gekuerzt);
    ASSERT_EQ(meldungen().size(), 2) << meldungen().join(u'|').toStdString();
    EXPECT_TRUE(meldungen()[0].contains(gross)) << meldungen()[0].toStdString();
    EXPECT_EQ(recorder->eintraege()[0].symbol, Plattform::Symbol::Kritisch);
    EXPECT_EQ(meldungen()[1], QStringLiteral("Ende des Suchlaufes!"));
    EXPECT_FALSE(fenster->suchlaufAktiv());
    EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);

    // The protocol holds the hits up to the damage, whole lines, then its
    // end lines with their count.
    const QByteArray bytes = protokollBytes();
    const qsizetype stelle = bytes.lastIndexOf("gesamt gefundene Felder: ");
    ASSERT_GT(stelle, 0) << bytes.right(200).toStdString();
    const int treffer = bytes.mid(stelle + 25).trimmed().toInt();
    EXPECT_GE(treffer, 3);
    EXPECT_LT(treffer, 2000);
    EXPECT_EQ(bytes, vieleProtokoll(treffer * 10));
    // List1 has the same hits, each with its separator, and the end lines.
    QStringList liste;
    for (int i = 10; i <= treffer * 10; i += 10)
        liste << QStringLiteral("Satz: %1\t\tText\tFeldinhalt: Treffer").arg(i) << QString(43, u'-');
    liste << QString(29, u'-') << QStringLiteral("gesamt gefundene Felder: %1").arg(treffer);
    EXPECT_EQ(fenster->ergebnisse().alleZeilen(), liste);
    EXPECT_GE(fenster->Text2->text().toInt(), treffer * 10);
    EXPECT_LT(fenster->Text2->text().toInt(), 20000);

    guteSuche();
}

// One zeroed data page in the middle of the table: the rows on the other
// pages are searched, and list, protocol and a message say which page is
// missing, so the run does not pass for a complete one.
TEST_F(Eingaben, AZeroedPageIsReadPastAndNamedInListProtocolAndMessage)
{
    const QString datei = pfad(QStringLiteral("loch.mdb"));
    {
        Database db(datei.toStdString(), Format::Jet4);
        vieleTabelle(db, 20000);
        db.finish();
    }
    QFile f(datei);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    std::vector<qint64> datenseiten;  // the data pages of the table, not of the catalogue
    for (qint64 s = 3; s < f.size() / 4096; ++s) {
        f.seek(s * 4096);
        const QByteArray kopf = f.read(8);
        if (kopf[0] == 1 && kopf[4] != 2)
            datenseiten.push_back(s);
    }
    ASSERT_GT(datenseiten.size(), 10u);
    const qint64 loch = datenseiten[datenseiten.size() / 2];
    f.seek(loch * 4096);
    f.write(QByteArray(4096, 0));
    f.close();

    fenster->File1->aktualisieren();
    waehle(QStringLiteral("loch.mdb"));
    fenster->Text1->setText(QStringLiteral("treffer"));
    recorder->leeren();
    fenster->Command1_Click();
    ASSERT_EQ(meldungen().size(), 2) << meldungen().join(u'|').toStdString();
    EXPECT_TRUE(meldungen()[0].contains(datei)) << meldungen()[0].toStdString();
    EXPECT_TRUE(meldungen()[0].contains(QStringLiteral("Seite %1: ").arg(loch))) << meldungen()[0].toStdString();
    EXPECT_EQ(recorder->eintraege()[0].symbol, Plattform::Symbol::Kritisch);
    EXPECT_EQ(meldungen()[1], QStringLiteral("Ende des Suchlaufes!"));

    const QStringList liste = fenster->ergebnisse().alleZeilen();
    ASSERT_GE(liste.size(), 3);
    const QString unvollstaendig = QStringLiteral("Suchlauf unvollständig: Tabelle Viele, Seite %1 beschädigt").arg(loch);
    EXPECT_EQ(liste.mid(liste.size() - 3), (QStringList{unvollstaendig, QString(29, u'-'), liste.last()}));
    const int treffer = liste.last().mid(25).toInt();
    EXPECT_GT(treffer, 1800);
    EXPECT_LT(treffer, 2000);  // the hits of the zeroed page are gone
    // The protocol holds the list's lines without the separators.
    QByteArray erwartet;
    for (const QString& z : liste)
        if (z != QString(43, u'-'))
            erwartet += z.toLatin1() + "\r\n";
    EXPECT_EQ(protokollBytes(), erwartet);
    guteSuche();
}

TEST_F(Eingaben, AFileDeletedDuringTheRunIsReadToItsEnd)
{
    // The reader holds the file open; the name going away changes nothing.
    const QString viele = pfad(QStringLiteral("viele.mdb"));
    {
        Database db(viele.toStdString(), Format::Jet4);
        vieleTabelle(db, 3000);
        db.finish();
    }
    fenster->File1->aktualisieren();
    waehle(QStringLiteral("viele.mdb"));
    fenster->Text1->setText(QStringLiteral("treffer"));
    bool geloescht = false;
    QTimer::singleShot(0, fenster.get(), [&] { geloescht = fenster->suchlaufAktiv() && QFile::remove(viele); });
    fenster->Command1_Click();
    ASSERT_TRUE(geloescht);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    EXPECT_EQ(protokollBytes(), vieleProtokoll(3000));
    EXPECT_EQ(fenster->Text2->text(), QStringLiteral("3000"));
    // Now it is gone for the next search.
    recorder->leeren();
    fenster->Command1_Click();
    meldungNennt(viele, "danach");
    EXPECT_EQ(protokollBytes(), vieleProtokoll(3000));
    guteSuche();
}

// --- a protocol that cannot be written -------------------------------------------

// The file-size limit of the process: the file system takes no more bytes
// than that, as a full disk does.
class Dateigrenze {
public:
    explicit Dateigrenze(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &alt_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit neu = alt_;
        neu.rlim_cur = bytes;
        gesetzt_ = ::setrlimit(RLIMIT_FSIZE, &neu) == 0;
    }
    ~Dateigrenze()
    {
        ::setrlimit(RLIMIT_FSIZE, &alt_);
        std::signal(SIGXFSZ, signal_);
    }
    bool gesetzt() const { return gesetzt_; }

private:
    rlimit alt_{};
    void (*signal_)(int) = nullptr;
    bool gesetzt_ = false;
};

TEST_F(Eingaben, AFullDiskKeepsThePreviousProtocol)
{
    {
        Database db(pfad(QStringLiteral("viele.mdb")).toStdString(), Format::Jet4);
        vieleTabelle(db, 30000);  // 3000 hits: more than one block of the writer
        db.finish();
    }
    fenster->File1->aktualisieren();
    guteSuche();
    const QStringList vorher = zustand();

    // 64 KB blocks during the run, and the rest at the end: both writes fail.
    for (const rlim_t grenze : {rlim_t(16 * 1024), rlim_t(Protokoll::Schreiber::Blockgroesse + 16 * 1024)}) {
        SCOPED_TRACE(grenze);
        waehle(QStringLiteral("viele.mdb"));
        fenster->Text1->setText(QStringLiteral("treffer"));
        recorder->leeren();
        {
            Dateigrenze g(grenze);
            ASSERT_TRUE(g.gesetzt());
            fenster->Command1_Click();
        }
        ASSERT_EQ(meldungen().size(), 2) << meldungen().join(u'|').toStdString();
        EXPECT_TRUE(meldungen()[0].contains(QDir::toNativeSeparators(protokoll))) << meldungen()[0].toStdString();
        EXPECT_TRUE(meldungen()[0].contains(QStringLiteral("kann nicht geschrieben werden"))) << meldungen()[0].toStdString();
        EXPECT_EQ(recorder->eintraege()[0].symbol, Plattform::Symbol::Kritisch);
        EXPECT_EQ(meldungen()[1], QStringLiteral("Ende des Suchlaufes!"));
        EXPECT_EQ(protokollBytes(), kundenProtokoll);
        EXPECT_TRUE(protokollReste().isEmpty()) << protokollReste().join(u',').toStdString();
        EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
        EXPECT_FALSE(fenster->suchlaufAktiv());
    }
    guteSuche();
    EXPECT_EQ(zustand(), vorher);
}

TEST_F(Eingaben, AProtocolThatCannotReplaceItsTargetLeavesTheTargetAlone)
{
    {
        Database db(pfad(QStringLiteral("viele.mdb")).toStdString(), Format::Jet4);
        vieleTabelle(db, 300);
        db.finish();
    }
    fenster->File1->aktualisieren();
    guteSuche();
    waehle(QStringLiteral("viele.mdb"));
    fenster->Text1->setText(QStringLiteral("treffer"));
    recorder->leeren();
    // The new protocol replaces the old one only at the end of the run; a
    // directory that took the old one's place by then stops the
    // replacement. The old protocol is moved aside first, to compare.
    const QString alt = pfad(QStringLiteral("Protokoll.alt"));
    bool umgestellt = false;
    QTimer::singleShot(0, fenster.get(), [&] {
        umgestellt = fenster->suchlaufAktiv() && QFile::rename(protokoll, alt) && QDir(dir.path()).mkdir(QStringLiteral("Protokoll.txt"));
        textSchreiben(protokoll + QStringLiteral("/darin.txt"), "bleibt");
    });
    const QStringList eintraegeVorher = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    fenster->Command1_Click();
    ASSERT_TRUE(umgestellt);
    ASSERT_EQ(meldungen().size(), 2) << meldungen().join(u'|').toStdString();
    EXPECT_TRUE(meldungen()[0].contains(QDir::toNativeSeparators(protokoll))) << meldungen()[0].toStdString();
    EXPECT_TRUE(meldungen()[0].contains(QStringLiteral("kann nicht gespeichert werden"))) << meldungen()[0].toStdString();
    EXPECT_EQ(recorder->eintraege()[0].symbol, Plattform::Symbol::Kritisch);
    EXPECT_EQ(meldungen()[1], QStringLiteral("Ende des Suchlaufes!"));
    // Nothing left behind, nothing removed.
    QStringList eintraege = eintraegeVorher;
    eintraege << QStringLiteral("Protokoll.alt");
    eintraege.sort();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), eintraege);
    EXPECT_EQ(QDir(protokoll).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("darin.txt")});
    QFile darin(protokoll + QStringLiteral("/darin.txt"));
    ASSERT_TRUE(darin.open(QIODevice::ReadOnly));
    EXPECT_EQ(darin.readAll(), QByteArray("bleibt"));
    QFile vorher(alt);
    ASSERT_TRUE(vorher.open(QIODevice::ReadOnly));
    EXPECT_EQ(vorher.readAll(), kundenProtokoll);

    ASSERT_TRUE(QDir(protokoll).removeRecursively());
    guteSuche();
}

TEST_F(Eingaben, AProtocolPlaceThatTakesNoFileKeepsListAndProtocol)
{
    // Below a regular file nothing can be created, for root as well.
    guteSuche();
    QStringList vorher = zustand();
    protokoll = pfad(QStringLiteral("kunden.mdb/Protokoll.txt"));
    fenster->Command1_Click();
    ASSERT_EQ(meldungen().size(), 2) << meldungen().join(u'|').toStdString();
    EXPECT_TRUE(meldungen()[0].contains(QDir::toNativeSeparators(protokoll))) << meldungen()[0].toStdString();
    EXPECT_EQ(meldungen()[1], QStringLiteral("Ende des Suchlaufes!"));
    // The run did not start: List1 was emptied as its first step; the
    // protocol keeps the last search.
    vorher.back() = QStringLiteral("List1: ");
    EXPECT_EQ(zustand(), vorher);
    protokoll = pfad(QStringLiteral("Protokoll.txt"));
    EXPECT_EQ(protokollBytes(), kundenProtokoll);
    guteSuche();
}

TEST_F(Eingaben, AReadOnlyProtocolDirectoryKeepsThePreviousProtocol)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into a directory of mode 555; AProtocolPlaceThatTakesNoFileKeepsListAndProtocol covers the failed open";
    QDir(dir.path()).mkdir(QStringLiteral("nurlesen"));
    protokoll = pfad(QStringLiteral("nurlesen/Protokoll.txt"));
    guteSuche();
    const QString ordner = pfad(QStringLiteral("nurlesen"));
    ASSERT_EQ(::chmod(QFile::encodeName(ordner).constData(), 0555), 0);
    fenster->Command1_Click();
    ::chmod(QFile::encodeName(ordner).constData(), 0755);
    ASSERT_EQ(meldungen().size(), 2) << meldungen().join(u'|').toStdString();
    EXPECT_TRUE(meldungen()[0].contains(QDir::toNativeSeparators(protokoll))) << meldungen()[0].toStdString();
    EXPECT_EQ(protokollBytes(), kundenProtokoll);
    EXPECT_TRUE(protokollReste().isEmpty());
    guteSuche();
}

// --- the window during a run ---------------------------------------------------------

class Lauf : public Eingaben {
protected:
    void dateienAnlegen() override
    {
        Eingaben::dateienAnlegen();
        Database db(pfad(QStringLiteral("viele.mdb")).toStdString(), Format::Jet4);
        vieleTabelle(db, 600);
        db.addTable("Zweite", {{"A", ColumnType::Long}});
        db.finish();
    }
    void SetUp() override
    {
        Eingaben::SetUp();
        fenster->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenster.get()));
        nebenfenster.beiFeldauswahlZeigen = [this] { geoeffnet << QStringLiteral("Feldauswahl"); };
        nebenfenster.beiTabelleninhaltZeigen = [this] { geoeffnet << QStringLiteral("Tabelleninhalt"); };
        nebenfenster.beiFeldauswahlEntladen = [this] { entladen << fenster->suchlaufAktiv(); };
        nebenfenster.beiTabelleninhaltEntladen = [this] { entladen << fenster->suchlaufAktiv(); };
        fenster->hilfeZeigen = [this](const QString& datei) { hilfe << datei; };
        fenster->programmSuchen = [](const QString& name) { return QStringLiteral("/usr/bin/") + name; };
        waehle(QStringLiteral("viele.mdb"));
        fenster->Text1->setText(QStringLiteral("treffer"));
        recorder->leeren();
    }

    void klick(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void klickAuf(QListWidget* liste, const QString& text)
    {
        const auto treffer = liste->findItems(text, Qt::MatchEndsWith);
        ASSERT_FALSE(treffer.isEmpty()) << text.toStdString();
        const QRect r = liste->visualItemRect(treffer.front());
        ASSERT_TRUE(liste->viewport()->rect().contains(r.center())) << text.toStdString();
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, r.center());
    }
    void doppelklickAuf(QListWidget* liste, const QString& text)
    {
        const auto treffer = liste->findItems(text, Qt::MatchEndsWith);
        ASSERT_FALSE(treffer.isEmpty()) << text.toStdString();
        const QRect r = liste->visualItemRect(treffer.front());
        QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, r.center());
    }

    QStringList geoeffnet;
    QList<bool> entladen;
    QStringList hilfe;
};

TEST_F(Lauf, EveryControlUsedDuringARunLeavesRunAndChoiceAsTheyWere)
{
    // The run without anyone touching the window.
    fenster->Command1_Click();
    const QByteArray ungestoert = protokollBytes();
    const QStringList zeilen = fenster->ergebnisse().alleZeilen();
    ASSERT_EQ(ungestoert, vieleProtokoll(600));
    ASSERT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    const QStringList vorher = zustand();
    const QString sql = DB::AbfrageSQL;
    recorder->leeren();
    entladen.clear();

    int eingriffe = 0;
    QTimer::singleShot(0, fenster.get(), [&] {
        ASSERT_TRUE(fenster->suchlaufAktiv());
        ++eingriffe;
        // File and table choice.
        QTest::keyClick(fenster->Drive1, Qt::Key_Down);
        QTest::keyClick(fenster->Drive1, Qt::Key_Up);
        doppelklickAuf(fenster->Dir1, QStringLiteral("unter"));
        klickAuf(fenster->File1, QStringLiteral("kunden.mdb"));
        QTest::keyClick(fenster->File1, Qt::Key_Home);
        QTest::keyClick(fenster->ImageCombo1, Qt::Key_Down);
        QTest::keyClicks(fenster->ImageCombo1->lineEdit(), QStringLiteral("xy"));
        QTest::keyClick(fenster->ImageCombo1->lineEdit(), Qt::Key_Return);
        QTest::keyClick(fenster->ImageCombo1, Qt::Key_F4);
        fenster->ImageCombo1->hidePopup();
        // The wildcard box: "treffer" finds the same either way.
        klick(fenster->Check1);
        // The result list while it grows.
        QTest::mouseClick(fenster->List1->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        QTest::keyClick(fenster->List1, Qt::Key_End);
        // The buttons.
        klick(fenster->Command1);
        klick(fenster->Command2);
        klick(fenster->Command3);
        klick(fenster->Command4);
        // The help menu.
        fenster->mnuHilfe->trigger();
        fenster->mnuWin7->trigger();
    });
    fenster->Command1_Click();
    EXPECT_EQ(eingriffe, 1);
    EXPECT_FALSE(fenster->suchlaufAktiv());

    // The run is the undisturbed one, byte for byte.
    EXPECT_EQ(protokollBytes(), ungestoert);
    EXPECT_EQ(fenster->ergebnisse().alleZeilen(), zeilen);
    EXPECT_EQ(fenster->Text2->text(), QStringLiteral("600"));
    ASSERT_EQ(meldungen().size(), 2) << meldungen().join(u'|').toStdString();
    EXPECT_TRUE(meldungen()[0].startsWith(QStringLiteral("Windows 7 bzw. Vista Nutzer")));
    EXPECT_EQ(meldungen()[1], QStringLiteral("Ende des Suchlaufes!"));

    // File, table and the state the next search starts from stand as before;
    // only the wildcard box took the click.
    QStringList erwartet = vorher;
    erwartet[9] = QStringLiteral("Check1: ") + QString::number(Qt::Unchecked);
    EXPECT_EQ(zustand(), erwartet);
    EXPECT_EQ(DB::AbfrageSQL, sql);
    EXPECT_EQ(DB::AuswahlAnzahl, 0);
    // The mask and the table window did not open; the viewer and the help did.
    EXPECT_TRUE(geoeffnet.isEmpty()) << geoeffnet.join(u',').toStdString();
    EXPECT_EQ(gestartet, (QStringList{QStringLiteral("/usr/bin/xdg-open"), protokoll}));
    EXPECT_EQ(hilfe.size(), 2);
    EXPECT_TRUE(entladen.isEmpty());

    // All controls take input again, and the next search works.
    for (QWidget* w : std::initializer_list<QWidget*>{fenster->Drive1, fenster->Dir1, fenster->File1, fenster->ImageCombo1,
                                                     fenster->Command1, fenster->Command3, fenster->Command4})
        EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
    recorder->leeren();
    klick(fenster->Command1);
    EXPECT_EQ(protokollBytes(), ungestoert);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    geoeffnet.clear();
    klick(fenster->Command4);
    EXPECT_EQ(geoeffnet, QStringList{QStringLiteral("Tabelleninhalt")});
}

TEST_F(Lauf, TheFocusTheLockTookComesBackAfterTheRun)
{
    QApplication::setActiveWindow(fenster.get());
    for (const bool tippen : {false, true}) {
        SCOPED_TRACE(tippen ? "Text1 angeklickt" : "ungestört");
        fenster->File1->setFocus();
        ASSERT_TRUE(fenster->File1->hasFocus());
        bool gesperrt = false;
        QTimer::singleShot(0, fenster.get(), [&] {
            gesperrt = !fenster->File1->isEnabled() && !fenster->File1->hasFocus();
            if (tippen)
                QTest::mouseClick(fenster->Text1, Qt::LeftButton);
        });
        fenster->Command1_Click();
        EXPECT_TRUE(gesperrt);
        EXPECT_TRUE(fenster->File1->isEnabled());
        // The user's own move stands.
        EXPECT_EQ(fenster->File1->hasFocus(), !tippen);
        EXPECT_EQ(fenster->Text1->hasFocus(), tippen);
        EXPECT_EQ(protokollBytes(), vieleProtokoll(600));
    }
}

TEST_F(Lauf, ProgramEndDuringARunComesAfterTheRun)
{
    entladen.clear();
    QTimer::singleShot(0, fenster.get(), [&] {
        EXPECT_TRUE(fenster->suchlaufAktiv());
        fenster->mnubeenden->trigger();
    });
    fenster->Command1_Click();
    // The run ends at the events like an escape, its protocol complete; the
    // other windows go and the window closes only then.
    EXPECT_EQ(protokollBytes(), vieleProtokoll(20, 29));
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Suchlauf abgebrochen!")});
    EXPECT_FALSE(fenster->isVisible());
    EXPECT_GE(entladen.size(), 2);
    EXPECT_FALSE(entladen.contains(true)) << "unloaded while the run read them";
}

}  // namespace
