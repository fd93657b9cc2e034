// The start-up window offscreen: the order of the start-up sequence, the
// endings without a driver and without the data source before any window
// shows, the texts and layout, and the ways to dismiss it.

#include "Programmkennung.h"
#include "Umgebung.h"
#include "frmSplash.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Plattform;

namespace {

const QString KeinTreiber = QStringLiteral(
    "Sie müssen zuerst die MS-Access-ODBC Treiber\r(=MDAC-Treiber von der Installations-CD) installieren,\r"
    "um mit diesem Programm arbeiten zu können!");
const QString EintragGescheitert = QStringLiteral("Der ODBC-Eintrag 'Access' konnte nicht erzeugt werden!\rTragen Sie diesen manuell ein.");

class Splash : public StartupUmgebung {
protected:
    void SetUp() override
    {
        StartupUmgebung::SetUp();
        setzeBildschirm(std::make_shared<FesterBildschirm>(15360, 11520, 96.0));
        frmSplash::setzeHauptfensterZeigen([this] { ++hauptfenster; });
    }
    void TearDown() override
    {
        frmSplash::setzeHauptfensterZeigen({});
        setzeBildschirm(nullptr);
        StartupUmgebung::TearDown();
    }
    int hauptfenster = 0;
};

const QByteArray dsnKey = "SOFTWARE\\ODBC\\ODBC.INI\\ZELK-Access";

}  // namespace

TEST_F(Splash, LadenFuelltDasFensterUndMeldetDieDatenquelleAn)
{
    schicht(englischerTreiber("/usr/lib/zelk/leser") + deutscherTreiber());
    frmSplash f;
    EXPECT_EQ(f.Username->text(), QStringLiteral("Anwender"));  // placeholder until the load
    f.laden();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(meldungen->eintraege().empty());
    EXPECT_FALSE(ende->beendet());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("ZELK-Feldspur 1.4.1"));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("MDAC-Version: 2.8"));
    EXPECT_EQ(f.lblProductName->text(), QStringLiteral("ZELK-Feldspur"));
    EXPECT_EQ(f.lblVersion->text(), QStringLiteral("Version: 1.4.1"));
    EXPECT_EQ(f.lblCopyright->text(), QStringLiteral("Copyright: ") + Programmkennung::LegalCopyright);
    EXPECT_EQ(f.Text1->toPlainText(), QString());
    EXPECT_EQ(f.Username->text(), QStringLiteral("anna"));
    EXPECT_EQ(f.lblPlatform->text(), QStringLiteral("Plattform: Windows 95/98/Me/XP/2000"));
    EXPECT_EQ(f.Command1->text(), QStringLiteral("Weiter"));
    // Steps 7 and 12.
    EXPECT_EQ(sys->wechsel, (std::vector<QString>{sys->programm, sys->programm}));

    // The English driver's path; the German key was never opened.
    const RegInhalt inhalt = benutzerInhalt();
    const RegSchluessel* s = inhalt.finden(dsnKey);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->wert("Driver")->daten.left(20), QByteArray("/usr/lib/zelk/leser\0", 20));
    EXPECT_FALSE(reg->geoeffnetPfad("SOFTWARE\\ODBC\\ODBCINST.INI\\Microsoft Access-Treiber (*.mdb)"));
    EXPECT_EQ(hauptfenster, 0);
}

TEST_F(Splash, ZweiterStartSchreibtNichts)
{
    schicht(englischerTreiber());
    {
        frmSplash f;
        f.laden();
    }
    const QByteArray nachErstem = benutzerDateiText();
    ASSERT_FALSE(nachErstem.isEmpty());
    neuerSpeicher();
    frmSplash zweiter;
    zweiter.laden();
    EXPECT_EQ(reg->schreibungen, 0);
    EXPECT_EQ(benutzerDateiText(), nachErstem);
    EXPECT_FALSE(ende->beendet());
}

TEST_F(Splash, NurDeutscherTreiber)
{
    schicht(deutscherTreiber("/opt/de/treiber"));
    frmSplash f;
    f.laden();
    const RegInhalt inhalt = benutzerInhalt();
    EXPECT_TRUE(inhalt.finden(dsnKey)->wert("Driver")->daten.startsWith(QByteArray("/opt/de/treiber\0", 16)));
    EXPECT_EQ(inhalt.finden("SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources")->wert("ZELK-Access")->daten,
              QByteArray("Microsoft Access Driver (*.mdb)"));
}

TEST_F(Splash, OhneTreiberM1UndEndeOhneFenster)
{
    for (const Antwort antwort : {Antwort::OK, Antwort::Abbrechen}) {
        meldungen->leeren();
        meldungen->naechsteAntwort(antwort);
        frmSplash f;
        EXPECT_THROW(f.laden(), ProgrammBeendet);
        EXPECT_FALSE(f.isVisible());
        ASSERT_EQ(meldungen->eintraege().size(), 1u);
        EXPECT_EQ(meldungen->eintraege()[0].text, KeinTreiber);
        EXPECT_EQ(meldungen->eintraege()[0].symbol, Symbol::Kritisch);
        EXPECT_EQ(meldungen->eintraege()[0].knoepfe, Knoepfe::OKAbbrechen);
        EXPECT_TRUE(ende->beendet());
        EXPECT_EQ(reg->schreibungen, 0);
        EXPECT_EQ(sys->namensAbfragen, 0);
    }
    EXPECT_EQ(hauptfenster, 0);
}

TEST_F(Splash, VerweigerteAnmeldungM2UndEndeOhneFenster)
{
    schicht(englischerTreiber());
    reg->anlegenVerweigern = "\\Engines\\Jet";
    meldungen->naechsteAntwort(Antwort::Abbrechen);
    {
        frmSplash f;
        EXPECT_THROW(f.laden(), ProgrammBeendet);
        EXPECT_FALSE(f.isVisible());
    }
    ASSERT_EQ(meldungen->eintraege().size(), 1u);
    EXPECT_EQ(meldungen->eintraege()[0].text, EintragGescheitert);
    EXPECT_EQ(meldungen->eintraege()[0].knoepfe, Knoepfe::OKAbbrechen);
    EXPECT_TRUE(ende->beendet());
    EXPECT_EQ(sys->namensAbfragen, 0);  // the sequence stopped at step 5
    EXPECT_TRUE(sys->wechsel.empty());
    EXPECT_EQ(hauptfenster, 0);  // no unload ran
    // Nothing rolled back: the six values stay.
    EXPECT_EQ(benutzerInhalt().finden(dsnKey)->werte.size(), 6u);
}

TEST_F(Splash, AlteKomponenteWarntUndStartetWeiter)
{
    schicht(englischerTreiber());
    version = QStringLiteral("2.7");
    frmSplash f;
    f.laden();
    ASSERT_EQ(meldungen->eintraege().size(), 1u);
    EXPECT_TRUE(meldungen->eintraege()[0].text.startsWith(QStringLiteral("Die MDAC Version ist < 2.80!")));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("MDAC-Version: 2.7"));
    EXPECT_FALSE(ende->beendet());
}

TEST_F(Splash, OhneKomponenteErstKeinMdacDannKeinTreiber)
{
    version.reset();
    frmSplash f;
    EXPECT_THROW(f.laden(), ProgrammBeendet);
    ASSERT_EQ(meldungen->eintraege().size(), 2u);
    EXPECT_TRUE(meldungen->eintraege()[0].text.startsWith(QStringLiteral("Es konnte keine MDAC Installation")));
    EXPECT_EQ(meldungen->eintraege()[1].text, KeinTreiber);
    EXPECT_EQ(f.Label2->text(), QStringLiteral("MDAC-Treiber fehlen!"));
}

TEST_F(Splash, OhneBenutzernameMeldungNachDerAnmeldung)
{
    schicht(englischerTreiber());
    sys->name.reset();
    frmSplash f;
    EXPECT_THROW(f.laden(), ProgrammBeendet);
    ASSERT_EQ(meldungen->eintraege().size(), 1u);
    EXPECT_TRUE(meldungen->eintraege()[0].text.startsWith(QStringLiteral("Aktueller User")));
    EXPECT_NE(benutzerInhalt().finden(dsnKey), nullptr);  // step 5 ran before
    EXPECT_TRUE(sys->wechsel.empty());
}

TEST_F(Splash, LayoutInTwipsZentriert)
{
    schicht(englischerTreiber());
    frmSplash f;
    f.laden();
    EXPECT_EQ(f.size(), QSize(600, 314));  // 9000 x 4710 twips at 96 DPI
    EXPECT_EQ(f.pos(), QPoint(212, 227));  // centred on 15360 x 11520 twips
    EXPECT_EQ(f.fraMainFrame->geometry(), QRect(3, 0, 596, 306));
    EXPECT_EQ(f.Command1->geometry(), QRect(496, 264, 89, 33));
    EXPECT_EQ(f.Username->geometry(), QRect(128, 152, 257, 19));
    EXPECT_EQ(f.ZELK_Logo->geometry(), QRect(16, 24, 47, 45));
    EXPECT_FALSE(f.ZELK_Logo->pixmap().isNull());
    EXPECT_EQ(f.Text1->geometry(), QRect(24, 200, 297, 97));
    const frmSplash::Rechteck r = frmSplash::entwurf(f.Label2);
    EXPECT_EQ(r.links + r.breite, 8775);
    // Auto-size labels keep their corner, right-aligned ones their right edge.
    EXPECT_EQ(f.lblVersion->pos(), QPoint(128, 128));
    EXPECT_EQ(f.lblVersion->width(), f.lblVersion->sizeHint().width());
    EXPECT_EQ(f.Label2->geometry().right() + 1, 585);
    EXPECT_EQ(f.Label2->width(), f.Label2->sizeHint().width());
    EXPECT_EQ(f.lblProductName->font().pointSizeF(), 12.0);
    EXPECT_TRUE(f.lblProductName->font().bold());
    EXPECT_EQ(f.lblVersion->font().pointSizeF(), 9.75);
    // Nothing overlaps the logo or leaves the frame.
    for (QWidget* w : f.fraMainFrame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(f.fraMainFrame->rect().contains(w->geometry())) << w->metaObject()->className();
        if (w != f.ZELK_Logo) {
            EXPECT_FALSE(w->geometry().intersects(f.ZELK_Logo->geometry())) << w->metaObject()->className();
        }
    }
}

TEST_F(Splash, SchliessenZeigtDasHauptfensterEinmal)
{
    schicht(englischerTreiber());
    struct Weg {
        const char* name;
        std::function<void(frmSplash&)> tun;
    };
    const std::vector<Weg> wege = {
        {"Weiter", [](frmSplash& f) { QTest::mouseClick(f.Command1, Qt::LeftButton); }},
        {"Taste am Fenster", [](frmSplash& f) { QTest::keyClick(&f, Qt::Key_X); }},
        {"Taste im Textfeld", [](frmSplash& f) { QTest::keyClick(f.Username, Qt::Key_A); }},
        {"Eingabetaste am Knopf", [](frmSplash& f) { QTest::keyClick(f.Command1, Qt::Key_Return); }},
        {"Klick auf den Rahmen", [](frmSplash& f) { QTest::mouseClick(f.fraMainFrame, Qt::LeftButton, {}, QPoint(560, 60)); }},
        {"Schliessknopf", [](frmSplash& f) { f.close(); }},
    };
    for (const Weg& w : wege) {
        hauptfenster = 0;
        frmSplash f;
        f.laden();
        f.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
        w.tun(f);
        EXPECT_FALSE(f.isVisible()) << w.name;
        EXPECT_EQ(hauptfenster, 1) << w.name;
        f.close();
        EXPECT_EQ(hauptfenster, 1) << w.name;
    }
}

TEST_F(Splash, KlicksAufDieInhalteUndUmschalttastenSchliessenNicht)
{
    schicht(englischerTreiber());
    frmSplash f;
    f.laden();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTest::mouseClick(f.lblProductName, Qt::LeftButton);
    QTest::mouseClick(f.Label1, Qt::LeftButton);
    QTest::mouseClick(f.ZELK_Logo, Qt::LeftButton);
    QTest::mouseClick(f.Username, Qt::LeftButton);
    QTest::mouseClick(f.Text1->viewport(), Qt::LeftButton);
    QTest::keyClick(&f, Qt::Key_Shift);
    QTest::mouseClick(f.fraMainFrame, Qt::RightButton, {}, QPoint(560, 60));
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(hauptfenster, 0);
    // A screenshot for a look by eye.
    f.grab().save(QStringLiteral("/tmp/splash.png"));
}

int main(int argc, char** argv)
{
    // Test discovery runs the program outside CTest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
