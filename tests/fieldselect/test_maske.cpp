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

TEST_F(Maske, LoadAppliesTheLayoutOfTheScreenAndTheTabOrder)
{
    using namespace Maskenlayout;
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    const Masse l = masse(15360, 11520);
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(m->windowTitle(), Programmkennung::fensterTitel());
    EXPECT_EQ(m->frameGeometry(), tw(0, 0, l.fensterBreite, l.fensterHoehe));  // the frame, as a window's Left, Top, Width, Height
    EXPECT_EQ(m->Frame1->geometry(), tw(0, FrameOben, l.frameBreite, l.frameHoehe));
    EXPECT_EQ(m->VScroll1->geometry(), tw(l.scrollLinks, l.scrollOben, ScrollBreite, l.scrollHoehe));
    EXPECT_EQ(m->VScroll1->pageStep(), l.grosserSchritt);
    EXPECT_EQ(m->VScroll1->maximum(), scrollMaximum(3));
    EXPECT_EQ(m->VScroll1->value(), 1);
    EXPECT_EQ(m->Command3->x(), px(l.knopfLinks));
    EXPECT_FALSE(m->Text1->isVisibleTo(m));
    EXPECT_EQ(m->Text1->text(), QStringLiteral("3"));
    EXPECT_FALSE(m->LabelScrollmodus->isVisible());
    // Every row in its slot, its controls in the chain of row 0.
    for (int i = 0; i < 3; ++i) {
        const auto& z = m->zeile(i);
        const int oben = slotOben(i);
        EXPECT_EQ(imRahmen(*m, z.fldAttrib), tw(l.attribLinks, oben, AttribBreite, ZeilenHoehe)) << i;
        EXPECT_EQ(imRahmen(*m, z.fldType), tw(l.typeLinks, oben, AttribBreite, ZeilenHoehe)) << i;
        EXPECT_EQ(imRahmen(*m, z.fldSchalter), tw(l.schalterLinks, oben, SchalterBreite, ZeilenHoehe)) << i;
        EXPECT_EQ(imRahmen(*m, z.fldSchalter2), tw(l.schalter2Links, oben, SchalterBreite, ZeilenHoehe)) << i;
        EXPECT_EQ(imRahmen(*m, z.fldBez), tw(l.bezLinks, oben, l.breiteBez, ZeilenHoehe)) << i;
        EXPECT_EQ(imRahmen(*m, z.fldFeld).topLeft(), tw(FeldLinks, oben, 0, 0).topLeft()) << i;
    }
    EXPECT_EQ(haken(*m), QStringLiteral("- - -"));
    // The tab order of the design, then the rows in order of creation.
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

TEST_F(Maske, RowsShowCodesNamesAndTheFirstRecord)
{
    frmVergleich* m = oeffnen(QStringLiteral("Muster"));
    ASSERT_EQ(m->FeldAnzahl, 8);
    const QString ja = Datenzugriff::Werttext(QLocale::system()).text(Datenzugriff::Wert::vonJaNein(true));
    const std::pair<const char*, QString> zeilen[] = {  // name, type and attributes; the first record's value
        {"Kurz 202 100", QStringLiteral("ab")},
        {"Drei 202 100", QStringLiteral("abc")},
        {"Lang 203 230", QString(100, u'x')},
        {"Nichts 202 100", QStringLiteral("  ")},  // Null
        {"Leer 202 100", QString("")},             // length 0
        {"Zahl 3 116", QStringLiteral("12345")},
        {"Bild 205 230", QString("")},             // binary: no value text
        {"Ja 11 20", ja},                          // the locale's word for true
    };
    for (int i = 0; i < 8; ++i) {
        const auto& z = m->zeile(i);
        EXPECT_EQ(z.fldBez->text() + u' ' + z.fldType->text() + u' ' + z.fldAttrib->text(), QString::fromUtf8(zeilen[i].first));
        EXPECT_EQ(z.fldFeld->text(), zeilen[i].second) << zeilen[i].first;
        EXPECT_EQ(z.fldFeld->width(), px(Maskenlayout::inhaltBreite(zeilen[i].second.size(), m->BreiteInhalt))) << zeilen[i].first;
    }
}

TEST_F(Maske, OneFieldIsOneRowWithNothingToScrollAnEmptyTableShowsBlanks)
{
    frmVergleich* m = oeffnen(QStringLiteral("Eins"));
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
    // An empty table: two blanks in every row.
    m = oeffnen(QStringLiteral("Leer"));
    EXPECT_EQ(m->zeile(0).fldFeld->text() + m->zeile(1).fldFeld->text(), QStringLiteral("    "));
}

// --- the selection ---------------------------------------------------------------------

TEST_F(Maske, ClickRulesKeepOneBoxOfARow)
{
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
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

// Every way a mask ends, from row 0's info box and row 2's search box ticked,
// a line in the list and a selection count of 7 left from before.
TEST_F(Maske, ApplyResetCancelAndCloseEndTheMaskAsTheyShould)
{
    const QStringList alle{QStringLiteral("Kunde seit"), QStringLiteral("Straße Nr"), QStringLiteral("Größe")};
    const struct {
        const char* fall;
        std::function<void(frmVergleich&)> tun;
        QString meldung;    // the one message, if any
        QString abfrage;    // the new statement; none: unchanged
        int anzahl;
        bool bleibt;        // the hidden mask stays for the search
        const char* haken;  // of the mask afterwards
        QStringList felder;  // of Satzmenge after a reconnect, which clears the list
    } faelle[] = {
        {"apply", [](frmVergleich& m) { klick(m.Command1); }, QStringLiteral("Auswahl wird jetzt zur Suche verwendet!"),
         QStringLiteral("Select [Kunde seit],  [Größe] from [Adressen Alt];"), 2, true, "I - S",
         {QStringLiteral("Kunde seit"), QStringLiteral("Größe")}},
        {"reset", [](frmVergleich& m) { klick(m.Command2); }, QStringLiteral("Auswahl wird nicht zur Suche verwendet!"),
         QStringLiteral("Select * from [Adressen Alt];"), 0, false, "- - -", alle},
        {"cancel, which has the focus", [](frmVergleich& m) { m.Command3->setFocus(); klick(m.Command3); }, {}, {}, 7, false, "I - S", {}},
        {"close box, focus on the scroll bar", [](frmVergleich& m) { m.VScroll1->setFocus(); m.close(); }, {}, {}, 0, false, "- - -", {}},
        {"close box, hidden after an apply", [](frmVergleich& m) { m.hide(); m.close(); }, {}, {}, 7, false, "I - S", {}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.fall);
        frmVergleich* m = oeffnen(QStringLiteral("Adressen Alt"));
        klick(m->zeile(0).fldSchalter2);
        klick(m->zeile(2).fldSchalter);
        fenster->ergebnisse().zeileAnhaengen(u"alte Zeile");
        DB::AuswahlAnzahl = 7;
        const QString vorher = DB::AbfrageSQL;
        recorder->leeren();
        QPointer<frmVergleich> p = m;
        f.tun(*m);
        EXPECT_EQ(meldungen(), f.meldung.isEmpty() ? QStringList() : QStringList{f.meldung});
        if (!f.meldung.isEmpty()) {
            EXPECT_EQ(recorder->eintraege()[0].symbol, Plattform::Symbol::Information);
        }
        EXPECT_EQ(DB::AbfrageSQL, f.abfrage.isEmpty() ? vorher : f.abfrage);
        EXPECT_EQ(DB::AuswahlAnzahl, f.anzahl);
        ASSERT_TRUE(p);
        EXPECT_FALSE(p->isVisible());
        EXPECT_EQ(haken(*p), QString::fromLatin1(f.haken));
        EXPECT_EQ(Feldauswahl::maske() == m, f.bleibt);
        EXPECT_EQ(Suche::feldmaske() == m, f.bleibt);
        EXPECT_EQ(fenster->ergebnisse().anzahl(), f.felder.isEmpty() ? 1 : 0);
        if (!f.felder.isEmpty()) {
            EXPECT_EQ(fenster->Text3->text(), f.anzahl ? QStringLiteral("aktiv") : QStringLiteral("inaktiv"));
            QStringList felder;
            for (int i = 0; i < DB::Satzmenge->fields().Count(); ++i)
                felder << DB::Satzmenge->fields().Item(i).Name();
            EXPECT_EQ(felder, f.felder);
        }
        aufraeumen();
        EXPECT_EQ(bool(p), f.bleibt);
        fenster->ergebnisse().leeren();
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
            // A mask left loaded is ignored by the search: every field, four hits.
            fenster->Text1->setText(QStringLiteral("m*ller"));
            klick(fenster->Command1);
            EXPECT_TRUE(protokollBytes().startsWith("Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\n"));
            EXPECT_TRUE(protokollBytes().endsWith("gesamt gefundene Felder: 4\r\n"));
        }
        aufraeumen();
        EXPECT_EQ(bool(p), f.bleibt);
        DB::AuswahlAnzahl = 0;
    }
}

TEST_F(Maske, FeldauswahlReplacesAVisibleOrAnAppliedMask)
{
    for (const bool uebernommen : {false, true}) {
        SCOPED_TRACE(uebernommen ? "applied" : "visible");
        frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
        klick(m->zeile(0).fldSchalter);
        if (uebernommen)
            klick(m->Command1);
        ASSERT_EQ(DB::AuswahlAnzahl, uebernommen ? 1 : 0);
        QPointer<frmVergleich> alt = m;
        m = oeffnen(uebernommen ? QStringLiteral("Kunden") : QStringLiteral("Zehn"));
        EXPECT_NE(m, alt.data());
        EXPECT_TRUE(m->isVisible());
        EXPECT_EQ(m->FeldAnzahl, uebernommen ? 3 : 10);
        // Nothing ticked, the selection no longer in use.
        EXPECT_EQ(haken(*m).count(u'-'), m->FeldAnzahl);
        EXPECT_EQ(DB::AuswahlAnzahl, 0);
        EXPECT_EQ(fenster->Text3->text(), QStringLiteral("inaktiv"));
        EXPECT_EQ(Suche::feldmaske(), m);
        aufraeumen();
        EXPECT_FALSE(alt);
    }
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

// Where the label and the rows stand in twips, -1 hidden (where a hidden
// row waits is its own affair): as the widgets show it, as the rules say.
QList<int> lage(const frmVergleich& m)
{
    QList<int> l{m.LabelScrollmodus->isVisible() ? imRahmen(m, m.LabelScrollmodus).y() * 15 : -1};
    for (int i = 0; i < m.FeldAnzahl; ++i)
        l << (m.zeile(i).fldBez->isVisible() ? imRahmen(m, m.zeile(i).fldBez).y() * 15 : -1);
    return l;
}
QList<int> lage(const Maskenlayout::Scrolllage& s)
{
    QList<int> l{s.labelSichtbar ? s.labelOben : -1};
    for (const auto& z : s.zeilen)
        l << (z.sichtbar ? z.oben : -1);
    return l;
}

TEST_F(Maske, ScrollingAppliesTheLayoutTicksStayAndTheBarFollowsKeysAndWheel)
{
    frmVergleich* m = oeffnen(QStringLiteral("Zehn"));
    ASSERT_EQ(m->VScroll1->maximum(), Maskenlayout::scrollMaximum(10));
    klick(m->zeile(5).fldSchalter2);
    for (const int wert : {1, 3, 2, 9, 4, 1}) {
        m->VScroll1->setValue(wert);
        EXPECT_EQ(lage(*m), lage(Maskenlayout::scrolllage(10, wert))) << wert;
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

TEST_F(Maske, TwoColumnsThreeRecordsGiveHeaderBlocksAndTotalEvenIfTheApplyCouldNotReconnect)
{
    frmVergleich* m = oeffnen(QStringLiteral("Kunden"));
    klick(m->zeile(1).fldSchalter);   // Name: compare field
    klick(m->zeile(2).fldSchalter2);  // Ort: info field
    // The file is gone at the apply: the confirmation, then the reason the
    // reconnect failed, naming the file. The list loses nothing, the selection stands.
    const QString datei = dir.filePath(QStringLiteral("kunden.mdb")), weg = dir.filePath(QStringLiteral("weg"));
    ASSERT_TRUE(QFile::rename(datei, weg));
    recorder->leeren();
    fenster->ergebnisse().zeileAnhaengen(u"vorher");
    klick(m->Command1);
    ASSERT_EQ(meldungen().size(), 2) << meldungen().join(u'|').toStdString();
    EXPECT_EQ(meldungen()[0], QStringLiteral("Auswahl wird jetzt zur Suche verwendet!"));
    EXPECT_TRUE(meldungen()[1].contains(datei)) << meldungen()[1].toStdString();
    EXPECT_EQ(recorder->eintraege()[1].symbol, Plattform::Symbol::Kritisch);
    EXPECT_EQ(fenster->ergebnisse().alleZeilen(), QStringList{QStringLiteral("vorher")});
    EXPECT_EQ(Feldauswahl::maske(), m);
    ASSERT_EQ(DB::AbfrageSQL, QStringLiteral("Select [Name],  [Ort] from [Kunden];"));
    // With the file back the search uses it.
    ASSERT_TRUE(QFile::rename(weg, datei));
    fenster->Text1->setText(QStringLiteral("m*ller"));
    recorder->leeren();
    klick(fenster->Command1);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    EXPECT_EQ(fenster->Text3->text(), QStringLiteral("aktiv"));
    EXPECT_EQ(fenster->Text3->palette().color(QPalette::Base), QColor(255, 0, 0));
    // Müllerstadt in record 3 is no second hit: the block covers the record.
    // The list closes every block with a line; the protocol has the rest.
    const QString trenner(43, u'-');
    const QStringList liste{QStringLiteral(">>Aktive Felder der Feldauswahl:"), QStringLiteral("Vergleichsfeld: Name"),
                            QStringLiteral("Infofeld: Ort"), QString(),
                            QStringLiteral("------------------Beginn der Auswertung---------------"),
                            QStringLiteral("Satz: 1\t\tName\tFeldinhalt: Müller"), QStringLiteral("Satz: 1\t\tOrt\tFeldinhalt: Köln"), trenner,
                            QStringLiteral("Satz: 2\t\tName\tFeldinhalt: MOLLER"), QStringLiteral("Satz: 2\t\tOrt\tFeldinhalt: "), trenner,
                            QStringLiteral("Satz: 3\t\tName\tFeldinhalt: Meller"), QStringLiteral("Satz: 3\t\tOrt\tFeldinhalt: Müllerstadt"),
                            trenner, QString(29, u'-'), QStringLiteral("gesamt gefundene Felder: 3")};
    EXPECT_EQ(fenster->ergebnisse().alleZeilen(), liste);
    QByteArray bytes;
    for (const QString& z : liste)
        if (z != trenner)
            bytes += z.toLatin1() + "\r\n";
    EXPECT_EQ(protokollBytes(), bytes);

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
}

}  // namespace
