// The field selection mask through its controls, offscreen, on a 1024 x 768
// screen (15 twips a pixel): the load, the selection, scrolling, the main
// window's doors, and the search with an applied selection. The layout's
// numbers are the pure rules' (test_regeln); here the window applies them.

#include "Maskenpruefung.h"

#include "Maskenlayout.h"
#include "Programmkennung.h"
#include "Werttext.h"

#include <QApplication>
#include <QMap>
#include <QPointer>
#include <QProcess>
#include <QWheelEvent>
#include <QtTest/QSpontaneKeyEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

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

// --- the mask's way, step by step ---------------------------------------------------------

// A user's way through the mask and the main window's doors, steps between semicolons:
//   "Feldauswahl T"  the table T in the combo, then "&Feldauswahl" (without T: the button alone)
//   "S1", "I1"       a click on row 1's search or info box; "Taste S1": the space bar on it
//   "Übernehmen", "Zurücksetzen", "Abbrechen", "Schließen", "Verbergen", "Fokus Abbrechen",
//   "Fokus Rollbalken", "Pfeil runter"  the mask's buttons, its close box, its focus, its scroll bar
//   "Listenzeile", "Anzahl 7"  a line in the list, a selection count left from before
//   "Zeigen", "Keine Datei", "Dateiklick", "Tabellenwechsel", "Tabellenliste", "Beenden",
//   "Hauptfenster schließen", "Suche m*ller"  the main window
// A row checks the keys of stand() it names.
struct Weg {
    const char* name;
    const char* schritte;
    QStringList erwartet;
};
void PrintTo(const Weg& w, std::ostream* o) { *o << w.name; }

class Maskenweg : public Maske, public ::testing::WithParamInterface<Weg> {
protected:
    frmVergleich& aktuelle()
    {
        if (!Feldauswahl::maske())
            throw std::runtime_error("keine Maske geladen");
        return *Feldauswahl::maske();
    }
    QCheckBox* box(const QString& s)
    {
        const auto& z = aktuelle().zeile(s.mid(1).toInt());
        return s.startsWith(u'S') ? z.fldSchalter : z.fldSchalter2;
    }

    void schritt(const QString& s)
    {
        const std::map<QString, std::function<void()>> einfach = {
            {"Übernehmen", [&] { klick(aktuelle().Command1); }},
            {"Zurücksetzen", [&] { klick(aktuelle().Command2); }},
            {"Abbrechen", [&] { klick(aktuelle().Command3); }},
            {"Schließen", [&] { aktuelle().close(); }},
            {"Verbergen", [&] { aktuelle().hide(); }},
            {"Fokus Abbrechen", [&] { aktuelle().Command3->setFocus(); }},
            {"Fokus Rollbalken", [&] { aktuelle().VScroll1->setFocus(); }},
            {"Pfeil runter", [&] { QTest::keyClick(aktuelle().VScroll1, Qt::Key_Down); }},
            {"Listenzeile", [&] { fenster->ergebnisse().zeileAnhaengen(u"alte Zeile"); }},
            {"Zeigen", [&] { fenster->show(); }},
            {"Keine Datei", [&] { fenster->File1->aktualisieren(); }},
            {"Dateiklick", [&] { fenster->File1_Click(); }},
            {"Tabellenwechsel", [&] { fenster->ImageCombo1_Change(); }},
            {"Tabellenliste", [&] { fenster->ImageCombo1_Dropdown(); }},
            {"Beenden", [&] { fenster->mnubeenden->trigger(); }},
            {"Hauptfenster schließen", [&] { fenster->close(); }},
        };
        if (const auto e = einfach.find(s); e != einfach.end()) {
            e->second();
        } else if (s.startsWith(QStringLiteral("Feldauswahl"))) {
            if (s.size() > 12)
                fenster->ImageCombo1->setzeText(s.mid(12));
            klick(fenster->Command3);
            if (Feldauswahl::maske() && (masken.isEmpty() || masken.back() != Feldauswahl::maske()))
                masken << Feldauswahl::maske();
        } else if (s.startsWith(QStringLiteral("Taste "))) {
            box(s.mid(6))->setFocus();
            QTest::keyClick(box(s.mid(6)), Qt::Key_Space);
        } else if (s.startsWith(QStringLiteral("Anzahl "))) {
            DB::AuswahlAnzahl = s.mid(7).toInt();
        } else if (s.startsWith(QStringLiteral("Suche "))) {
            fenster->Text1->setText(s.mid(6));
            klick(fenster->Command1);
        } else if (s.size() == 2 && (s[0] == u'S' || s[0] == u'I')) {
            klick(box(s));
        } else {
            throw std::runtime_error("unbekannter Schritt " + s.toStdString());
        }
    }

    // What the way left: the last mask opened, the selection, the list, the messages
    // ("i" information, "!" critical), the protocol's last line; then how many of the
    // masks opened on the way the unload deleted.
    QMap<QString, QString> stand()
    {
        QMap<QString, QString> s;
        frmVergleich* m = masken.isEmpty() ? nullptr : masken.back().data();
        s["Maske"] = !m ? QStringLiteral("keine")
                        : (m->isVisible() ? QStringLiteral("sichtbar") : QStringLiteral("verborgen"))
                              + (Feldauswahl::maske() == m ? QStringLiteral(", geladen") : QString())
                              + (Suche::feldmaske() == m ? QStringLiteral(", Suche") : QString());
        s["Haken"] = m ? haken(*m) : QString();
        // Each row's name, type and attributes; its value (hidden rows in brackets),
        // marked where its box is not as wide as the value.
        QStringList zeilen, inhalt;
        for (int i = 0; m && i < m->FeldAnzahl; ++i) {
            const auto& z = m->zeile(i);
            zeilen << z.fldBez->text() + u' ' + z.fldType->text() + u' ' + z.fldAttrib->text();
            inhalt << (z.fldBez->isVisible() ? z.fldFeld->text() : u'(' + z.fldFeld->text() + u')')
                          + (z.fldFeld->width() == px(Maskenlayout::inhaltBreite(z.fldFeld->text().size(), m->BreiteInhalt)) ? "" : " (Breite)");
        }
        s["Zeilen"] = zeilen.join(QStringLiteral(", "));
        s["Inhalt"] = inhalt.join(u'|');
        s["Rollbalken"] = m ? QStringLiteral("%1 bis %2").arg(m->VScroll1->value()).arg(m->VScroll1->maximum()) : QString();
        s["Anzahl"] = QString::number(DB::AuswahlAnzahl);
        s["Text3"] = fenster->Text3->text();
        s["Abfrage"] = DB::AbfrageSQL;
        s["Liste"] = QString::number(fenster->ergebnisse().anzahl());
        QStringList felder, gemeldet;
        for (int i = 0; DB::Satzmenge && DB::Satzmenge->State() == Datenzugriff::adStateOpen && i < DB::Satzmenge->fields().Count(); ++i)
            felder << DB::Satzmenge->fields().Item(i).Name();
        s["Felder"] = felder.join(u',');
        for (const auto& e : recorder->eintraege())
            gemeldet << (e.symbol == Plattform::Symbol::Information ? u'i' : e.symbol == Plattform::Symbol::Kritisch ? u'!' : u'?') + (u' ' + e.text);
        s["Meldungen"] = gemeldet.join(u'|');
        s["Protokoll"] = QString::fromLatin1(protokollBytes().trimmed().split('\n').last());
        aufraeumen();
        s["Gelöscht"] = QString::number(std::count(masken.begin(), masken.end(), nullptr)) + QStringLiteral(" von ") + QString::number(masken.size());
        return s;
    }

    QList<QPointer<frmVergleich>> masken;
};

TEST_P(Maskenweg, LeavesWhatItShould)
{
    for (const QString& s : QString::fromUtf8(GetParam().schritte).split(u';'))
        schritt(s.trimmed());
    const auto ist = stand();
    const QString ja = Datenzugriff::Werttext(QLocale::system()).text(Datenzugriff::Wert::vonJaNein(true));
    for (QString e : GetParam().erwartet) {
        e.replace(QStringLiteral("<wahr>"), ja);  // the locale's word for true
        const QString schluessel = e.section(QStringLiteral(": "), 0, 0);
        ASSERT_TRUE(ist.contains(schluessel)) << e.toStdString();
        EXPECT_EQ(schluessel + QStringLiteral(": ") + ist.value(schluessel), e);
    }
}

// The same beginning for the ways that end a mask: row 0's info box and row 2's
// search box ticked, a line in the list, a selection count of 7 left from before.
#define ADRESSEN "Feldauswahl Adressen Alt; I0; S2; Listenzeile; Anzahl 7; "
// An applied selection of Kunden's Name, then a door of the main window.
#define ANGEWANDT "Zeigen; Feldauswahl Kunden; S1; Übernehmen; "
const QString inaktiv = QStringLiteral("Text3: inaktiv"), alleGefunden = QStringLiteral("Protokoll: gesamt gefundene Felder: 4");

const Weg wege[] = {
    // A row keeps one box ticked; the keyboard ticks as the mouse does. Row by row: the
    // search box; info after search; search after info; info after search, unticked; keys.
    {"Ticks", "Feldauswahl Zehn; S0; S1; I1; I2; S2; S3; I3; I3; Taste I4; Taste S4", {"Haken: S I S - S - - - - -"}},
    // Name, type code and attributes of each kind of field, the first record's value:
    // Null two blanks, a text of length 0 and a binary value nothing.
    {"RowsOfEveryKind", "Feldauswahl Muster",
     {"Zeilen: Kurz 202 100, Drei 202 100, Lang 203 230, Nichts 202 100, Leer 202 100, Zahl 3 116, Bild 205 230, Ja 11 20",
      "Inhalt: ab|abc|" + QString(100, u'x') + "|  ||12345||<wahr>"}},
    // One field is one row with nothing to scroll; an empty table shows two blanks a row.
    {"OneField", "Feldauswahl Eins; Pfeil runter", {"Inhalt: einzeln", "Rollbalken: 1 bis 1", "Maske: sichtbar, geladen, Suche"}},
    {"EmptyTable", "Feldauswahl Leer", {"Inhalt:   |  "}},
    // Every way a mask ends.
    {"Apply", ADRESSEN "Übernehmen",
     {"Meldungen: i Auswahl wird jetzt zur Suche verwendet!", "Abfrage: Select [Kunde seit],  [Größe] from [Adressen Alt];", "Anzahl: 2",
      "Haken: I - S", "Maske: verborgen, geladen, Suche", "Gelöscht: 0 von 1", "Liste: 0", "Text3: aktiv", "Felder: Kunde seit,Größe"}},
    {"Reset", ADRESSEN "Zurücksetzen",
     {"Meldungen: i Auswahl wird nicht zur Suche verwendet!", "Abfrage: Select * from [Adressen Alt];", "Anzahl: 0", "Haken: - - -",
      "Maske: verborgen", "Gelöscht: 1 von 1", "Liste: 0", inaktiv, "Felder: Kunde seit,Straße Nr,Größe"}},
    {"CancelWithTheFocus", ADRESSEN "Fokus Abbrechen; Abbrechen",
     {"Meldungen: ", "Abfrage: Select * from [Adressen Alt];", "Anzahl: 7", "Haken: I - S", "Maske: verborgen", "Gelöscht: 1 von 1", "Liste: 1"}},
    {"CloseBoxFocusOnTheScrollBar", ADRESSEN "Fokus Rollbalken; Schließen",
     {"Meldungen: ", "Abfrage: Select * from [Adressen Alt];", "Anzahl: 0", "Haken: - - -", "Maske: verborgen", "Gelöscht: 1 von 1", "Liste: 1"}},
    {"CloseBoxHidden", ADRESSEN "Verbergen; Schließen",
     {"Meldungen: ", "Abfrage: Select * from [Adressen Alt];", "Anzahl: 7", "Haken: I - S", "Maske: verborgen", "Gelöscht: 1 von 1", "Liste: 1"}},
    // The main window's doors unload an applied mask, or keep it; a mask left
    // loaded is ignored by the search: every field, four hits.
    {"FileClick", ANGEWANDT "Dateiklick; Suche m*ller",
     {"Maske: verborgen", "Gelöscht: 1 von 1", "Anzahl: 0", inaktiv, "Abfrage: Select * from [Kunden];", alleGefunden}},
    {"TableChange", ANGEWANDT "Tabellenwechsel; Suche m*ller",
     {"Maske: verborgen", "Gelöscht: 1 von 1", "Anzahl: 0", inaktiv, "Abfrage: Select * from [Kunden];", alleGefunden}},
    {"TableList", ANGEWANDT "Tabellenliste; Suche m*ller",
     {"Maske: verborgen, geladen, Suche", "Gelöscht: 0 von 1", "Anzahl: 0", inaktiv, "Abfrage: Select * from [Kunden];", alleGefunden}},
    {"QuitMenu", ANGEWANDT "Beenden", {"Maske: verborgen", "Gelöscht: 1 von 1"}},
    {"MainWindowClosed", ANGEWANDT "Hauptfenster schließen", {"Maske: verborgen", "Gelöscht: 1 von 1"}},
    // "&Feldauswahl" replaces a visible or an applied mask: nothing ticked, the selection no longer in use.
    {"ReplacesAVisibleMask", "Feldauswahl Kunden; S0; Feldauswahl Zehn",
     {"Maske: sichtbar, geladen, Suche", "Gelöscht: 1 von 2", "Haken: - - - - - - - - - -", "Anzahl: 0", inaktiv}},
    {"ReplacesAnAppliedMask", "Feldauswahl Kunden; S0; Übernehmen; Feldauswahl Kunden",
     {"Maske: sichtbar, geladen, Suche", "Gelöscht: 1 von 2", "Haken: - - -", "Anzahl: 0", inaktiv}},
    {"NoFileChosen", "Keine Datei; Feldauswahl", {"Maske: keine", "Meldungen: ! es wurde keine Datenbank gewählt!"}},
};

INSTANTIATE_TEST_SUITE_P(Wege, Maskenweg, ::testing::ValuesIn(wege), [](const auto& i) { return std::string(i.param.name); });

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
    EXPECT_EQ(protokollBytes(), ">>Aktive Felder der Feldauswahl:\r\nVergleichsfeld: Name\r\nInfofeld: Ort\r\n\r\n"
                                "------------------Beginn der Auswertung---------------\r\n"
                                "Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\nSatz: 1\t\tOrt\tFeldinhalt: K\xF6ln\r\n"
                                "Satz: 2\t\tName\tFeldinhalt: MOLLER\r\nSatz: 2\t\tOrt\tFeldinhalt: \r\n"
                                "Satz: 3\t\tName\tFeldinhalt: Meller\r\nSatz: 3\t\tOrt\tFeldinhalt: M\xFCllerstadt\r\n"
                                "-----------------------------\r\ngesamt gefundene Felder: 3\r\n");
    EXPECT_EQ(fenster->ergebnisse().alleZeilen(), listeWieProtokoll(true));

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
