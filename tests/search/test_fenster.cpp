// The main window driven through its controls, offscreen, with files of our
// Jet writer; the message boxes go to the recorder, the protocol to a
// temporary file.

#include "Fenster.h"
#include "Programmkennung.h"
#include "System.h"

#include <QApplication>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QtTest/QTest>

#include <gtest/gtest.h>


using namespace mdbwriter;
namespace DB = Datenbankfunktion;

namespace {

class Fenster : public FensterPruefung {
protected:
    void dateienAnlegen() override
    {
        datenbank(dir.filePath(QStringLiteral("kunden.mdb")), [](auto& db) {
            const int k = db.addTable("Kunden", {{"Nr", ColumnType::Long}, {"Name", ColumnType::Text, 30},
                                                 {"Ort", ColumnType::Text, 30}, {"Notiz", ColumnType::Memo}});
            db.addRow(k, {Cell::integer(1), Cell::text("Müller"), Cell::text("Köln"), Cell::text("Zeile\n2")});
            db.addRow(k, {Cell::integer(2), Cell::text("MOLLER"), Cell::null(), Cell::text("a*c\tTab")});
            db.addRow(k, {Cell::integer(3), Cell::text("Meller"), Cell::text("Müllerstadt"), Cell::null()});
            db.addRow(k, {Cell::integer(4), Cell::text("Mller"), Cell::text("Bonn"), Cell::null()});
            db.addSystemTable("MSysEigene", {{"A", ColumnType::Long}});
            db.addQuery("Abfrage");
            db.addTable("Leer", {{"A", ColumnType::Long}});
            db.addTable("~TMPCLP1", {{"A", ColumnType::Long}});
            db.addTable("Kunden Alt", {{"A", ColumnType::Long}});
            db.addTable("~tmpklein", {{"A", ColumnType::Long}});
        });
        datenbank(dir.filePath(QStringLiteral("OHNE.MDB")), [](auto& db) { db.addTable("Kunden Alt", {{"A", ColumnType::Long}}); }, Format::Jet3);
    }
};

TEST_F(Fenster, StartsWithItsCaptionAndControls)
{
    EXPECT_EQ(fenster->windowTitle(), Programmkennung::fensterTitel());
    EXPECT_TRUE(fenster->Check1->isChecked());
    EXPECT_EQ(fenster->Text1->text(), QStringLiteral("*A"));
    EXPECT_EQ(fenster->Text3->text(), QStringLiteral("inaktiv"));
    // 15 twips a pixel at 96 DPI.
    EXPECT_EQ(fenster->List1->geometry(), QRect(16, 224, 625, 342));
    // Upper-case extensions are listed, sorted as a user expects (not by code).
    EXPECT_EQ(zustand()[2], QStringLiteral("File1: kunden.mdb,OHNE.MDB"));
}

// Steps through the controls: the messages they raise, the protocol they
// leave, the record count shown (preset to 17; an empty table leaves it).
TEST_F(Fenster, StepsTheirMessagesAndTheProtocol)
{
    const QString ende = QStringLiteral("Ende des Suchlaufes!");
    const auto schluss = [](int n) { return "-----------------------------\r\ngesamt gefundene Felder: " + QByteArray::number(n) + "\r\n"; };
    const QString kunden = QStringLiteral("datei kunden.mdb | tabelle Kunden | platzhalter ");
    // Started with a file that is not there, a file that is no database.
    ASSERT_TRUE(QFile(dir.filePath(QStringLiteral("notiz.txt"))).open(QIODevice::WriteOnly));
    const auto start = [this](const char* name) { return QStringLiteral("start ") + dir.filePath(QString::fromUtf8(name)); };
    const auto datei = [this](const char* name, const char* was) { return QStringLiteral("!Die Datei „%1“ %2").arg(dir.filePath(QString::fromUtf8(name)), QString::fromUtf8(was)); };
    const struct {
        QString schritte, meldungen;
        QByteArray protokoll;
        const char* text2;
    } faelle[] = {
        {QStringLiteral("suche | zeigen"), QStringLiteral("!es wurde keine Datenbank gewählt! | !es wurde keine Datenbank gewählt!"), "<fehlt>", "17"},
        // A file without tables: Command4 says so again, the next action clears that silently.
        {QStringLiteral("datei OHNE.MDB | inhalt | tabelle Kunden Alt | maske"), QStringLiteral("!keine auswertbare Tabelle in der Datenbank gefunden! | !keine auswertbare Tabelle in der Datenbank gefunden!"),
         "<fehlt>", "17"},
        {start("fehlt.mdb"), datei("fehlt.mdb", "wurde nicht gefunden."), "<fehlt>", "17"},
        {start("notiz.txt"), datei("notiz.txt", "ist keine Access-Datenbank (*.mdb, *.accdb)."), "<fehlt>", "17"},
        // "Köln" does not match m*ller; only fields with an m, a letter and ller do.
        {kunden + QStringLiteral("1 | text m*ller | suche"), ende,
         "Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\nSatz: 2\t\tName\tFeldinhalt: MOLLER\r\nSatz: 3\t\tName\tFeldinhalt: "
         "Meller\r\nSatz: 3\t\tOrt\tFeldinhalt: M\xFCllerstadt\r\n" + schluss(4), "4"},
        {kunden + QStringLiteral("0 | text a*c | suche"), ende, "Satz: 2\t\tNotiz\tFeldinhalt: a*c\tTab\r\n" + schluss(1), "4"},  // the star is a character
        {kunden + QStringLiteral("1 | text Zeile*2 | suche"), ende, "Satz: 1\t\tNotiz\tFeldinhalt: Zeile\n2\r\n" + schluss(1), "4"},  // a line break is one
        // Fields that cannot contain the pattern's characters are skipped; a
        // number pattern must still reach the number fields.
        {kunden + QStringLiteral("0 | text 3 | suche"), ende, "Satz: 3\t\tNr\tFeldinhalt: 3\r\n" + schluss(1), "4"},
        {QStringLiteral("datei kunden.mdb | tabelle Leer | platzhalter 1 | text * | suche"), ende, schluss(0), "17"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.schritte.toStdString());
        fenster->Text2->setText(QStringLiteral("17"));
        EXPECT_EQ(tun(f.schritte), f.meldungen);
        EXPECT_EQ(protokollBytes(), f.protokoll);
        EXPECT_EQ(fenster->Text2->text(), QString::fromUtf8(f.text2));
        EXPECT_TRUE(gestartet.isEmpty());
        if (f.meldungen == ende) {
            EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
            EXPECT_EQ(fenster->ergebnisse().alleZeilen(), listeWieProtokoll());
            EXPECT_EQ(fenster->ergebnisse().rowCount(), listeWieProtokoll().size());
        }
    }
}

TEST_F(Fenster, FileClickListsEvaluableTablesInCatalogueOrder)
{
    waehle(QStringLiteral("kunden.mdb"));
    EXPECT_TRUE(meldungen().isEmpty()) << meldungen().join(u'|').toStdString();
    EXPECT_EQ(tabellen(), (QStringList{QStringLiteral("Kunden"), QStringLiteral("Leer"), QStringLiteral("~tmpklein")}));
    // The chooser says which table the list leaves out, and why.
    EXPECT_EQ(fenster->ImageCombo1->toolTip(),
              QStringLiteral("1 Tabelle fehlt in der Liste:\n„Kunden Alt“ (der Name gilt nur in eckigen Klammern)\n"
                             "zelk-feldspur-suche --alle-tabellen durchsucht jede Tabelle."));
    EXPECT_EQ(fenster->ImageCombo1->text(), QStringLiteral("Kunden"));
    EXPECT_EQ(DB::DatenbankVerzeichnis, dir.path() + u'/');
    EXPECT_TRUE(DB::VerbindungsText.contains(QStringLiteral(";DBQ=") + dir.path() + QStringLiteral("/kunden.mdb;DefaultDir=") + dir.path() + QStringLiteral("/;")));
    EXPECT_EQ(DB::Satzmenge->State(), Datenzugriff::adStateOpen);

    // A chosen table survives a refresh through the list handler.
    fenster->ImageCombo1->setzeText(QStringLiteral("Leer"));
    fenster->ImageCombo1_Dropdown();
    EXPECT_EQ(fenster->ImageCombo1->text(), QStringLiteral("Leer"));
    EXPECT_EQ(tabellen().size(), 3);
    EXPECT_EQ(DB::AbfrageSQL, QStringLiteral("Select * from [Leer];"));
}

// A double-click on a hit line opens the table content window on its record
// and field, after a reconnect; other lines open nothing.
TEST_F(Fenster, DoubleClickOnAHitLineLeadsOnlyToItsOwnRecord)
{
    std::vector<std::pair<std::int64_t, QString>> geoeffnet;
    nebenfenster.beiTabelleninhaltBeiSatzZeigen = [&](std::int64_t satz, const QString& feld) {
        EXPECT_EQ(DB::Satzmenge->State(), Datenzugriff::adStateOpen);  // reconnected first
        geoeffnet.emplace_back(satz, feld);
    };
    const QString kunden = dir.filePath(QStringLiteral("kunden.mdb"));
    ASSERT_TRUE(QFile::copy(kunden, dir.filePath(QStringLiteral("kopie.mdb"))));
    fenster->File1->aktualisieren();
    tun(QStringLiteral("datei kunden.mdb | text m*ller | suche"));
    fenster->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fenster.get()));
    auto doppelklick = [this](int zeile) {
        const QModelIndex i = fenster->ergebnisse().index(zeile, 0);
        fenster->List1->scrollTo(i);
        const QPoint punkt = fenster->List1->visualRect(i).center();
        QTest::mouseClick(fenster->List1->viewport(), Qt::LeftButton, {}, punkt);
        QTest::mouseDClick(fenster->List1->viewport(), Qt::LeftButton, {}, punkt);
    };
    doppelklick(3);  // a separator
    doppelklick(fenster->ergebnisse().rowCount() - 1);  // the total
    EXPECT_TRUE(geoeffnet.empty());

    const QDateTime gelesen = QFileInfo(kunden).lastModified();
    auto dateizeit = [kunden](const QDateTime& t) {
        QFile f(kunden);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(t, QFileDevice::FileModificationTime));
    };
    auto tabelle = [this](const char* name) {
        fenster->ImageCombo1->setzeText(QString::fromUtf8(name));
        fenster->ImageCombo1_Change();
    };
    // After each change of the choice the hit line "Satz: 3 ... Name" (line 4)
    // opens its record, or a message says why it cannot.
    const struct {
        const char* was;
        std::function<void()> aendern;
        const char* grund;  // nullptr: the record opens
    } faelle[] = {
        {"same choice", [] {}, nullptr},
        {"another table", [&] { tabelle("Leer"); }, "Gewählt ist jetzt Tabelle „Leer“ der Datenbank „"},
        {"back to the table", [&] { tabelle("Kunden"); }, nullptr},
        {"another file, same table name", [&] { waehle(QStringLiteral("kopie.mdb")); }, "kopie.mdb“."},
        {"back to the file", [&] { waehle(QStringLiteral("kunden.mdb")); }, nullptr},
        {"the file changed on disk", [&] { dateizeit(gelesen.addSecs(60)); }, "Die Datenbank wurde seit dem Suchlauf geändert."},
        {"another field selection", [&] { dateizeit(gelesen); DB::AuswahlAnzahl = 1; DB::AbfrageSQL = QStringLiteral("Select [Name] from [Kunden];"); },
         "Die Feldauswahl ist seit dem Suchlauf eine andere."},
        {"the file removed", [&] { DB::AuswahlAnzahl = 0; ASSERT_TRUE(QFile::rename(kunden, kunden + u'~')); }, nullptr},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.was);
        f.aendern();
        geoeffnet.clear();
        recorder->leeren();
        doppelklick(4);
        const QString m = meldungen().join(u'|');
        if (f.grund) {
            EXPECT_TRUE(geoeffnet.empty());
            EXPECT_TRUE(m.startsWith(QStringLiteral("Diese Trefferzeile stammt aus dem Suchlauf in Tabelle „Kunden“ der Datenbank „") + kunden
                                     + QStringLiteral("“.\r")) && m.contains(QString::fromUtf8(f.grund)) && !m.contains(u'|')) << m.toStdString();
        } else if (QFile::exists(kunden)) {
            EXPECT_EQ(geoeffnet, (std::vector<std::pair<std::int64_t, QString>>{{3, QStringLiteral("Name")}}));
            EXPECT_EQ(m, QString());
        } else {
            // Gone: the reconnect says so; no record of another file opens.
            EXPECT_TRUE(geoeffnet.empty());
            EXPECT_NE(m, QString());
        }
    }
}

// "&Programm beenden" ends the program whatever is open: the help viewer
// belongs to the main window and closes with it, so no window is left that
// would keep the program alive.
TEST_F(Fenster, ProgramEndClosesTheHelpViewerToo)
{
    fenster->show();
    fenster->mnuHilfe_Click();
    QWidget* hilfe = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Hilfeanzeige") && w->isVisible())
            hilfe = w;
    ASSERT_NE(hilfe, nullptr) << "the help file beside the test program";
    EXPECT_EQ(hilfe->parentWidget(), fenster.get());
    fenster->mnubeenden_Click();
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
}

TEST_F(Fenster, ProtocolViewerOrTheProgramsOwnWhenThereIsNone)
{
    tun(QStringLiteral("datei kunden.mdb | suche"));
    auto anzeigen = [this] { return fenster->findChildren<QPlainTextEdit*>(QStringLiteral("Protokollanzeige")); };
    // The desktop's opener as it answers: started and done, not there, no
    // program for text files (xdg-open ends with an error), not at all.
    const struct {
        const char* was;
        QString opener;
        bool eigeneAnzeige;
    } faelle[] = {
        {"a program took the file", QStringLiteral("/bin/true"), false},
        {"the opener cannot be started", QStringLiteral("/nicht/da/xdg-open"), true},
        {"no program for text files", QStringLiteral("/bin/false"), true},
        {"no opener on the search path", QString(), true},
    };
    fenster->programmStarten = &frmDataEnv::prozessStarten;
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.was);
        const qsizetype vorher = anzeigen().size();
        fenster->programmSuchen = [&f](const QString&) { return f.opener; };
        fenster->Command2_Click();
        (void)QTest::qWaitFor([&] { return anzeigen().size() != vorher; }, 1000);  // the opener's end arrives through the event loop
        ASSERT_EQ(anzeigen().size(), vorher + (f.eigeneAnzeige ? 1 : 0));
        if (f.eigeneAnzeige) {
            const QString datei = QString::fromLatin1(protokollBytes()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            EXPECT_TRUE(datei.contains(QStringLiteral("M\u00fcller")));
            EXPECT_EQ(anzeigen().back()->toPlainText().trimmed(), datei.trimmed());
        }
    }
}

// An installed program: its data apart from it, as /usr/lib and /usr/share.
class InstalliertesSystem final : public Plattform::System {
public:
    explicit InstalliertesSystem(const QString& wurzel) : wurzel_(wurzel)
    {
        QDir(wurzel).mkpath(QStringLiteral("lib/zelk-feldspur"));
        QDir(wurzel).mkpath(QStringLiteral("share/zelk-feldspur/Hilfe"));
    }
    bool GetUserNameA(QByteArray&, std::uint32_t&) const override { return false; }
    QString programmverzeichnis() const override { return wurzel_ + QStringLiteral("/lib/zelk-feldspur"); }
    QString arbeitsverzeichnis() const override { return programmverzeichnis(); }
    bool arbeitsverzeichnisSetzen(const QString&) override { return true; }

private:
    QString wurzel_;
};

TEST_F(Fenster, InstalledTheListsBeginAtHomeThenAtTheLastDatabase)
{
    const QString heim = dir.filePath(QStringLiteral("heim"));
    const QString alt = dir.filePath(QStringLiteral("heim/Archiv 2003"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("heim/Archiv 2003")));
    QStringList kopien;
    for (int i = 1; i <= 6; ++i) {
        kopien << QDir(alt).filePath(QStringLiteral("k%1.mdb").arg(i));
        ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("kunden.mdb")), kopien.back()));
    }
    const auto zurueck = qScopeGuard([altesHeim = qgetenv("HOME")] {
        qputenv("HOME", altesHeim);
        Plattform::setzeBetriebssystem(nullptr);
    });
    qputenv("HOME", heim.toUtf8());
    auto neuesFenster = [this] {
        fenster.reset();
        fenster = std::make_unique<frmDataEnv>();
        fenster->setzeNebenfenster(&nebenfenster);
        fenster->protokollPfad = [this] { return protokoll; };
    };
    auto zuletzt = [this] {
        QStringList z;
        for (QAction* a : fenster->mnuZuletzt)
            if (a->isVisible())
                z << a->text();
        return z;
    };

    // From the build folder the lists stay beside the program, whatever the user opened.
    einstellungen->setzeListe(QStringLiteral("ZuletztGeoeffnet"), {kopien[0]});
    neuesFenster();
    EXPECT_EQ(fenster->Dir1->pfad(), QDir::currentPath());
    EXPECT_EQ(zuletzt(), QStringList{QStringLiteral("&1 ") + kopien[0]});

    einstellungen->setzeListe(QStringLiteral("ZuletztGeoeffnet"), {});
    Plattform::setzeBetriebssystem(std::make_shared<InstalliertesSystem>(dir.filePath(QStringLiteral("usr"))));
    neuesFenster();
    EXPECT_EQ(fenster->Dir1->pfad(), heim);
    EXPECT_TRUE(zuletzt().isEmpty());

    // Ctrl+O: the dialog asks in Dir1's folder for Access files; a cancel changes nothing.
    fenster->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenster.get()));
    QTest::keyClick(fenster.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dateidialog->fragen().size(), 1u);
    EXPECT_EQ(dateidialog->fragen()[0].verzeichnis, heim);
    EXPECT_TRUE(dateidialog->fragen()[0].filter.startsWith(QStringLiteral("Access-Datenbanken (*.mdb *.MDB *.accdb *.ACCDB)")));
    EXPECT_EQ(fenster->Dir1->pfad(), heim);

    // Six files opened, the fourth twice: five, newest first, each once;
    // each is chosen in Drive1 (the longest root holding it), Dir1 and File1,
    // its tables listed.
    for (const int i : {0, 1, 2, 3, 4, 5, 3}) {
        dateidialog->naechsteAntwort(kopien[i]);
        fenster->mnuOeffnen->trigger();
        EXPECT_EQ(fenster->Drive1->laufwerk(), heim + u'/');
        EXPECT_EQ(fenster->Dir1->pfad(), alt);
        EXPECT_EQ(fenster->File1->gewaehlteDatei(), QFileInfo(kopien[i]).fileName());
        EXPECT_EQ(fenster->ImageCombo1->text(), QStringLiteral("Kunden"));
    }
    const QStringList erwartet{QStringLiteral("&1 ") + kopien[3], QStringLiteral("&2 ") + kopien[5], QStringLiteral("&3 ") + kopien[4],
                               QStringLiteral("&4 ") + kopien[2], QStringLiteral("&5 ") + kopien[1]};
    EXPECT_EQ(zuletzt(), erwartet);
    EXPECT_TRUE(meldungen().isEmpty()) << meldungen().join(u'|').toStdString();

    // The next start begins in the folder of the last database; an entry
    // chooses its file, one that is gone is named and leaves the list.
    fenster->Dir1->setzePfad(heim);
    neuesFenster();
    EXPECT_EQ(fenster->Dir1->pfad(), alt);
    EXPECT_EQ(zuletzt(), erwartet);
    fenster->mnuZuletzt[2]->trigger();
    EXPECT_EQ(fenster->File1->gewaehlteDatei(), QStringLiteral("k5.mdb"));
    ASSERT_TRUE(QFile::remove(kopien[2]));
    fenster->mnuZuletzt[3]->trigger();
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Die Datei „%1“ wurde nicht gefunden.").arg(kopien[2])});
    EXPECT_EQ(zuletzt().size(), 4);
    EXPECT_FALSE(zuletzt().join(u'|').contains(QStringLiteral("k3.mdb")));
}

}  // namespace
