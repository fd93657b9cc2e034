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

}  // namespace
