// The field selection mask through its controls, offscreen, on a 1024 x 768
// screen (15 twips a pixel): the load, the selection, scrolling, the main
// window's doors, and the search with an applied selection.

#include "Maskenpruefung.h"

#include "Werttext.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest/QSpontaneKeyEvent>

#include <gtest/gtest.h>

namespace {

using namespace maskentest;
namespace DB = Datenbankfunktion;

using Maske = Maskenpruefung;

// Geometry in pixels of a twips rectangle at 15 twips a pixel.
QRect tw(int links, int oben, int breite, int hoehe)
{
    auto p = [](int t) { return int(std::lround(t / 15.0)); };
    return QRect(p(links), p(oben), p(breite), p(hoehe));
}

std::vector<QWidget*> sechs(const frmVergleich::Zeile& z)
{
    return {z.fldAttrib, z.fldType, z.fldSchalter, z.fldSchalter2, z.fldBez, z.fldFeld};
}

// Where a row control stands inside Frame1.
QRect imRahmen(const frmVergleich& m, const QWidget* w) { return QRect(w->mapTo(m.Frame1, QPoint(0, 0)), w->size()); }

// --- the load ------------------------------------------------------------------------

TEST_F(Maske, LoadLaysTheWindowOutFromTheScreen)
{
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(m->windowTitle(), QStringLiteral("ZELK-Feldspur 1.4.1"));
    EXPECT_EQ(m->frameGeometry(), QRect(0, 0, 1024, 768));  // the frame, as a window's Left, Top, Width, Height
    EXPECT_EQ(m->palette().color(QPalette::Window), QColor(0x80, 0xFF, 0xFF));
    EXPECT_EQ(m->Frame1->title(), QStringLiteral("Datenbankfelder Auswahlmaske"));
    EXPECT_EQ(m->Frame1->geometry(), tw(0, 120, 7170, 10944));
    EXPECT_EQ(m->Frame1->palette().color(QPalette::Window), QColor(0xC0, 0xFF, 0xC0));
    EXPECT_EQ(m->VScroll1->geometry(), tw(7170, 120, 255, 10944));
    EXPECT_EQ(m->VScroll1->minimum(), 1);
    EXPECT_EQ(m->VScroll1->maximum(), 2);
    EXPECT_EQ(m->VScroll1->value(), 1);
    EXPECT_EQ(m->VScroll1->singleStep(), 1);
    EXPECT_EQ(m->VScroll1->pageStep(), 33);
    const struct {
        QPushButton* knopf;
        const char* text;
        QRect lage;
    } knoepfe[] = {{m->Command1, "&Auswahl übernehmen", tw(7730, 120, 1935, 495)},
                   {m->Command2, "A&uswahl zurücksetzen", tw(7730, 840, 1935, 495)},
                   {m->Command3, "Abbru&ch", tw(7730, 1680, 1935, 615)}};
    for (const auto& k : knoepfe) {
        EXPECT_EQ(k.knopf->text(), QString::fromUtf8(k.text));
        EXPECT_EQ(k.knopf->geometry(), k.lage) << k.text;
    }
    EXPECT_FALSE(m->Text1->isVisibleTo(m));
    EXPECT_EQ(m->Text1->text(), QStringLiteral("3"));
    EXPECT_EQ(m->BreiteBez, 1712);
    EXPECT_EQ(m->BreiteInhalt, 1956);

    // Row 0 after the chain; every row 315 twips below the one before.
    const auto& z0 = m->zeile(0);
    EXPECT_EQ(imRahmen(*m, z0.fldAttrib), tw(72, 240, 380, 285));
    EXPECT_EQ(imRahmen(*m, z0.fldType), tw(452, 240, 380, 285));
    EXPECT_EQ(imRahmen(*m, z0.fldSchalter), tw(882, 240, 255, 285));
    EXPECT_EQ(imRahmen(*m, z0.fldSchalter2), tw(1187, 240, 255, 285));
    EXPECT_EQ(imRahmen(*m, z0.fldBez), tw(1442, 240, 1712, 285));
    EXPECT_EQ(imRahmen(*m, z0.fldFeld).topLeft(), tw(3360, 240, 0, 0).topLeft());
    for (int i = 1; i < 3; ++i)
        for (std::size_t k = 0; k < 6; ++k) {
            const QWidget* w = sechs(m->zeile(i))[k];
            const QWidget* w0 = sechs(z0)[k];
            EXPECT_TRUE(w->isVisible()) << i << '/' << k;
            EXPECT_EQ(imRahmen(*m, w).y(), tw(0, 240 + 315 * i, 0, 0).y()) << i << '/' << k;
            EXPECT_EQ(imRahmen(*m, w).x(), imRahmen(*m, w0).x()) << i << '/' << k;
            EXPECT_EQ(w->height(), w0->height()) << i << '/' << k;
            if (k != 5) {
                EXPECT_EQ(w->width(), w0->width()) << i << '/' << k;
            }
        }
    // Fonts, tool tips, the hidden label.
    EXPECT_EQ(z0.fldBez->font().family(), QStringLiteral("Liberation Sans Narrow"));
    EXPECT_DOUBLE_EQ(z0.fldBez->font().pointSizeF(), 8.25);
    EXPECT_EQ(m->zeile(2).fldBez->font(), z0.fldBez->font());
    EXPECT_EQ(m->font().family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(m->LabelScrollmodus->text(), QStringLiteral("Scrollmodus aktiv / Scrolling is aktiv"));
    EXPECT_EQ(m->LabelScrollmodus->font().family(), QStringLiteral("Liberation Sans"));
    EXPECT_TRUE(m->LabelScrollmodus->font().bold());
    EXPECT_DOUBLE_EQ(m->LabelScrollmodus->font().pointSizeF(), 9.75);
    EXPECT_EQ(m->LabelScrollmodus->palette().color(QPalette::Window), QColor(0xFF, 0x80, 0x00));
    EXPECT_FALSE(m->LabelScrollmodus->isVisible());
    for (int i = 0; i < 3; ++i) {
        const auto& z = m->zeile(i);
        EXPECT_EQ(z.fldAttrib->toolTip(), QStringLiteral("Attribut des Feldes/Attribut of Field"));
        EXPECT_EQ(z.fldType->toolTip(), QStringLiteral("Feldtyp / Fieldtype"));
        EXPECT_EQ(z.fldSchalter->toolTip(), QStringLiteral("Anklicken, wenn in diesem Feld nach dem Suchstring gesucht werden soll"));
        EXPECT_EQ(z.fldSchalter2->toolTip(),
                  QStringLiteral("Anklicken, wenn dieses Feld grundsätzlich mit gelistet werden soll, wenn im gleichen Satz "
                                 "der Suchstring gefunden wurde"));
    }
    EXPECT_EQ(haken(*m), QStringLiteral("- - -"));
}

TEST_F(Maske, RowsShowCodesNamesAndTheFirstRecord)
{
    frmVergleich* m = oeffnen(QStringLiteral("Muster"));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->FeldAnzahl, 8);
    const struct {
        const char* name;
        const char* typ;
        const char* attribut;
        QString muster;  // null: only the width is checked
        int breite;      // twips
    } zeilen[] = {
        {"Kurz", "202", "100", QStringLiteral("ab"), 560},                  // two characters: 280 each
        {"Drei", "202", "100", QStringLiteral("abc"), 420},                 // three: 140 each
        {"Lang", "203", "230", QString(100, u'x'), 1956},                   // capped at BreiteInhalt
        {"Nichts", "202", "100", QStringLiteral("  "), 560},                // Null
        {"Leer", "202", "100", QString(""), 0},                             // length 0
        {"Zahl", "3", "116", QStringLiteral("12345"), 700},
        {"Bild", "205", "230", QString(""), 0},                             // binary: no value text
        {"Ja", "11", "20", QString(), -1},                                  // the locale's word for true
    };
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(zeilen[i].name);
        const auto& z = m->zeile(i);
        EXPECT_EQ(z.fldBez->text(), QString::fromUtf8(zeilen[i].name));
        EXPECT_EQ(z.fldType->text(), QString::fromUtf8(zeilen[i].typ));
        EXPECT_EQ(z.fldAttrib->text(), QString::fromUtf8(zeilen[i].attribut));
        if (!zeilen[i].muster.isNull()) {
            EXPECT_EQ(z.fldFeld->text(), zeilen[i].muster);
            EXPECT_EQ(z.fldFeld->width(), tw(0, 0, zeilen[i].breite, 0).width());
        }
    }
    EXPECT_EQ(m->zeile(7).fldFeld->text(), Datenzugriff::Werttext(QLocale::system()).text(Datenzugriff::Wert::vonJaNein(true)));
}

TEST_F(Maske, AnEmptyTableShowsTwoBlanksInEveryRow)
{
    frmVergleich* m = oeffnen(QStringLiteral("Leer"));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->FeldAnzahl, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(m->zeile(i).fldFeld->text(), QStringLiteral("  "));
        EXPECT_EQ(m->zeile(i).fldFeld->width(), tw(0, 0, 560, 0).width());
    }
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
        {"one compare field", "Kunden", {{1, 'S'}}, QStringLiteral("Select [Name] from [Kunden];"), 1, {QStringLiteral("Name")}},
        {"row 2 info before row 0 compare", "Kunden", {{2, 'I'}, {0, 'S'}}, QStringLiteral("Select [Nr],  [Ort] from [Kunden];"), 2,
         {QStringLiteral("Nr"), QStringLiteral("Ort")}},
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

// Slot of each row (-1 hidden) and of the label, read from the widgets.
QString plaetzeGezeigt(const frmVergleich& m)
{
    auto slot = [&m](const QWidget* w) {
        if (!w->isVisible())
            return QStringLiteral("-");
        const int y = imRahmen(m, w).y() - 16;
        EXPECT_EQ(y % 21, 0);
        return QString::number(y / 21);
    };
    QStringList s{QStringLiteral("L") + slot(m.LabelScrollmodus)};
    for (int i = 0; i < m.FeldAnzahl; ++i) {
        const auto w = sechs(m.zeile(i));
        for (const QWidget* x : w)
            EXPECT_EQ(slot(x), slot(w[0])) << "row " << i << " falls apart";
        s << slot(w[0]);
    }
    return s.join(u' ');
}

TEST_F(Maske, ScrollingMovesAndHidesRows)
{
    frmVergleich* m = oeffnen(QStringLiteral("Zehn"));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->VScroll1->maximum(), 9);
    const QString geladen = plaetzeGezeigt(*m);
    EXPECT_EQ(geladen, QStringLiteral("L- 0 1 2 3 4 5 6 7 8 9"));
    std::vector<QRect> lagen;
    for (int i = 0; i < 10; ++i)
        for (QWidget* w : sechs(m->zeile(i)))
            lagen.push_back(imRahmen(*m, w));

    const struct {
        int wert;
        const char* plaetze;
    } faelle[] = {
        {3, "L0 - - - 1 2 3 4 5 6 7"},
        {2, "L0 - - 1 2 3 4 5 6 7 8"},
        {9, "L0 - - - - - - - - - 1"},
        {1, "L- 0 1 2 3 4 5 6 7 8 9"},
    };
    for (const auto& f : faelle) {
        m->VScroll1->setValue(f.wert);
        EXPECT_EQ(plaetzeGezeigt(*m), QString::fromLatin1(f.plaetze)) << f.wert;
    }
    // Back at 1 the rows stand exactly where the load put them.
    std::vector<QRect> wieder;
    for (int i = 0; i < 10; ++i)
        for (QWidget* w : sechs(m->zeile(i)))
            wieder.push_back(imRahmen(*m, w));
    EXPECT_EQ(wieder, lagen);
}

TEST_F(Maske, TicksSurviveScrollingAndTheBarFollowsKeysAndWheel)
{
    frmVergleich* m = oeffnen(QStringLiteral("Zehn"));
    ASSERT_NE(m, nullptr);
    klick(m->zeile(5).fldSchalter2);
    m->VScroll1->setValue(4);
    EXPECT_EQ(plaetzeGezeigt(*m), QStringLiteral("L0 - - - - 1 2 3 4 5 6"));
    EXPECT_TRUE(m->zeile(5).fldSchalter2->isChecked());
    m->VScroll1->setValue(1);
    EXPECT_EQ(haken(*m), QStringLiteral("- - - - - I - - - -"));
    EXPECT_EQ(imRahmen(*m, m->zeile(5).fldSchalter2).y(), 16 + 5 * 21);

    // Keys on the bar: a row, a page (up to the last row).
    QTest::keyClick(m->VScroll1, Qt::Key_Down);
    EXPECT_EQ(m->VScroll1->value(), 2);
    QTest::keyClick(m->VScroll1, Qt::Key_PageDown);
    EXPECT_EQ(m->VScroll1->value(), 9);
    EXPECT_EQ(plaetzeGezeigt(*m), QStringLiteral("L0 - - - - - - - - - 1"));
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

// --- the mask during a search run -------------------------------------------------------

class MaskeImLauf : public Maskenpruefung {
protected:
    void dateienAnlegen() override
    {
        Maskenpruefung::dateienAnlegen();
        Database db(dir.filePath(QStringLiteral("viele.mdb")).toStdString(), Format::Jet4);
        vieleTabelle(db, 600);
        db.finish();
    }
    void SetUp() override
    {
        Maskenpruefung::SetUp();
        fenster->show();
        waehle(QStringLiteral("viele.mdb"));
        fenster->Text1->setText(QStringLiteral("treffer"));
        recorder->leeren();
    }

    // What the user can change of the mask, one line per control.
    static QStringList zustand(const frmVergleich& m)
    {
        return {QStringLiteral("sichtbar: ") + QString::number(m.isVisible()), QStringLiteral("Haken: ") + haken(m),
                QStringLiteral("Wert: ") + QString::number(m.VScroll1->value())};
    }
    static QList<QWidget*> gesperrte(const frmVergleich& m)
    {
        QList<QWidget*> w{m.Command1, m.Command2, m.Command3};
        for (int i = 0; i < m.FeldAnzahl; ++i)
            w << m.zeile(i).fldSchalter << m.zeile(i).fldSchalter2;
        return w;
    }
    // Every control of the mask, as a user would use it.
    void allesBenutzen(frmVergleich& m)
    {
        for (int i = 0; i < m.FeldAnzahl; ++i) {
            klick(m.zeile(i).fldSchalter);
            klick(m.zeile(i).fldSchalter2);
            QTest::keyClick(m.zeile(i).fldSchalter, Qt::Key_Space);
        }
        for (QPushButton* b : {m.Command1, m.Command2, m.Command3})
            klick(b);
        // The handlers themselves refuse as well.
        m.Command1_Click();
        m.Command2_Click();
        m.Command3_Click();
    }
};

QByteArray auswahlProtokoll()
{
    QByteArray b = ">>Aktive Felder der Feldauswahl:\r\nInfofeld: Nr\r\nVergleichsfeld: Text\r\n\r\n"
                   "------------------Beginn der Auswertung---------------\r\n";
    for (int i = 10; i <= 600; i += 10)
        b += "Satz: " + QByteArray::number(i) + "\t\tNr\tFeldinhalt: " + QByteArray::number(i) + "\r\nSatz: " + QByteArray::number(i)
            + "\t\tText\tFeldinhalt: Treffer\r\n";
    return b + "-----------------------------\r\ngesamt gefundene Felder: 60\r\n";
}

TEST_F(MaskeImLauf, AVisibleMaskTakesNoInputDuringARun)
{
    frmVergleich* m = oeffnen(QStringLiteral("Viele"));
    ASSERT_NE(m, nullptr);
    klick(m->zeile(1).fldSchalter);
    klick(fenster->Command1);
    const QByteArray ungestoert = protokollBytes();
    ASSERT_EQ(ungestoert, vieleProtokoll(600));
    const QStringList zeilen = fenster->ergebnisse().alleZeilen();
    const QStringList vorher = zustand(*m);
    const QString sql = DB::AbfrageSQL;
    recorder->leeren();

    int eingriffe = 0;
    QTimer::singleShot(0, m, [&] {
        ASSERT_TRUE(fenster->suchlaufAktiv());
        ++eingriffe;
        for (QWidget* w : gesperrte(*m))
            EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
        EXPECT_TRUE(m->VScroll1->isEnabled());
        allesBenutzen(*m);
    });
    klick(fenster->Command1);
    EXPECT_EQ(eingriffe, 1);
    EXPECT_EQ(protokollBytes(), ungestoert);
    EXPECT_EQ(fenster->ergebnisse().alleZeilen(), zeilen);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    ASSERT_EQ(Feldauswahl::maske(), m);
    EXPECT_EQ(zustand(*m), vorher);
    EXPECT_EQ(DB::AbfrageSQL, sql);
    EXPECT_EQ(DB::AuswahlAnzahl, 0);
    for (QWidget* w : gesperrte(*m))
        EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
    // And the mask works again.
    klick(m->Command1);
    EXPECT_EQ(DB::AbfrageSQL, QStringLiteral("Select [Text] from [Viele];"));
}

TEST_F(MaskeImLauf, ClosingTheMaskDuringARunWaitsForTheRunsEnd)
{
    for (const bool ueberHauptfenster : {false, true}) {
        SCOPED_TRACE(ueberHauptfenster ? "Feldauswahl::entladen" : "close box");
        frmVergleich* m = oeffnen(QStringLiteral("Viele"));
        ASSERT_NE(m, nullptr);
        QPointer<frmVergleich> p = m;
        bool gehalten = false;
        QTimer::singleShot(0, m, [&] {
            if (ueberHauptfenster)
                Feldauswahl::entladen();
            else
                m->close();
            aufraeumen();
            gehalten = p && Feldauswahl::maske() == m && Suche::feldmaske() == m && m->isVisible();
        });
        klick(fenster->Command1);
        EXPECT_TRUE(gehalten);
        EXPECT_EQ(protokollBytes(), vieleProtokoll(600));
        EXPECT_EQ(Feldauswahl::maske(), nullptr);
        aufraeumen();
        EXPECT_FALSE(p);
    }
}

TEST_F(MaskeImLauf, TheAppliedSelectionStandsThroughTheRun)
{
    frmVergleich* m = oeffnen(QStringLiteral("Viele"));
    ASSERT_NE(m, nullptr);
    klick(m->zeile(0).fldSchalter2);
    klick(m->zeile(1).fldSchalter);
    klick(m->Command1);
    ASSERT_EQ(DB::AbfrageSQL, QStringLiteral("Select [Nr],  [Text] from [Viele];"));
    QPointer<frmVergleich> p = m;
    bool gehalten = false;
    QTimer::singleShot(0, m, [&] {
        // Whatever reaches the hidden mask now, the run keeps reading it.
        allesBenutzen(*m);
        m->close();
        Feldauswahl::entladen();
        aufraeumen();
        gehalten = p && Suche::feldmaske() == m;
    });
    recorder->leeren();
    klick(fenster->Command1);
    EXPECT_TRUE(gehalten);
    EXPECT_EQ(protokollBytes(), auswahlProtokoll());
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    EXPECT_EQ(Feldauswahl::maske(), nullptr);
    aufraeumen();
    EXPECT_FALSE(p);
}

}  // namespace
