// Errors nobody planned for: an exception out of a window the main window
// opens, or out of the mask in the middle of a run. The program shows a
// message and goes on; a run gives back all it took from the window.

#include "Fenster.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

using namespace mdbwriter;
namespace DB = Datenbankfunktion;

namespace {

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
};

class Ausnahmen : public FensterPruefung {
protected:
    void dateienAnlegen() override { datenbank(dir.filePath(QStringLiteral("viele.mdb")), [](auto& db) { vieleTabelle(db, 600); }); }
    void SetUp() override
    {
        FensterPruefung::SetUp();
        fenster->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenster.get()));
        QApplication::setActiveWindow(fenster.get());
        waehle(QStringLiteral("viele.mdb"));
        fenster->Text1->setText(QStringLiteral("treffer"));
        recorder->leeren();
    }
    void klick(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
};

TEST_F(Ausnahmen, AnExceptionOutOfTheMaskInARunGivesTheWindowBackAndShowsAMessage)
{
    klick(fenster->Command1);
    const QByteArray vorher = protokollBytes();
    ASSERT_EQ(vorher, vieleProtokoll(600));

    BrechendeMaske maske;
    Suche::setzeFeldmaske(&maske);
    DB::AuswahlAnzahl = 2;
    DB::AbfrageSQL = QStringLiteral("Select [Nr],  [Text] from [Viele];");
    fenster->File1->setFocus();
    ASSERT_TRUE(fenster->File1->hasFocus());
    bool imLauf = false;
    // The run reads the mask again after its first pass through the events.
    QTimer::singleShot(0, fenster.get(), [&] {
        imLauf = fenster->suchlaufAktiv() && QApplication::overrideCursor() && !fenster->File1->isEnabled();
        maske.brechen = true;
    });
    recorder->leeren();
    fenster->Command1->click();  // as the keyboard does: the focus stays where it is
    ASSERT_TRUE(imLauf);

    EXPECT_EQ(gezeigt(), QStringLiteral("!Die Aktion wurde wegen eines unerwarteten Fehlers abgebrochen: Maske ohne Zeile"));
    // All the run took is back: flag, pointer, controls, focus, connection.
    EXPECT_FALSE(fenster->suchlaufAktiv());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (QWidget* w : std::initializer_list<QWidget*>{fenster->Drive1, fenster->Dir1, fenster->File1, fenster->ImageCombo1,
                                                     fenster->Command3, fenster->Command4})
        EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
    EXPECT_TRUE(fenster->File1->hasFocus());
    EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
    // The broken run left no protocol of its own; the last one stands. The
    // view knows every line the model holds.
    EXPECT_EQ(protokollBytes(), vorher);
    EXPECT_EQ(fenster->ergebnisse().rowCount(), int(fenster->ergebnisse().anzahl()));

    // The next run works.
    maske.brechen = false;
    Suche::setzeFeldmaske(nullptr);
    DB::AuswahlAnzahl = 0;
    recorder->leeren();
    klick(fenster->Command1);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
    EXPECT_EQ(protokollBytes(), vorher);
}

// A field in two rows of the mask: the first one decides.
TEST_F(Ausnahmen, TheMasksFirstRowOfAFieldDecides)
{
    BrechendeMaske maske;
    maske.zeilen = {{QStringLiteral("Text"), false}, {QStringLiteral("Text"), true}};
    Suche::setzeFeldmaske(&maske);
    DB::AuswahlAnzahl = 2;
    DB::AbfrageSQL = QStringLiteral("Select [Nr],  [Text] from [Viele];");
    EXPECT_EQ(tun(QStringLiteral("suche")), QStringLiteral("Ende des Suchlaufes!"));
    EXPECT_TRUE(protokollBytes().endsWith("gesamt gefundene Felder: 0\r\n")) << protokollBytes().right(300).toStdString();
    Suche::setzeFeldmaske(nullptr);
}

TEST_F(Ausnahmen, AnExceptionOutOfAnotherWindowEndsOnlyThatAction)
{
    struct Fall {
        const char* name;
        std::function<void()> werfen;
        QString meldung;
    };
    const Fall faelle[] = {
        {"std::exception", [] { throw std::runtime_error("Maske fehlt"); },
         QStringLiteral("Die Aktion wurde wegen eines unerwarteten Fehlers abgebrochen: Maske fehlt")},
        {"fremd", [] { throw 42; }, QStringLiteral("Die Aktion wurde wegen eines unerwarteten Fehlers abgebrochen.")},
        {"Datenzugriff", [] { throw Datenzugriff::DatenzugriffsFehler(Datenzugriff::FehlerBeschaedigt, QStringLiteral("Feld kaputt")); },
         QStringLiteral("Feld kaputt")},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        recorder->leeren();
        nebenfenster.beiFeldauswahlZeigen = f.werfen;
        klick(fenster->Command3);
        EXPECT_EQ(gezeigt(), u'!' + f.meldung);

        // The other door still opens; the mask's one throws again.
        recorder->leeren();
        bool offen = false;
        nebenfenster.beiTabelleninhaltZeigen = [&] { offen = true; };
        klick(fenster->Command4);
        EXPECT_TRUE(offen);
        EXPECT_EQ(gezeigt(), QString());
        nebenfenster.beiTabelleninhaltZeigen = nullptr;
    }
    // A window that fails while it is unloaded does not keep the main window open.
    nebenfenster.beiFeldauswahlEntladen = [] { throw std::runtime_error("entladen"); };
    recorder->leeren();
    fenster->close();
    EXPECT_FALSE(fenster->isVisible());
    EXPECT_TRUE(meldungen().isEmpty());
}

// The reader process answers garbage for one file: the click on it ends
// with a message that names the file, and the window goes on with the next.
TEST_F(Ausnahmen, AnAnswerOfTheReaderThatMakesNoSenseIsAMessage)
{
    DB::verbindungErsetzen(std::make_unique<Datenzugriff::Connection>(
        [] { return Datenzugriff::erzeugeProzessLeser(QStringLiteral(FALSCHER_LESER), 2000); }));
    for (const char* name : {"muell.mdb", "riesig.mdb", "stirbt.mdb", "ausnahme.mdb"}) {
        SCOPED_TRACE(name);
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096 * 4, '\0'));
        f.close();
        fenster->File1->aktualisieren();
        const QString m = tun(QStringLiteral("datei ") + QString::fromLatin1(name));
        EXPECT_TRUE(m.startsWith(u'!') && m.contains(QStringLiteral("Leseprozess")) && !m.contains(u'|')) << m.toStdString();
        EXPECT_TRUE(fenster->ImageCombo1->text().isEmpty());
        EXPECT_EQ(tun(QStringLiteral("datei viele.mdb | suche")), QStringLiteral("Ende des Suchlaufes!"));
        EXPECT_EQ(protokollBytes(), vieleProtokoll(600));
    }
}

}  // namespace
