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
const QString UserUnbekannt = QStringLiteral("Aktueller User konnte nicht ermittelt werden, Programm wird beendet!");
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

int px(int twips) { return twipsZuPixel(twips, 96.0); }

}  // namespace

TEST_F(Splash, LadenFuelltDasFensterUndMeldetDieDatenquelleEinmalAn)
{
    schicht(englischerTreiber("/usr/lib/zelk/leser") + deutscherTreiber());
    frmSplash f;
    EXPECT_EQ(f.Username->text(), QStringLiteral("Anwender"));  // placeholder until the load
    f.laden();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(meldungen->eintraege().empty());
    EXPECT_FALSE(ende->beendet());
    const QString titel = Programmkennung::fensterTitel();
    EXPECT_EQ(f.windowTitle(), titel);
    EXPECT_EQ(f.lblVersion->text(), QStringLiteral("Version: ") + titel.mid(Programmkennung::ProductName.size() + 1));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("MDAC-Version: 2.8"));
    EXPECT_EQ(f.Username->text(), QStringLiteral("anna"));
    EXPECT_EQ(sys->wechsel, (std::vector<QString>{sys->programm, sys->programm}));  // before the probes and at the end

    // The English driver's path, though the German one is there too.
    const RegInhalt inhalt = benutzerInhalt();
    ASSERT_NE(inhalt.finden(dsnKey), nullptr);
    EXPECT_EQ(inhalt.finden(dsnKey)->wert("Driver")->daten.left(20), QByteArray("/usr/lib/zelk/leser\0", 20));
    EXPECT_EQ(hauptfenster, 0);

    // A second start writes nothing.
    const QByteArray nachErstem = benutzerDateiText();
    neuerSpeicher();
    frmSplash zweiter;
    zweiter.laden();
    EXPECT_EQ(reg->schreibungen, 0);
    EXPECT_EQ(benutzerDateiText(), nachErstem);
    EXPECT_FALSE(ende->beendet());

    // Only the German driver: its path.
    schicht(deutscherTreiber("/opt/de/treiber"));
    ersterStart();
    frmSplash g;
    g.laden();
    EXPECT_TRUE(benutzerInhalt().finden(dsnKey)->wert("Driver")->daten.startsWith(QByteArray("/opt/de/treiber\0", 16)));
}

TEST_F(Splash, MeldungenUndEndenVorJedemFenster)
{
    struct Fall {
        const char* was;
        QByteArray treiber;
        std::optional<QString> version;
        bool nameDa;
        QByteArray verweigern;  // the create of this key fails
        QStringList meldungen;  // how each message begins
        bool beendet, angemeldet, nameGefragt;
    };
    const QString alt = QStringLiteral("Die MDAC Version ist < 2.80!");
    const Fall faelle[] = {
        {"ohne Treiber", {}, QStringLiteral("2.8"), true, {}, {KeinTreiber}, true, false, false},
        {"verweigerte Anmeldung", englischerTreiber(), QStringLiteral("2.8"), true, "\\Engines\\Jet", {EintragGescheitert}, true, true, false},
        {"alte Komponente", englischerTreiber(), QStringLiteral("2.7"), true, {}, {alt}, false, true, true},
        {"ohne Komponente", {}, std::nullopt, true, {}, {QStringLiteral("Es konnte keine MDAC Installation"), KeinTreiber}, true, false, false},
        {"ohne Benutzername", englischerTreiber(), QStringLiteral("2.8"), false, {}, {UserUnbekannt}, true, true, true},
    };
    for (const Fall& f : faelle) {
        for (const Antwort antwort : {Antwort::OK, Antwort::Abbrechen}) {
            SCOPED_TRACE(f.was);
            schicht(f.treiber);
            ersterStart();
            meldungen->naechsteAntwort(antwort);
            if (!f.nameDa)
                sys->name.reset();
            version = f.version;
            reg->anlegenVerweigern = f.verweigern;
            {
                frmSplash s;
                if (f.beendet)
                    EXPECT_THROW(s.laden(), ProgrammBeendet);
                else
                    s.laden();
                EXPECT_FALSE(s.isVisible());
            }
            ASSERT_EQ(meldungen->eintraege().size(), std::size_t(f.meldungen.size()));
            for (qsizetype i = 0; i < f.meldungen.size(); ++i)
                EXPECT_TRUE(meldungen->eintraege()[std::size_t(i)].text.startsWith(f.meldungen[i]))
                    << meldungen->eintraege()[std::size_t(i)].text.toStdString();
            const auto& letzte = meldungen->eintraege().back();
            EXPECT_EQ(letzte.symbol, Symbol::Kritisch);
            const bool anmeldung = letzte.text == KeinTreiber || letzte.text == EintragGescheitert;
            EXPECT_EQ(letzte.knoepfe, anmeldung ? Knoepfe::OKAbbrechen : Knoepfe::OK);
            EXPECT_EQ(ende->beendet(), f.beendet);
            // Nothing rolled back: the six values of a refused registration stay.
            EXPECT_EQ(!benutzerDateiText().isEmpty() && benutzerInhalt().finden(dsnKey), f.angemeldet);
            EXPECT_EQ(sys->namensAbfragen > 0, f.nameGefragt);
            EXPECT_EQ(sys->wechsel.empty(), f.beendet);  // the sequence stopped before the end
            EXPECT_EQ(hauptfenster, 0);
        }
    }
}

// The layout's own numbers are checked on the layout; here only that the
// window applies them: centred, every control inside the frame, none over the logo.
TEST_F(Splash, StehtMittigUndNichtsUeberdecktDasLogo)
{
    schicht(englischerTreiber());
    frmSplash f;
    f.laden();
    EXPECT_LE((f.pos() * 2 + QPoint(f.width(), f.height()) - QPoint(1024, 768)).manhattanLength(), 2);
    EXPECT_TRUE(f.rect().contains(f.fraMainFrame->geometry()));
    EXPECT_FALSE(f.ZELK_Logo->pixmap().isNull());
    const frmSplash::Rechteck e = frmSplash::entwurf(f.ZELK_Logo);
    EXPECT_EQ(f.ZELK_Logo->geometry(), QRect(px(e.links), px(e.oben), px(e.breite), px(e.hoehe)));
    for (QWidget* w : f.fraMainFrame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(f.fraMainFrame->rect().contains(w->geometry())) << w->metaObject()->className();
        EXPECT_TRUE(w == f.ZELK_Logo || !w->geometry().intersects(f.ZELK_Logo->geometry())) << w->metaObject()->className();
    }
}

TEST_F(Splash, SchliessenZeigtDasHauptfensterEinmal)
{
    schicht(englischerTreiber());
    struct Weg {
        const char* name;
        std::function<void(frmSplash&)> tun;
        bool schliesst;
    };
    const std::vector<Weg> wege = {
        {"Weiter", [](frmSplash& f) { QTest::mouseClick(f.Command1, Qt::LeftButton); }, true},
        {"Taste am Fenster", [](frmSplash& f) { QTest::keyClick(&f, Qt::Key_X); }, true},
        {"Taste im Textfeld", [](frmSplash& f) { QTest::keyClick(f.Username, Qt::Key_A); }, true},
        {"Eingabetaste am Knopf", [](frmSplash& f) { QTest::keyClick(f.Command1, Qt::Key_Return); }, true},
        {"Klick auf den Rahmen", [](frmSplash& f) { QTest::mouseClick(f.fraMainFrame, Qt::LeftButton, {}, QPoint(560, 60)); }, true},
        {"Schliessknopf", [](frmSplash& f) { f.close(); }, true},
        {"Klicks auf die Inhalte, Umschalttaste, rechte Taste", [](frmSplash& f) {
             for (QWidget* w : {static_cast<QWidget*>(f.lblProductName), static_cast<QWidget*>(f.Label1), static_cast<QWidget*>(f.ZELK_Logo),
                                static_cast<QWidget*>(f.Username), f.Text1->viewport()})
                 QTest::mouseClick(w, Qt::LeftButton);
             QTest::keyClick(&f, Qt::Key_Shift);
             QTest::mouseClick(f.fraMainFrame, Qt::RightButton, {}, QPoint(560, 60));
         }, false},
    };
    for (const Weg& w : wege) {
        hauptfenster = 0;
        frmSplash f;
        f.laden();
        f.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
        w.tun(f);
        EXPECT_EQ(f.isVisible(), !w.schliesst) << w.name;
        EXPECT_EQ(hauptfenster, w.schliesst ? 1 : 0) << w.name;
        f.close();
        EXPECT_EQ(hauptfenster, 1) << w.name;  // once, however it closes
    }
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
