// The shared database state without a window: its reset, and the
// connection of its own a second window reads through.

#include "Datenbankfunktion.h"
#include "Meldung.h"
#include "Zeilen.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace DB = Datenbankfunktion;
using namespace Datenzugriff;

namespace {

// The main window's controls as plain values.
class Fenster : public DB::Hauptfenster {
public:
    QString verzeichnis;
    QString datei;
    QString tabelle;
    QStringList liste;
    QString zustand;
    QString verzeichnisPfad() const override { return verzeichnis; }
    QString gewaehlteDatei() const override { return datei; }
    QString tabellenText() const override { return tabelle; }
    void tabellenLeeren() override { liste.clear(); }
    void tabelleHinzufuegen(const QString& name) override { liste << name; }
    void ersteTabelleWaehlen() override { tabelle = liste.value(0); }
    void zustandZeigen(bool aktiv) override { zustand = aktiv ? QStringLiteral("aktiv") : QStringLiteral("inaktiv"); }
};

class Datenbankfunktion_ : public ::testing::Test {
protected:
    void SetUp() override
    {
        Plattform::setzeMeldungen(recorder);
        DB::zuruecksetzen();
        Zeilen::nummernTabelle(dir.filePath(QStringLiteral("n.mdb")), "N", 2000);
        fenster.verzeichnis = dir.path();
        fenster.datei = QStringLiteral("n.mdb");
        DB::setzeHauptfenster(&fenster);
    }
    void TearDown() override
    {
        DB::zuruecksetzen();
        DB::setzeHauptfenster(nullptr);
    }

    std::shared_ptr<Plattform::MeldungsRecorder> recorder = std::make_shared<Plattform::MeldungsRecorder>();
    QTemporaryDir dir;
    Fenster fenster;
};

TEST_F(Datenbankfunktion_, TheResetBringsBackTheStartOfTheProgram)
{
    DB::DatenbankVerbinden();
    ASSERT_EQ(DB::Satzmenge->State(), adStateOpen);
    ASSERT_EQ(DB::AbfrageSQL, QStringLiteral("Select * from [N];"));
    const auto satzmenge = DB::Satzmenge;
    DB::AuswahlAnzahl = 3;
    DB::KeineDatenbank = 1;
    DB::KeineTabelle = 1;

    DB::zuruecksetzen();
    EXPECT_EQ(satzmenge->State(), adStateClosed);
    EXPECT_EQ(DB::Satzmenge, nullptr);
    EXPECT_EQ(DB::Verbindung().State(), adStateClosed);
    EXPECT_TRUE(DB::AbfrageSQL.isEmpty());
    EXPECT_TRUE(DB::DatenbankVerzeichnis.isEmpty());
    EXPECT_TRUE(DB::DatenbankDatei.isEmpty());
    EXPECT_TRUE(DB::VerbindungsText.isEmpty());
    EXPECT_EQ(DB::KeineDatenbank, 0);
    EXPECT_EQ(DB::AuswahlAnzahl, 0);
    EXPECT_EQ(DB::KeineTabelle, 0);
    EXPECT_TRUE(recorder->eintraege().empty());

    // The window the procedures read stays registered.
    DB::DatenbankVerbinden();
    EXPECT_EQ(DB::Satzmenge->State(), adStateOpen);
}

TEST_F(Datenbankfunktion_, AConnectionOfItsOwnReadsOnWhenTheSearchClosesTheShared)
{
    DB::DatenbankVerbinden();
    auto eigene = DB::eigeneVerbindung();
    EXPECT_EQ(eigene->ConnectionString(), DB::VerbindungsText);
    EXPECT_TRUE(eigene->Version().contains(QStringLiteral("im eigenen Prozess"))) << eigene->Version().toStdString();
    Recordset raster;
    raster.Open(DB::AbfrageSQL, *eigene, adOpenKeyset, adLockPessimistic);

    // As at the end of a search run.
    DB::Satzmenge->Close();
    DB::Verbindung().Close();
    ZeilenBlock b;
    ASSERT_EQ(raster.zeilenBereich(1995, 10, b), 5);
    EXPECT_EQ(b.wert(4, 0).ganzzahl, 1999);

    // And on when the shared one reconnects.
    DB::DatenbankVerbinden();
    ASSERT_EQ(raster.zeilenBereich(0, 1, b), 1);
    EXPECT_EQ(b.wert(0, 1).text, QStringLiteral("Zeile 0"));
}

TEST_F(Datenbankfunktion_, AConnectionOfItsOwnReadsLikeTheShared)
{
    // A program that reads in its own process gives the second window the same.
    DB::verbindungErsetzen(std::make_unique<Connection>());
    DB::DatenbankVerbinden();
    auto eigene = DB::eigeneVerbindung();
    EXPECT_EQ(eigene->Version(), DB::Verbindung().Version());
    EXPECT_FALSE(eigene->Version().contains(QStringLiteral("im eigenen Prozess")));

    // Before any DatenbankVerbinden there is no file to open.
    DB::zuruecksetzen();
    try {
        DB::eigeneVerbindung();
        FAIL() << "kein Fehler";
    } catch (const DatenzugriffsFehler& e) {
        EXPECT_EQ(e.Number(), FehlerVerbindungstext);
    }
}

}  // namespace
