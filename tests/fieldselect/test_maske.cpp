// The field selection mask through its controls, offscreen, on a 1024 x 768
// screen (15 twips a pixel): the load, the selection, scrolling, the main
// window's doors, and the search with an applied selection. The layout's
// numbers are the pure rules' (test_regeln); here the window applies them.

#include "Maskenpruefung.h"

#include "Maskenlayout.h"
#include "Programmkennung.h"
#include "Werttext.h"

#include <QApplication>
#include <QPointer>
#include <QProcess>
#include <QWheelEvent>
#include <QtTest/QSpontaneKeyEvent>

#include <gtest/gtest.h>

namespace {

using namespace maskentest;
namespace DB = Datenbankfunktion;

using Maske = Maskenpruefung;

// Geometry in pixels of a twips rectangle at 15 twips a pixel.
int px(int twips) { return int(std::lround(twips / 15.0)); }
QRect tw(int links, int oben, int breite, int hoehe) { return QRect(px(links), px(oben), px(breite), px(hoehe)); }

// Where a row control stands inside Frame1.
QRect imRahmen(const frmVergleich& m, const QWidget* w) { return QRect(w->mapTo(m.Frame1, QPoint(0, 0)), w->size()); }

// --- the load ------------------------------------------------------------------------

TEST_F(Maske, LoadAppliesTheLayoutOfTheScreen)
{
    using namespace Maskenlayout;
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    ASSERT_NE(m, nullptr);
    const Masse l = masse(15360, 11520);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(m->windowTitle(), Programmkennung::fensterTitel());
    EXPECT_EQ(m->frameGeometry(), tw(0, 0, l.fensterBreite, l.fensterHoehe));  // the frame, as a window's Left, Top, Width, Height
    EXPECT_EQ(m->Frame1->geometry(), tw(0, FrameOben, l.frameBreite, l.frameHoehe));
    EXPECT_EQ(m->VScroll1->geometry(), tw(l.scrollLinks, l.scrollOben, ScrollBreite, l.scrollHoehe));
    EXPECT_EQ(m->VScroll1->pageStep(), l.grosserSchritt);
    EXPECT_EQ(m->VScroll1->maximum(), scrollMaximum(3));
    EXPECT_EQ(m->VScroll1->value(), 1);
    for (const QPushButton* k : {m->Command1, m->Command2, m->Command3})
        EXPECT_EQ(k->x(), px(l.knopfLinks)) << k->text().toStdString();
    EXPECT_FALSE(m->Text1->isVisibleTo(m));
    EXPECT_EQ(m->Text1->text(), QStringLiteral("3"));
    EXPECT_EQ(m->BreiteBez, l.breiteBez);
    EXPECT_EQ(m->BreiteInhalt, l.breiteInhalt);
    // Row 0 after the chain; every row in its slot, all like row 0.
    const auto& z0 = m->zeile(0);
    EXPECT_EQ(imRahmen(*m, z0.fldAttrib), tw(l.attribLinks, ZeileOben, AttribBreite, ZeilenHoehe));
    EXPECT_EQ(imRahmen(*m, z0.fldType), tw(l.typeLinks, ZeileOben, AttribBreite, ZeilenHoehe));
    EXPECT_EQ(imRahmen(*m, z0.fldSchalter), tw(l.schalterLinks, ZeileOben, SchalterBreite, ZeilenHoehe));
    EXPECT_EQ(imRahmen(*m, z0.fldSchalter2), tw(l.schalter2Links, ZeileOben, SchalterBreite, ZeilenHoehe));
    EXPECT_EQ(imRahmen(*m, z0.fldBez), tw(l.bezLinks, ZeileOben, l.breiteBez, ZeilenHoehe));
    EXPECT_EQ(imRahmen(*m, z0.fldFeld).topLeft(), tw(FeldLinks, ZeileOben, 0, 0).topLeft());
    for (int i = 1; i < 3; ++i) {
        const auto& z = m->zeile(i);
        for (auto [w, w0] : std::initializer_list<std::pair<QWidget*, QWidget*>>{
                 {z.fldAttrib, z0.fldAttrib}, {z.fldType, z0.fldType}, {z.fldSchalter, z0.fldSchalter},
                 {z.fldSchalter2, z0.fldSchalter2}, {z.fldBez, z0.fldBez}, {z.fldFeld, z0.fldFeld}}) {
            EXPECT_TRUE(w->isVisible()) << i;
            EXPECT_EQ(imRahmen(*m, w).topLeft(), imRahmen(*m, w0).topLeft() + QPoint(0, px(slotOben(i)) - px(ZeileOben))) << i;
            EXPECT_EQ(w->height(), w0->height()) << i;
        }
        EXPECT_EQ(z.fldBez->font(), z0.fldBez->font());
        EXPECT_EQ(z.fldSchalter2->toolTip(), z0.fldSchalter2->toolTip());
        EXPECT_EQ(z.fldAttrib->toolTip(), z0.fldAttrib->toolTip());
    }
    // The design's texts.
    const std::pair<QString, QString> texte[] = {
        {m->Command1->text(), QStringLiteral("&Auswahl übernehmen")},
        {m->Command2->text(), QStringLiteral("A&uswahl zurücksetzen")},
        {m->Command3->text(), QStringLiteral("Abbru&ch")},
        {m->Frame1->title(), QStringLiteral("Datenbankfelder Auswahlmaske")},
        {m->LabelScrollmodus->text(), QStringLiteral("Scrollmodus aktiv / Scrolling is aktiv")},
        {z0.fldAttrib->toolTip(), QStringLiteral("Attribut des Feldes/Attribut of Field")},
        {z0.fldType->toolTip(), QStringLiteral("Feldtyp / Fieldtype")},
        {z0.fldSchalter->toolTip(), QStringLiteral("Anklicken, wenn in diesem Feld nach dem Suchstring gesucht werden soll")},
        {z0.fldSchalter2->toolTip(), QStringLiteral("Anklicken, wenn dieses Feld grundsätzlich mit gelistet werden soll, wenn im "
                                                    "gleichen Satz der Suchstring gefunden wurde")},
    };
    for (const auto& [ist, soll] : texte)
        EXPECT_EQ(ist, soll);
    EXPECT_FALSE(m->LabelScrollmodus->isVisible());
    EXPECT_EQ(haken(*m), QStringLiteral("- - -"));
}

TEST_F(Maske, RowsShowCodesNamesAndTheFirstRecord)
{
    frmVergleich* m = oeffnen(QStringLiteral("Muster"));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->FeldAnzahl, 8);
    const QString ja = Datenzugriff::Werttext(QLocale::system()).text(Datenzugriff::Wert::vonJaNein(true));
    const struct {
        const char* name;
        const char* typ;
        const char* attribut;
        QString muster;
    } zeilen[] = {
        {"Kurz", "202", "100", QStringLiteral("ab")},
        {"Drei", "202", "100", QStringLiteral("abc")},
        {"Lang", "203", "230", QString(100, u'x')},
        {"Nichts", "202", "100", QStringLiteral("  ")},  // Null
        {"Leer", "202", "100", QString("")},             // length 0
        {"Zahl", "3", "116", QStringLiteral("12345")},
        {"Bild", "205", "230", QString("")},             // binary: no value text
        {"Ja", "11", "20", ja},                          // the locale's word for true
    };
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(zeilen[i].name);
        const auto& z = m->zeile(i);
        EXPECT_EQ(z.fldBez->text(), QString::fromUtf8(zeilen[i].name));
        EXPECT_EQ(z.fldType->text(), QString::fromUtf8(zeilen[i].typ));
        EXPECT_EQ(z.fldAttrib->text(), QString::fromUtf8(zeilen[i].attribut));
        EXPECT_EQ(z.fldFeld->text(), zeilen[i].muster);
        EXPECT_EQ(z.fldFeld->width(), px(Maskenlayout::inhaltBreite(zeilen[i].muster.size(), m->BreiteInhalt)));
    }
    // An empty table: two blanks in every row.
    m = oeffnen(QStringLiteral("Leer"));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->FeldAnzahl, 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(m->zeile(i).fldFeld->text(), QStringLiteral("  "));
}

TEST_F(Maske, OneFieldIsOneRowWithNothingToScroll)
{
    frmVergleich* m = oeffnen(QStringLiteral("Eins"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->FeldAnzahl, 1);
    EXPECT_EQ(m->Text1->text(), QStringLiteral("1"));
    // The design's six row controls and the label, nothing created.
    EXPECT_EQ(m->Frame1->findChildren<Anzeigefeld*>().size(), 3);
    EXPECT_EQ(m->Frame1->findChildren<QCheckBox*>().size(), 2);
    EXPECT_EQ(m->Frame1->findChildren<QLabel*>().size(), 2);
    EXPECT_EQ(m->zeile(0).fldFeld->text(), QStringLiteral("einzeln"));
    EXPECT_EQ(m->VScroll1->maximum(), 1);
    QTest::keyClick(m->VScroll1, Qt::Key_Down);
    EXPECT_EQ(m->VScroll1->value(), 1);
    EXPECT_TRUE(m->zeile(0).fldBez->isVisible());
}

TEST_F(Maske, TabOrderOfTheDesignThenTheRowsInOrderOfCreation)
{
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    ASSERT_NE(m, nullptr);
    std::vector<QWidget*> kette;
    QWidget* w = m->VScroll1;
    do {
        if (w->focusPolicy() & Qt::TabFocus && w->isVisibleTo(m))
            kette.push_back(w);
        w = w->nextInFocusChain();
    } while (w != m->VScroll1 && kette.size() < 100);
    const auto &z0 = m->zeile(0), &z1 = m->zeile(1), &z2 = m->zeile(2);
    const std::vector<QWidget*> erwartet = {m->VScroll1,  z0.fldType,    z0.fldSchalter,  z0.fldAttrib,  z0.fldFeld,
                                            m->Command1,  m->Command2,   m->Command3,     z0.fldSchalter2,
                                            z1.fldAttrib, z1.fldType,    z1.fldSchalter,  z1.fldSchalter2, z1.fldFeld,
                                            z2.fldAttrib, z2.fldType,    z2.fldSchalter,  z2.fldSchalter2, z2.fldFeld};
    EXPECT_EQ(kette, erwartet);
}

// --- the selection ---------------------------------------------------------------------

TEST_F(Maske, ClickRulesKeepOneBoxOfARow)
{
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    ASSERT_NE(m, nullptr);
    const struct {
        const char* klicks;  // S: search box of row 1, I: its info box
        const char* haken;
    } faelle[] = {
        {"S", "- S -"},      {"SI", "- I -"},  {"IS", "- S -"},   {"SS", "- - -"},
        {"ISI", "- I -"},    {"SIS", "- S -"}, {"II", "- - -"},   {"SII", "- - -"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.klicks);
        for (const char* k = f.klicks; *k; ++k)
            klick(*k == 'S' ? m->zeile(1).fldSchalter : m->zeile(1).fldSchalter2);
        EXPECT_EQ(haken(*m), QString::fromLatin1(f.haken));
        // Unticking leaves the other box; back to none for the next case.
        for (QCheckBox* c : {m->zeile(1).fldSchalter, m->zeile(1).fldSchalter2})
            if (c->isChecked())
                klick(c);
        ASSERT_EQ(haken(*m), QStringLiteral("- - -"));
    }
    // The keyboard ticks as the mouse does.
    m->zeile(2).fldSchalter2->setFocus();
    QTest::keyClick(m->zeile(2).fldSchalter2, Qt::Key_Space);
    m->zeile(2).fldSchalter->setFocus();
    QTest::keyClick(m->zeile(2).fldSchalter, Qt::Key_Space);
    EXPECT_EQ(haken(*m), QStringLiteral("- - S"));
}

TEST_F(Maske, ApplyBuildsTheStatementAndReconnects)
{
    const struct {
        const char* fall;
        const char* tabelle;
        std::vector<std::pair<int, char>> klicks;
        QString abfrage;
        int anzahl;
        QStringList felder;  // of Satzmenge after the reconnect
    } faelle[] = {
        {"nothing ticked", "Kunden", {}, QStringLiteral("Select * from [Kunden];"), 0,
         {QStringLiteral("Nr"), QStringLiteral("Name"), QStringLiteral("Ort")}},
        {"blanks and umlauts", "Adressen Alt", {{2, 'S'}, {0, 'I'}, {1, 'S'}},
         QStringLiteral("Select [Kunde seit],  [Straße Nr],  [Größe] from [Adressen Alt];"), 3,
         {QStringLiteral("Kunde seit"), QStringLiteral("Straße Nr"), QStringLiteral("Größe")}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.fall);
        fenster->ergebnisse().zeileAnhaengen(u"alte Zeile");
        frmVergleich* m = oeffnen(QString::fromUtf8(f.tabelle));
        ASSERT_NE(m, nullptr);
        for (const auto& [zeile, box] : f.klicks)
            klick(box == 'S' ? m->zeile(zeile).fldSchalter : m->zeile(zeile).fldSchalter2);
        recorder->leeren();
        klick(m->Command1);
        EXPECT_EQ(DB::AbfrageSQL, f.abfrage);
        EXPECT_EQ(DB::AuswahlAnzahl, f.anzahl);
        ASSERT_EQ(meldungen(), QStringList{QStringLiteral("Auswahl wird jetzt zur Suche verwendet!")});
        EXPECT_EQ(recorder->eintraege()[0].symbol, Plattform::Symbol::Information);
        EXPECT_EQ(recorder->eintraege()[0].knoepfe, Plattform::Knoepfe::OK);
        // Hidden, still there with its ticks for the search.
        EXPECT_EQ(Feldauswahl::maske(), m);
        EXPECT_FALSE(m->isVisible());
        EXPECT_EQ(Suche::feldmaske(), m);
        EXPECT_EQ(fenster->Text3->text(), f.anzahl ? QStringLiteral("aktiv") : QStringLiteral("inaktiv"));
        EXPECT_EQ(fenster->ergebnisse().anzahl(), 0);
        QStringList felder;
        for (int i = 0; i < DB::Satzmenge->fields().Count(); ++i)
            felder << DB::Satzmenge->fields().Item(i).Name();
        EXPECT_EQ(felder, f.felder);
    }
}

TEST_F(Maske, ResetCancelAndReopenStartFromNothing)
{
    // Reset: every box unticked, full statement, mask gone, list cleared.
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    ASSERT_NE(m, nullptr);
    klick(m->zeile(0).fldSchalter);
    klick(m->zeile(2).fldSchalter2);
    QPointer<frmVergleich> alt = m;
    fenster->ergebnisse().zeileAnhaengen(u"alte Zeile");
    klick(m->Command2);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Auswahl wird nicht zur Suche verwendet!")});
    EXPECT_EQ(recorder->eintraege()[0].symbol, Plattform::Symbol::Information);
    ASSERT_TRUE(alt);
    EXPECT_EQ(haken(*alt), QStringLiteral("- - -"));
    EXPECT_EQ(Feldauswahl::maske(), nullptr);
    EXPECT_EQ(Suche::feldmaske(), nullptr);
    EXPECT_FALSE(alt->isVisible());
    aufraeumen();
    EXPECT_FALSE(alt);
    EXPECT_EQ(DB::AuswahlAnzahl, 0);
    EXPECT_EQ(DB::AbfrageSQL, QStringLiteral("Select * from [Kunden];"));
    EXPECT_EQ(DB::Satzmenge->fields().Count(), 3);
    EXPECT_EQ(fenster->ergebnisse().anzahl(), 0);

    // Cancel: the ticks are lost, nothing else happens.
    m = oeffnen(QStringLiteral("Kunden"));
    ASSERT_NE(m, nullptr);
    klick(m->zeile(1).fldSchalter);
    fenster->ergebnisse().zeileAnhaengen(u"bleibt");
    recorder->leeren();
    klick(m->Command3);
    EXPECT_TRUE(meldungen().isEmpty());
    EXPECT_EQ(Feldauswahl::maske(), nullptr);
    EXPECT_EQ(DB::AuswahlAnzahl, 0);
    EXPECT_EQ(DB::AbfrageSQL, QStringLiteral("Select * from [Kunden];"));
    EXPECT_EQ(fenster->ergebnisse().alleZeilen(), QStringList{QStringLiteral("bleibt")});

    // Reopening after an apply: nothing ticked, the selection no longer in use.
    m = oeffnen(QStringLiteral("Kunden"));
    klick(m->zeile(1).fldSchalter);
    klick(m->Command1);
    ASSERT_EQ(DB::AuswahlAnzahl, 1);
    alt = m;
    m = oeffnen(QStringLiteral("Kunden"));
    ASSERT_NE(m, nullptr);
    EXPECT_NE(m, alt.data());
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(haken(*m), QStringLiteral("- - -"));
    EXPECT_EQ(DB::AuswahlAnzahl, 0);
    EXPECT_EQ(fenster->Text3->text(), QStringLiteral("inaktiv"));
    EXPECT_EQ(Suche::feldmaske(), m);
    aufraeumen();
    EXPECT_FALSE(alt);
}

TEST_F(Maske, TheCloseBoxClearsAVisibleMaskUnlessCancelHasTheFocus)
{
    // The selection count is set by hand, so that the clearing shows.
    const struct {
        const char* fall;
        bool versteckt;
        bool fokusAufAbbruch;
        bool geleert;
    } faelle[] = {
        {"visible, focus on the scroll bar", false, false, true},
        {"visible, focus on Command3", false, true, false},
        {"hidden after an apply", true, false, false},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.fall);
        frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
        ASSERT_NE(m, nullptr);
        klick(m->zeile(0).fldSchalter);
        klick(m->zeile(1).fldSchalter2);
        if (f.versteckt)
            m->hide();
        (f.fokusAufAbbruch ? static_cast<QWidget*>(m->Command3) : m->VScroll1)->setFocus();
        DB::AuswahlAnzahl = 7;
        QPointer<frmVergleich> p = m;
        m->close();
        ASSERT_TRUE(p);
        EXPECT_EQ(DB::AuswahlAnzahl, f.geleert ? 0 : 7);
        EXPECT_EQ(haken(*p), f.geleert ? QStringLiteral("- - -") : QStringLiteral("S I -"));
        EXPECT_EQ(Feldauswahl::maske(), nullptr);
        EXPECT_EQ(Suche::feldmaske(), nullptr);
        aufraeumen();
        EXPECT_FALSE(p);
        DB::AuswahlAnzahl = 0;
    }
}

// --- the main window's doors --------------------------------------------------------------

TEST_F(Maske, MainWindowActionsUnloadOrKeepTheAppliedMask)
{
    const struct {
        const char* fall;
        std::function<void(frmDataEnv&)> tun;
        bool bleibt;     // the hidden mask is still loaded afterwards
        bool verbunden;  // the action reconnected: Text3 shows the state
    } faelle[] = {
        {"File1 click", [](frmDataEnv& f) { f.File1_Click(); }, false, true},
        {"ImageCombo1 table change", [](frmDataEnv& f) { f.ImageCombo1_Change(); }, false, true},
        {"ImageCombo1 list", [](frmDataEnv& f) { f.ImageCombo1_Dropdown(); }, true, true},
        {"mnubeenden", [](frmDataEnv& f) { f.mnubeenden->trigger(); }, false, false},
        {"closing the main window", [](frmDataEnv& f) { f.close(); }, false, false},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.fall);
        fenster->show();
        frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
        ASSERT_NE(m, nullptr);
        klick(m->zeile(1).fldSchalter);
        klick(m->Command1);
        ASSERT_EQ(fenster->Text3->text(), QStringLiteral("aktiv"));
        QPointer<frmVergleich> p = m;
        f.tun(*fenster);
        EXPECT_EQ(Feldauswahl::maske() == m, f.bleibt);
        EXPECT_EQ(Suche::feldmaske() == m, f.bleibt);
        if (f.verbunden) {
            EXPECT_EQ(DB::AuswahlAnzahl, 0);
            EXPECT_EQ(fenster->Text3->text(), QStringLiteral("inaktiv"));
            EXPECT_EQ(DB::AbfrageSQL, QStringLiteral("Select * from [Kunden];"));
        }
        aufraeumen();
        EXPECT_EQ(bool(p), f.bleibt);
        DB::AuswahlAnzahl = 0;
    }
    // A mask left loaded by the list handler is ignored by the search.
    fenster->show();
    oeffnen(QStringLiteral("Kunden"));
    klick(Feldauswahl::maske()->zeile(1).fldSchalter);
    klick(Feldauswahl::maske()->Command1);
    fenster->ImageCombo1_Dropdown();
    fenster->Text1->setText(QStringLiteral("m*ller"));
    recorder->leeren();
    klick(fenster->Command1);
    EXPECT_EQ(protokollBytes(), QByteArray("Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\nSatz: 2\t\tName\tFeldinhalt: MOLLER\r\n"
                                           "Satz: 3\t\tName\tFeldinhalt: Meller\r\nSatz: 3\t\tOrt\tFeldinhalt: M\xFCllerstadt\r\n"
                                           "-----------------------------\r\ngesamt gefundene Felder: 4\r\n"));
}

TEST_F(Maske, FeldauswahlReplacesAVisibleMask)
{
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    klick(m->zeile(0).fldSchalter);
    QPointer<frmVergleich> alt = m;
    m = oeffnen(QStringLiteral("Zehn"));
    ASSERT_NE(m, nullptr);
    EXPECT_NE(m, alt.data());
    EXPECT_EQ(m->FeldAnzahl, 10);
    aufraeumen();
    EXPECT_FALSE(alt);
    // A file without a table: the message of the connection, no mask.
    Feldauswahl::entladen();
    aufraeumen();
    fenster->File1->aktualisieren();  // no entry selected
    recorder->leeren();
    klick(fenster->Command3);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("es wurde keine Datenbank gewählt!")});
    EXPECT_EQ(Feldauswahl::maske(), nullptr);
}

// --- scrolling ------------------------------------------------------------------------------

// Where the rows and the label stand, read from the widgets, in the terms
// of the layout rules; where a hidden row waits is its own affair.
Maskenlayout::Scrolllage lageGezeigt(const frmVergleich& m)
{
    Maskenlayout::Scrolllage s{m.LabelScrollmodus->isVisible(), imRahmen(m, m.LabelScrollmodus).y() * 15, {}, 0};
    for (int i = 0; i < m.FeldAnzahl; ++i)
        s.zeilen.push_back({m.zeile(i).fldBez->isVisible(), imRahmen(m, m.zeile(i).fldBez).y() * 15});
    return s;
}
std::vector<Maskenlayout::Zeilenlage> gezeigte(std::vector<Maskenlayout::Zeilenlage> z)
{
    for (auto& l : z)
        l.oben = l.sichtbar ? l.oben : -1;
    return z;
}

TEST_F(Maske, ScrollingAppliesTheLayoutTicksStayAndTheBarFollowsKeysAndWheel)
{
    frmVergleich* m = oeffnen(QStringLiteral("Zehn"));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->VScroll1->maximum(), Maskenlayout::scrollMaximum(10));
    klick(m->zeile(5).fldSchalter2);
    for (const int wert : {1, 3, 2, 9, 4, 1}) {
        m->VScroll1->setValue(wert);
        const Maskenlayout::Scrolllage soll = Maskenlayout::scrolllage(10, wert), ist = lageGezeigt(*m);
        EXPECT_EQ(ist.labelSichtbar, soll.labelSichtbar) << wert;
        if (soll.labelSichtbar) {
            EXPECT_EQ(ist.labelOben, soll.labelOben) << wert;
        }
        EXPECT_EQ(gezeigte(ist.zeilen), gezeigte(soll.zeilen)) << wert;
        EXPECT_TRUE(m->zeile(5).fldSchalter2->isChecked()) << wert;
    }
    EXPECT_EQ(haken(*m), QStringLiteral("- - - - - I - - - -"));

    // Keys on the bar: a row, a page (up to the last row).
    QTest::keyClick(m->VScroll1, Qt::Key_Down);
    EXPECT_EQ(m->VScroll1->value(), 2);
    QTest::keyClick(m->VScroll1, Qt::Key_PageDown);
    EXPECT_EQ(m->VScroll1->value(), 9);
    QTest::keyClick(m->VScroll1, Qt::Key_Home);
    EXPECT_EQ(m->VScroll1->value(), 1);

    // The wheel over a row's box, name or content moves the bar by the
    // system's lines a notch, down and up.
    const int zeilen = QApplication::wheelScrollLines();
    auto rad = [](QWidget* w, int delta) {
        QWheelEvent e(QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&e);
        qApp->notify(w, &e);  // as from the window system: unhandled, it goes to the parents
    };
    rad(m->zeile(2).fldFeld, -120);
    EXPECT_EQ(m->VScroll1->value(), 1 + zeilen);
    rad(m->zeile(7).fldBez, -120);
    EXPECT_EQ(m->VScroll1->value(), std::min(9, 1 + 2 * zeilen));
    rad(m->zeile(9).fldSchalter, 240);
    EXPECT_EQ(m->VScroll1->value(), std::max(1, std::min(9, 1 + 2 * zeilen) - 2 * zeilen));
    EXPECT_EQ(haken(*m), QStringLiteral("- - - - - I - - - -"));
}

// --- the search with an applied selection ------------------------------------------------

TEST_F(Maske, TwoColumnsThreeRecordsGiveHeaderBlocksAndTotal)
{
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    ASSERT_NE(m, nullptr);
    klick(m->zeile(1).fldSchalter);   // Name: compare field
    klick(m->zeile(2).fldSchalter2);  // Ort: info field
    klick(m->Command1);
    ASSERT_EQ(DB::AbfrageSQL, QStringLiteral("Select [Name],  [Ort] from [Kunden];"));
    fenster->Text1->setText(QStringLiteral("m*ller"));
    recorder->leeren();
    klick(fenster->Command1);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    EXPECT_EQ(fenster->Text3->palette().color(QPalette::Base), QColor(255, 0, 0));
    // Müllerstadt in record 3 is no second hit: the block covers the record.
    EXPECT_EQ(protokollBytes(), QByteArray(">>Aktive Felder der Feldauswahl:\r\n"
                                           "Vergleichsfeld: Name\r\n"
                                           "Infofeld: Ort\r\n"
                                           "\r\n"
                                           "------------------Beginn der Auswertung---------------\r\n"
                                           "Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\n"
                                           "Satz: 1\t\tOrt\tFeldinhalt: K\xF6ln\r\n"
                                           "Satz: 2\t\tName\tFeldinhalt: MOLLER\r\n"
                                           "Satz: 2\t\tOrt\tFeldinhalt: \r\n"
                                           "Satz: 3\t\tName\tFeldinhalt: Meller\r\n"
                                           "Satz: 3\t\tOrt\tFeldinhalt: M\xFCllerstadt\r\n"
                                           "-----------------------------\r\n"
                                           "gesamt gefundene Felder: 3\r\n"));
    const QString trenner(43, u'-');
    EXPECT_EQ(fenster->ergebnisse().alleZeilen(),
              (QStringList{QStringLiteral(">>Aktive Felder der Feldauswahl:"), QStringLiteral("Vergleichsfeld: Name"),
                           QStringLiteral("Infofeld: Ort"), QString(),
                           QStringLiteral("------------------Beginn der Auswertung---------------"),
                           QStringLiteral("Satz: 1\t\tName\tFeldinhalt: Müller"), QStringLiteral("Satz: 1\t\tOrt\tFeldinhalt: Köln"), trenner,
                           QStringLiteral("Satz: 2\t\tName\tFeldinhalt: MOLLER"), QStringLiteral("Satz: 2\t\tOrt\tFeldinhalt: "), trenner,
                           QStringLiteral("Satz: 3\t\tName\tFeldinhalt: Meller"), QStringLiteral("Satz: 3\t\tOrt\tFeldinhalt: Müllerstadt"),
                           trenner, QString(29, u'-'), QStringLiteral("gesamt gefundene Felder: 3")}));

    // The command-line search with the same selection writes the same bytes.
    QProcess suche;
    const QString kommandozeilenProtokoll = dir.filePath(QStringLiteral("kommandozeile.txt"));
    suche.start(QStringLiteral(SUCHE_PROGRAMM), {dir.filePath(QStringLiteral("kunden.mdb")), QStringLiteral("Kunden"), QStringLiteral("m*ller"),
                                                 QStringLiteral("--felder"), QStringLiteral("name"), QStringLiteral("--info"),
                                                 QStringLiteral("Ort"), QStringLiteral("--protokoll"), kommandozeilenProtokoll});
    ASSERT_TRUE(suche.waitForFinished(30000));
    EXPECT_EQ(suche.exitCode(), 0) << suche.readAllStandardError().toStdString();
    QFile k(kommandozeilenProtokoll);
    ASSERT_TRUE(k.open(QIODevice::ReadOnly));
    EXPECT_EQ(k.readAll(), protokollBytes());

    // Reset: the next search uses every field again.
    oeffnen(QStringLiteral("Kunden"));
    klick(Feldauswahl::maske()->Command2);
    EXPECT_EQ(fenster->Text3->text(), QStringLiteral("inaktiv"));
    klick(fenster->Command1);
    EXPECT_TRUE(protokollBytes().startsWith("Satz: 1\t\tName\tFeldinhalt: M\xFC"));
    EXPECT_TRUE(protokollBytes().endsWith("gesamt gefundene Felder: 4\r\n"));
}

TEST_F(Maske, ApplyOnAFileThatVanishedLosesNothing)
{
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    klick(m->zeile(1).fldSchalter);
    const QString datei = dir.filePath(QStringLiteral("kunden.mdb"));
    const QString weg = dir.filePath(QStringLiteral("weg"));
    ASSERT_TRUE(QFile::rename(datei, weg));
    recorder->leeren();
    fenster->ergebnisse().zeileAnhaengen(u"vorher");
    klick(m->Command1);
    // The confirmation, then the reason the reconnect failed, naming the file.
    ASSERT_EQ(meldungen().size(), 2) << meldungen().join(u'|').toStdString();
    EXPECT_EQ(meldungen()[0], QStringLiteral("Auswahl wird jetzt zur Suche verwendet!"));
    EXPECT_TRUE(meldungen()[1].contains(datei)) << meldungen()[1].toStdString();
    EXPECT_EQ(recorder->eintraege()[1].symbol, Plattform::Symbol::Kritisch);
    EXPECT_EQ(fenster->ergebnisse().alleZeilen(), QStringList{QStringLiteral("vorher")});
    // The selection stands; with the file back the search uses it.
    EXPECT_EQ(Feldauswahl::maske(), m);
    ASSERT_TRUE(QFile::rename(weg, datei));
    fenster->Text1->setText(QStringLiteral("m*ller"));
    recorder->leeren();
    klick(fenster->Command1);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    EXPECT_EQ(fenster->Text3->text(), QStringLiteral("aktiv"));
    EXPECT_TRUE(protokollBytes().endsWith("gesamt gefundene Felder: 3\r\n"));
}

}  // namespace
