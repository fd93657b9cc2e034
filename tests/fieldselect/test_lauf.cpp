// The main window and the field selection mask during a search run: every
// control used, the run cancelled, the windows closed while it reads, an
// exception out of the mask. The run either stays the undisturbed one byte
// for byte or ends at its next events with a complete protocol (or, broken,
// leaves the last one); what the user chose stands afterwards. Then errors
// nobody planned for out of the other windows.

#include "Maskenpruefung.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using namespace maskentest;
namespace DB = Datenbankfunktion;

// A mask of the given rows (name, searched) that fails when told to, as a
// window with a bug would.
class BrechendeMaske : public Suche::Feldmaske {
public:
    bool brechen = false;
    std::vector<std::pair<QString, bool>> zeilen{{QStringLiteral("Nr"), false}, {QStringLiteral("Text"), true}};
    int zeilenAnzahl() const override { return int(zeilen.size()); }
    QString feldname(int k) const override
    {
        if (brechen)
            throw std::logic_error("Maske ohne Zeile");
        return zeilen[std::size_t(k)].first;
    }
    bool suchen(int k) const override { return zeilen[std::size_t(k)].second; }
    // In force for the search, over both fields of Viele.
    void setzen()
    {
        Suche::setzeFeldmaske(this);
        DB::AuswahlAnzahl = 2;
        DB::AbfrageSQL = QStringLiteral("Select [Nr],  [Text] from [Viele];");
    }
};

class Lauf : public Maskenpruefung {
protected:
    void dateienAnlegen() override
    {
        Maskenpruefung::dateienAnlegen();
        datenbank(dir.filePath(QStringLiteral("viele.mdb")), [](auto& db) { vieleTabelle(db, 600); });
    }
    void SetUp() override
    {
        Maskenpruefung::SetUp();
        // The doors to the other windows, as the program has them, but noting
        // what was opened and whether an unload came during a run; the table
        // window itself stays closed.
        nebenfenster.beiFeldauswahlZeigen = [this] { geoeffnet << QStringLiteral("Feldauswahl"); Feldauswahl::zeigen(); };
        nebenfenster.beiFeldauswahlEntladen = [this] { entladen << Anbindung::suchlaufAktiv(); Feldauswahl::entladen(); };
        nebenfenster.beiTabelleninhaltZeigen = [this] { geoeffnet << QStringLiteral("Tabelleninhalt"); };
        nebenfenster.beiTabelleninhaltBeiSatzZeigen = [this](std::int64_t, const QString&) { geoeffnet << QStringLiteral("Satz"); };
        nebenfenster.beiTabelleninhaltEntladen = [this] { entladen << Anbindung::suchlaufAktiv(); };
        fenster->setzeNebenfenster(&nebenfenster);
        fenster->hilfeZeigen = [this](const QString& datei) { hilfe << datei; };
        fenster->programmSuchen = [](const QString& name) { return QStringLiteral("/usr/bin/") + name; };
        fenster->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenster.get()));
        waehle(QStringLiteral("viele.mdb"));
        fenster->Text1->setText(QStringLiteral("treffer"));
        recorder->leeren();
    }

    // The choice of file and table, and what would change it, during a run.
    QList<QWidget*> gesperrt() const
    {
        return {fenster->Drive1, fenster->Dir1, fenster->File1, fenster->ImageCombo1, fenster->Command3, fenster->Command4};
    }

    // The controls of the main window the lock leaves enabled, as a user
    // would use them (a disabled one gets no input from Qt), and the handlers
    // of those it disables.
    void hauptfensterBenutzen()
    {
        for (QWidget* w : gesperrt())
            EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
        klick(fenster->Check1);  // "treffer" finds the same either way
        QTest::mouseClick(fenster->List1->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        QTest::keyClick(fenster->List1, Qt::Key_End);
        for (QPushButton* b : {fenster->Command1, fenster->Command2})
            klick(b);
        fenster->mnuHilfe->trigger();
        fenster->mnuWin7->trigger();
        fenster->Command1_Click();
        fenster->File1_Click();
        fenster->ImageCombo1_Change();
        fenster->Command3_Click();
        fenster->List1_DblClick();
    }

    // The same for the mask.
    static void maskeBenutzen(frmVergleich& m)
    {
        for (int i = 0; i < m.FeldAnzahl; ++i) {
            klick(m.zeile(i).fldSchalter);
            klick(m.zeile(i).fldSchalter2);
            QTest::keyClick(m.zeile(i).fldSchalter, Qt::Key_Space);
        }
        for (QPushButton* b : {m.Command1, m.Command2, m.Command3})
            klick(b);
        m.Command1_Click();
        m.Command2_Click();
        m.Command3_Click();
    }
    static QList<QWidget*> maskenKnoepfe(const frmVergleich& m)
    {
        QList<QWidget*> w{m.Command1, m.Command2, m.Command3};
        for (int i = 0; i < m.FeldAnzahl; ++i)
            w << m.zeile(i).fldSchalter << m.zeile(i).fldSchalter2;
        return w;
    }
    void fokusAufFile1()
    {
        QApplication::setActiveWindow(fenster.get());
        fenster->File1->setFocus();
        ASSERT_TRUE(fenster->File1->hasFocus());
    }
    static QStringList maskenZustand(const frmVergleich& m)
    {
        return {QString::number(m.isVisible()), haken(m), QString::number(m.VScroll1->value())};
    }

    QStringList geoeffnet, hilfe;
    QList<bool> entladen;
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

TEST_F(Lauf, WhatHappensDuringARunWaitsForItOrEndsIt)
{
    const QString ende = QStringLiteral("Ende des Suchlaufes!"), abgebrochen = QStringLiteral("Suchlauf abgebrochen!");
    QPointer<frmVergleich> m;
    BrechendeMaske brechend;
    QStringList vorher;
    QString sql;
    const struct {
        const char* was;
        std::function<void()> vorbereiten, imLauf, danach;
        QByteArray protokoll;
        QStringList meldungen;
    } faelle[] = {
        // The focus the lock took comes back after the run; a move of the user's stands.
        {"focus", [&] { fokusAufFile1(); }, [&] { EXPECT_FALSE(fenster->File1->isEnabled() || fenster->File1->hasFocus()); },
         [&] { EXPECT_TRUE(fenster->File1->isEnabled() && fenster->File1->hasFocus()); }, vieleProtokoll(600), {ende}},
        {"focus moved", [&] { fokusAufFile1(); }, [&] { QTest::mouseClick(fenster->Text1, Qt::LeftButton); },
         [&] { EXPECT_TRUE(fenster->Text1->hasFocus() && !fenster->File1->hasFocus()); }, vieleProtokoll(600), {ende}},
        {"every control of the main window",
         [&] {
             fenster->Command1_Click();  // undisturbed, to compare
             vorher = zustand();
             sql = DB::AbfrageSQL;
         },
         [&] { hauptfensterBenutzen(); },
         [&] {
             // File, table and the next search's state stand; only the
             // wildcard box took the click. The viewer and the help opened,
             // the mask and the table window did not.
             vorher[9] = QStringLiteral("Check1: ") + QString::number(Qt::Unchecked);
             EXPECT_EQ(zustand(), vorher);
             EXPECT_EQ(DB::AbfrageSQL, sql);
             EXPECT_EQ(DB::AuswahlAnzahl, 0);
             EXPECT_EQ(fenster->Text2->text(), QStringLiteral("600"));
             EXPECT_TRUE(geoeffnet.isEmpty()) << geoeffnet.join(u',').toStdString();
             EXPECT_EQ(gestartet, (QStringList{QStringLiteral("/usr/bin/xdg-open"), protokoll}));
             EXPECT_EQ(hilfe.size(), 2);
             for (QWidget* w : gesperrt())
                 EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
             klick(fenster->Command4);
             EXPECT_EQ(geoeffnet, QStringList{QStringLiteral("Tabelleninhalt")});
             klick(fenster->Check1);
         },
         vieleProtokoll(600), {QStringLiteral("Windows 7 bzw. Vista Nutzer"), ende}},
        {"escape", {}, [&] { fenster->suchlaufAbbrechen(); },
         [&] {
             // The list is the protocol's; the counter stops where it was cancelled.
             EXPECT_EQ(fenster->ergebnisse().alleZeilen(), listeWieProtokoll());
             EXPECT_EQ(fenster->Text2->text(), QString::number(Suche::Suchlauf::EreignisTakt - 1));
         },
         vieleAbgebrochen(), {abgebrochen}},
        // The run reads the mask again after its first pass through the events
        // and gets an exception: a message, and all the run took is back (flag,
        // cursor, controls, focus, connection); the last protocol stands.
        {"an exception out of the mask", [&] { brechend.setzen(), fokusAufFile1(); },
         [&] {
             EXPECT_TRUE(QApplication::overrideCursor() && !fenster->File1->isEnabled());
             brechend.brechen = true;
         },
         [&] {
             EXPECT_EQ(recorder->eintraege()[0].symbol, Plattform::Symbol::Kritisch);
             EXPECT_EQ(QApplication::overrideCursor(), nullptr);
             for (QWidget* w : gesperrt())
                 EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
             EXPECT_TRUE(fenster->File1->hasFocus());
             EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
             EXPECT_EQ(fenster->ergebnisse().rowCount(), int(fenster->ergebnisse().anzahl()));  // the view knows every line
             brechend.brechen = false;
             Suche::setzeFeldmaske(nullptr);
             DB::AuswahlAnzahl = 0;
         },
         vieleProtokoll(600), {QStringLiteral("Die Aktion wurde wegen eines unerwarteten Fehlers abgebrochen: Maske ohne Zeile")}},
        {"a visible mask used",
         [&] {
             m = oeffnen(QStringLiteral("Viele"));
             klick(m->zeile(1).fldSchalter);
             vorher = maskenZustand(*m);
             sql = DB::AbfrageSQL;
         },
         [&] {
             for (QWidget* w : maskenKnoepfe(*m))
                 EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
             EXPECT_TRUE(m->VScroll1->isEnabled());
             maskeBenutzen(*m);
         },
         [&] {
             ASSERT_EQ(Feldauswahl::maske(), m);
             EXPECT_EQ(maskenZustand(*m), vorher);
             EXPECT_EQ(DB::AbfrageSQL, sql);
             EXPECT_EQ(DB::AuswahlAnzahl, 0);
             for (QWidget* w : maskenKnoepfe(*m))
                 EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
             klick(m->Command1);  // and it works again
             EXPECT_EQ(DB::AbfrageSQL, QStringLiteral("Select [Text] from [Viele];"));
             klick(m->Command2);
         },
         vieleProtokoll(600), {ende}},
        {"a visible mask closed and unloaded", [&] { m = oeffnen(QStringLiteral("Viele")); },
         [&] {
             m->close();
             Feldauswahl::entladen();
             aufraeumen();
             EXPECT_TRUE(m && Feldauswahl::maske() == m && Suche::feldmaske() == m && m->isVisible()) << "unloaded during the run";
         },
         [&] {
             EXPECT_EQ(Feldauswahl::maske(), nullptr);
             aufraeumen();
             EXPECT_FALSE(m);
         },
         vieleProtokoll(600), {ende}},
        {"an applied selection, its mask used and unloaded",
         [&] {
             m = oeffnen(QStringLiteral("Viele"));
             klick(m->zeile(0).fldSchalter2);
             klick(m->zeile(1).fldSchalter);
             klick(m->Command1);
             ASSERT_EQ(DB::AbfrageSQL, QStringLiteral("Select [Nr],  [Text] from [Viele];"));
         },
         [&] {
             // Whatever reaches the hidden mask now, the run keeps reading it.
             maskeBenutzen(*m);
             m->close();
             Feldauswahl::entladen();
             aufraeumen();
             EXPECT_TRUE(m && Suche::feldmaske() == m) << "unloaded during the run";
         },
         [&] {
             EXPECT_EQ(Feldauswahl::maske(), nullptr);
             aufraeumen();
             EXPECT_FALSE(m);
             fenster->ImageCombo1_Change();  // the table handler ends the selection
             EXPECT_EQ(DB::AuswahlAnzahl, 0);
         },
         auswahlProtokoll(), {ende}},
        // The window closes, and the program ends, only after the run.
        {"closing the main window", {}, [&] { fenster->close(); }, [&] { EXPECT_FALSE(fenster->isVisible()); },
         vieleAbgebrochen(), {abgebrochen}},
        {"program end", [&] { entladen.clear(); }, [&] { fenster->mnubeenden->trigger(); },
         [&] {
             EXPECT_FALSE(fenster->isVisible());
             EXPECT_GE(entladen.size(), 2);
             EXPECT_FALSE(entladen.contains(true)) << "unloaded while the run read them";
         },
         vieleAbgebrochen(), {abgebrochen}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.was);
        fenster->show();
        if (f.vorbereiten)
            f.vorbereiten();
        recorder->leeren();
        gestartet.clear();
        int eingriffe = 0;
        QTimer::singleShot(0, fenster.get(), [&] {
            ASSERT_TRUE(fenster->suchlaufAktiv());
            ++eingriffe;
            f.imLauf();
        });
        fenster->Command1->click();  // through the handler that catches what the run throws
        EXPECT_EQ(eingriffe, 1);
        EXPECT_FALSE(fenster->suchlaufAktiv());
        EXPECT_EQ(protokollBytes(), f.protokoll);
        ASSERT_EQ(meldungen().size(), f.meldungen.size()) << meldungen().join(u'|').toStdString();
        for (qsizetype i = 0; i < meldungen().size(); ++i)
            EXPECT_TRUE(meldungen()[i].startsWith(f.meldungen[i])) << meldungen()[i].toStdString();
        f.danach();
        // The next run is whole again.
        fenster->show();
        recorder->leeren();
        fenster->Command1_Click();
        EXPECT_EQ(protokollBytes(), vieleProtokoll(600));
        EXPECT_EQ(meldungen(), QStringList{ende});
    }
}

// A field in two rows of the mask: the first one decides.
TEST_F(Lauf, TheMasksFirstRowOfAFieldDecides)
{
    BrechendeMaske maske;
    maske.zeilen = {{QStringLiteral("Text"), false}, {QStringLiteral("Text"), true}};
    maske.setzen();
    EXPECT_EQ(tun(QStringLiteral("suche")), QStringLiteral("Ende des Suchlaufes!"));
    EXPECT_TRUE(protokollBytes().endsWith("gesamt gefundene Felder: 0\r\n")) << protokollBytes().right(300).toStdString();
    Suche::setzeFeldmaske(nullptr);
}

TEST_F(Lauf, AnExceptionOutOfAnotherWindowEndsOnlyThatAction)
{
    // Something that is no exception, and the data access's own error.
    const std::pair<std::function<void()>, QString> faelle[] = {
        {[] { throw 42; }, QStringLiteral("Die Aktion wurde wegen eines unerwarteten Fehlers abgebrochen.")},
        {[] { throw Datenzugriff::DatenzugriffsFehler(Datenzugriff::FehlerBeschaedigt, QStringLiteral("Feld kaputt")); }, QStringLiteral("Feld kaputt")},
    };
    for (const auto& [werfen, meldung] : faelle) {
        SCOPED_TRACE(meldung.toStdString());
        recorder->leeren();
        nebenfenster.beiFeldauswahlZeigen = werfen;
        klick(fenster->Command3);
        EXPECT_EQ(gezeigt(), u'!' + meldung);

        // The other door still opens; the mask's one throws again.
        recorder->leeren();
        geoeffnet.clear();
        klick(fenster->Command4);
        EXPECT_EQ(geoeffnet, QStringList{QStringLiteral("Tabelleninhalt")});
        EXPECT_EQ(gezeigt(), QString());
    }
    // A window that fails while it is unloaded does not keep the main window open.
    nebenfenster.beiFeldauswahlEntladen = [] { throw std::runtime_error("entladen"); };
    recorder->leeren();
    fenster->close();
    EXPECT_FALSE(fenster->isVisible());
    EXPECT_TRUE(meldungen().isEmpty());
}

}  // namespace
