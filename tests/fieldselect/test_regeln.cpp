// The rules of the field selection mask as plain functions: layout in twips
// from the screen size, content box widths, the scroll layout, and the
// statement an apply builds.

#include "Auswahlmodell.h"
#include "Maskenlayout.h"

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using namespace Maskenlayout;

TEST(Maskenlayout, ScreensAndHalvesToEven)
{
    // 1024 x 768: the chain of row 0 (71.7 rounds to 72, then each Left from
    // the one before), the scroll bar beside the frame.
    const Masse k = masse(15360, 11520);
    EXPECT_EQ((std::vector<int>{k.fensterBreite, k.fensterHoehe, k.attribLinks, k.typeLinks, k.schalterLinks, k.schalter2Links, k.bezLinks,
                           k.scrollLinks, k.scrollOben, k.scrollHoehe}),
              (std::vector<int>{15360, 11520, 72, 72 + 380, 452 + 380 + 50, 882 + 255 + 50, 1187 + 255, 7170, 120, 10944}));
    struct Fall {
        int breite, hoehe;
        int frameBreite, frameHoehe, breiteBez, breiteInhalt, schritt;
    };
    const Fall faelle[] = {
        {15360, 11520, 7170, 10944, 1712, 1956, 33},   // 1024 x 768: 1711.5 to the even neighbour
        {28800, 16200, 13890, 15390, 4064, 4644, 47},  // 1920 x 1080: 4063.5 up to the even 4064
        {19200, 14400, 9090, 13680, 2384, 2724, 42},   // 1280 x 960: 2383.5 up to 2384
        {5640, 4500, 2310, 4275, 10, 12, 12},          // frame 30 over the label: 10.5 down to 10
        {5720, 4500, 2350, 4275, 24, 28, 12},          // frame 70 over the label: 24.5 down to 24
        {20475, 11520, 9728, 10944, 2607, 2979, 33},   // 1365 px: a frame of 9727.5 to the even 9728
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(std::to_string(f.breite) + " x " + std::to_string(f.hoehe));
        const Masse m = masse(f.breite, f.hoehe);
        EXPECT_EQ((std::vector<int>{m.frameBreite, m.frameHoehe, m.breiteBez, m.breiteInhalt, m.grosserSchritt, m.knopfLinks}),
                  (std::vector<int>{f.frameBreite, f.frameHoehe, f.breiteBez, f.breiteInhalt, f.schritt, f.frameBreite + 560}));
    }
}

TEST(Maskenlayout, ContentBoxWidths)
{
    const struct {
        qsizetype laenge;
        int breite;
    } faelle[] = {
        {0, 0},        // a value of length 0
        {1, 280},
        {2, 560},      // also the two blanks of Null
        {3, 420},      // narrower than two characters
        {10, 1400},
        {13, 1820},
        {14, 1956},    // 1960 capped
        {100, 1956},
        {70000, 1956}, // a long memo
    };
    for (const auto& f : faelle)
        EXPECT_EQ(inhaltBreite(f.laenge, 1956), f.breite) << f.laenge;
}

// Slot numbers of the rows shown (-1 hidden). Shown rows stand at their
// loaded slot moved by one distance, hidden ones wait at row 0's Top.
std::vector<int> plaetze(const Scrolllage& s)
{
    std::vector<int> r;
    EXPECT_EQ(s.verschiebung % ZeilenRaster, 0);
    for (std::size_t i = 0; i < s.zeilen.size(); ++i) {
        const auto& z = s.zeilen[i];
        EXPECT_EQ(z.oben, z.sichtbar ? slotOben(int(i)) + s.verschiebung : ZeileOben) << i;
        r.push_back(z.sichtbar ? (z.oben - ZeileOben) / ZeilenRaster : -1);
    }
    return r;
}

TEST(Maskenlayout, ScrollLayout)
{
    const struct {
        int felder, wert;
        bool label;
        std::vector<int> plaetze;
    } faelle[] = {
        {10, 1, false, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},                 // as loaded
        {10, 2, true, {-1, -1, 1, 2, 3, 4, 5, 6, 7, 8}},                // row 1 goes with row 0
        {10, 3, true, {-1, -1, -1, 1, 2, 3, 4, 5, 6, 7}},
        {10, 9, true, {-1, -1, -1, -1, -1, -1, -1, -1, -1, 1}},         // the upper bound: label and last row
        {3, 2, true, {-1, -1, 1}},
        {1, 1, false, {0}},
        {1, 0, true, {-1}},                                             // one field, any other value: label only
        {4, 7, true, {-1, -1, -1, -1}},                                 // beyond the rows
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(std::to_string(f.felder) + " Felder, Wert " + std::to_string(f.wert));
        const Scrolllage s = scrolllage(f.felder, f.wert);
        EXPECT_EQ(s.labelSichtbar, f.label);
        EXPECT_EQ(s.labelOben, 240);
        EXPECT_EQ(plaetze(s), f.plaetze);
    }
    EXPECT_EQ(scrolllage(10, 1).zeilen[9].oben, 240 + 315 * 9);
    EXPECT_TRUE(scrolllage(0, 1).zeilen.empty());
}

TEST(Maskenlayout, ScrollUpperBound)
{
    EXPECT_EQ(scrollMaximum(1), 0);
    EXPECT_EQ(scrollMaximum(10), 9);
    EXPECT_EQ(scrollMaximum(255), 254);
    EXPECT_EQ(scrollMaximum(40000), 32767);  // 16 bits
}

// --- the statement --------------------------------------------------------------

using Auswahlmodell::Auswahl;
using Auswahlmodell::uebernehmen;
using Z = Auswahlmodell::Zeile;

TEST(Auswahlmodell, StatementOfTheTickedBoxes)
{
    const QString T = QStringLiteral("T");
    const struct {
        const char* fall;
        std::vector<Z> zeilen;
        QString tabelle;
        Auswahl erwartet;
    } faelle[] = {
        {"nothing ticked", {{"A", false, false}, {"B", false, false}}, T, {QStringLiteral("Select * from [T];"), 0}},
        {"no rows", {}, QStringLiteral("Leer"), {QStringLiteral("Select * from [Leer];"), 0}},
        {"one compare field", {{"A", false, false}, {"B", true, false}}, T, {QStringLiteral("Select [B] from [T];"), 1}},
        {"one info field", {{"A", false, true}}, T, {QStringLiteral("Select [A] from [T];"), 1}},
        {"three fields, two blanks after each comma",
         {{"A", true, false}, {"B", false, true}, {"C", true, false}},
         T,
         {QStringLiteral("Select [A],  [B],  [C] from [T];"), 3}},
        {"a row with both boxes (never through clicks): search box first",
         {{"A", true, true}},
         T,
         {QStringLiteral("Select [A],  [A] from [T];"), 2}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.fall);
        const Auswahl a = uebernehmen(f.zeilen, f.tabelle);
        EXPECT_EQ(a.abfrage, f.erwartet.abfrage);
        EXPECT_EQ(a.anzahl, f.erwartet.anzahl);
    }
}

TEST(Auswahlmodell, TickingOneBoxClearsTheOtherUntickingLeavesIt)
{
    using Auswahlmodell::andereBox;
    // {clicked box's new value, other box} -> other box
    EXPECT_FALSE(andereBox(true, true));
    EXPECT_FALSE(andereBox(true, false));
    EXPECT_TRUE(andereBox(false, true));
    EXPECT_FALSE(andereBox(false, false));
}

TEST(Auswahlmodell, TheCountIs16Bits)
{
    std::vector<Z> zeilen(32767, Z{QStringLiteral("F"), true, false});
    EXPECT_EQ(uebernehmen(zeilen, QStringLiteral("T")).anzahl, 32767);
    zeilen.push_back({QStringLiteral("G"), false, true});
    EXPECT_THROW(uebernehmen(zeilen, QStringLiteral("T")), Auswahlmodell::Ueberlauf);
}

}  // namespace
