#include "Meldung.h"
#include "Programmkennung.h"

#include <gtest/gtest.h>

using namespace Plattform;

TEST(Programmkennung, TitelAusNameUndVersion)
{
    EXPECT_EQ(Programmkennung::fensterTitel(), QStringLiteral("ZELK-Feldspur 1.4.1"));
    EXPECT_EQ(Programmkennung::ProductName, QStringLiteral("ZELK-Feldspur"));
    EXPECT_TRUE(Programmkennung::Comments.isEmpty());
}

TEST(Twips, UmrechnungBeiUeblichenAufloesungen)
{
    EXPECT_EQ(twipsZuPixel(1440, 96), 96);
    EXPECT_EQ(twipsZuPixel(15, 96), 1);
    EXPECT_EQ(twipsZuPixel(2175, 96), 145);
    EXPECT_EQ(twipsZuPixel(375, 120), 31);  // 31.25 rounds down
    EXPECT_EQ(pixelZuTwips(1024, 96), 15360);
    EXPECT_EQ(pixelZuTwips(768, 96), 11520);
    EXPECT_EQ(pixelZuTwips(twipsZuPixel(4815, 144), 144), 4820);  // 481.5 pixels round up; a pixel is 10 twips
}

TEST(Meldungen, RecorderZeichnetAufUndAntwortetAusDerWarteschlange)
{
    auto recorder = std::make_shared<MeldungsRecorder>();
    setzeMeldungen(recorder);
    recorder->naechsteAntwort(Antwort::Nein);
    EXPECT_EQ(Meldung(QStringLiteral("Frage?"), Symbol::Frage, Knoepfe::JaNein), Antwort::Nein);
    // Empty queue: the first button.
    EXPECT_EQ(Meldung(QStringLiteral("Noch eine?"), Symbol::Frage, Knoepfe::JaNein), Antwort::Ja);
    EXPECT_EQ(Meldung(QStringLiteral("Fertig"), Symbol::Information), Antwort::OK);
    ASSERT_EQ(recorder->eintraege().size(), 3u);
    EXPECT_EQ(recorder->eintraege()[0].text, QStringLiteral("Frage?"));
    EXPECT_EQ(recorder->eintraege()[2].symbol, Symbol::Information);
    EXPECT_EQ(recorder->eintraege()[2].knoepfe, Knoepfe::OK);
    setzeMeldungen(nullptr);
}

TEST(Meldungen, WagenruecklaufWirdZeilenumbruch)
{
    EXPECT_EQ(sichtbarerText(QStringLiteral("a\rb\r\nc")), QStringLiteral("a\nb\nc"));
}

TEST(ProgrammEnde, RecorderHaeltDenAblaufAn)
{
    ProgrammEndeRecorder ende;
    bool weiter = false;
    try {
        ende.beenden(3);
        weiter = true;
    } catch (const ProgrammBeendet& b) {
        EXPECT_EQ(b.code, 3);
    }
    EXPECT_FALSE(weiter);
    EXPECT_TRUE(ende.beendet());
    EXPECT_EQ(ende.code(), 3);
}
