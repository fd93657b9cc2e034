// The range arithmetic of the grid, the cells, the layout in twips and the
// hit lines: pure functions, no window.

#include "Anordnung.h"
#include "Bereich.h"
#include "Zelle.h"

#include <gtest/gtest.h>

using namespace Gitterbereich;
using Datenzugriff::Wert;
using V = std::vector<std::int64_t>;

namespace {

constexpr int B = ZeilenProBlock;

TEST(Bereich, BlocksOfRows)
{
    struct Fall { std::int64_t block, zeilen; Zeilen erwartet; };
    const Fall faelle[] = {
        {0, 1000, {0, B}},
        {1, 1000, {B, B}},
        {7, 1000, {7 * B, 1000 - 7 * B}},  // the last block is shorter
        {8, 1000, {8 * B, 0}},             // past the end
        {0, 0, {0, 0}},
        {-1, 1000, {-B, 0}},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(zeilenDesBlocks(f.block, f.zeilen), f.erwartet) << f.block << " von " << f.zeilen;
    EXPECT_EQ(blockAnzahl(0), 0);
    EXPECT_EQ(blockAnzahl(1), 1);
    EXPECT_EQ(blockAnzahl(B), 1);
    EXPECT_EQ(blockAnzahl(B + 1), 2);
    EXPECT_EQ(blockDerZeile(B - 1), 0);
    EXPECT_EQ(blockDerZeile(B), 1);
}

TEST(Bereich, NeededBlocksVisibleFirstThenBelowThenAbove)
{
    struct Fall { std::int64_t erste, letzte, zeilen; V erwartet; };
    const Fall faelle[] = {
        {0, 40, 1000000, {0, 1}},                       // top: nothing above
        {B - 10, B + 30, 1000000, {0, 1, 2}},           // across a block edge
        {B, B + 40, 1000000, {1, 2, 0}},                // block 0 above is read ahead too
        {5 * B + 3, 5 * B + 43, 1000000, {5, 6, 4}},
        {999960, 999999, 1000000, {7812, 7811}},         // the end: nothing below
        {999999 + 50, 999999 + 90, 1000000, {7812, 7811}}, // a view past the end is clamped
        {0, 40, 10, {0}},                                // a table smaller than a block
        {0, 40, 0, {}},                                  // an empty table
    };
    for (const auto& f : faelle)
        EXPECT_EQ(benoetigteBloecke(f.erste, f.letzte, f.zeilen), f.erwartet) << f.erste << ".." << f.letzte;
    EXPECT_EQ(benoetigteBloecke(5 * B, 5 * B + 1, 1000000, 2), (V{5, 6, 4, 7, 3}));
}

TEST(Bereich, MissingKeepsTheOrderOfNeed)
{
    EXPECT_EQ(fehlendeBloecke({5, 6, 4}, {4, 9}), (V{5, 6}));
    EXPECT_EQ(fehlendeBloecke({5, 6, 4}, {}), (V{5, 6, 4}));
    EXPECT_EQ(fehlendeBloecke({5, 6, 4}, {6, 5, 4}), V{});
}

TEST(Bereich, EvictionDropsTheFarthestAndNeverANeededBlock)
{
    std::vector<GecachterBlock> cache;
    for (std::int64_t b : {0, 1, 2, 10, 11, 12, 50})
        cache.push_back({b, 100});
    struct Fall { const char* was; std::int64_t mitte; V benoetigt; Grenzen grenzen; V erwartet; };
    const Fall faelle[] = {
        {"within bounds", 11, {11, 12, 10}, {7, 1000}, {}},
        {"two too many by count", 11, {11, 12, 10}, {5, 100000}, {50, 0}},
        {"by bytes", 11, {11, 12, 10}, {100, 450}, {50, 0, 1}},
        {"near the start", 1, {1, 2, 0}, {4, 100000}, {50, 12, 11}},
        {"needed blocks stay beyond the bounds", 11, {0, 1, 2, 10, 11, 12, 50}, {2, 100}, {}},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(zuVerwerfen(cache, f.mitte, f.benoetigt, f.grenzen), f.erwartet) << f.was;
    // At equal distance the block above the view goes first.
    cache.pop_back();
    EXPECT_EQ(zuVerwerfen(cache, 6, {6}, {5, 100000}), V{0});
}

TEST(Bereich, AnswersOfAnOldViewAreDropped)
{
    EXPECT_TRUE(antwortAnnehmen(7, 7, 3, {}));          // the current request
    EXPECT_TRUE(antwortAnnehmen(6, 7, 3, {2, 3, 4}));   // older, but the view still needs it
    EXPECT_FALSE(antwortAnnehmen(6, 7, 3, {7000, 7001}));
}

TEST(Bereich, CopyPlanMergesRowsAndSortsColumns)
{
    struct Fall { const char* was; std::vector<Rechteck> auswahl; std::vector<Zeilen> zeilen; std::vector<int> spalten; };
    const Fall faelle[] = {
        {"one cell", {{4, 4, 2, 2}}, {{4, 1}}, {2}},
        {"a rectangle", {{0, 9, 1, 3}}, {{0, 10}}, {1, 2, 3}},
        {"overlapping and touching rows", {{5, 9, 0, 0}, {0, 4, 2, 2}, {8, 12, 0, 0}}, {{0, 13}}, {0, 2}},
        {"apart", {{20, 21, 3, 3}, {1, 2, 0, 0}}, {{1, 2}, {20, 2}}, {0, 3}},
        {"empty rectangles are ignored", {{5, 4, 0, 0}}, {}, {}},
    };
    for (const auto& f : faelle) {
        const auto p = kopierplan(f.auswahl);
        EXPECT_EQ(p.zeilen, f.zeilen) << f.was;
        EXPECT_EQ(p.spalten, f.spalten) << f.was;
    }
    EXPECT_EQ(kopierplan({{1, 2, 0, 0}, {20, 21, 3, 3}}).zeilenAnzahl(), 4);
    EXPECT_TRUE(ausgewaehlt({{1, 2, 0, 0}, {20, 21, 3, 3}}, 21, 3));
    EXPECT_FALSE(ausgewaehlt({{1, 2, 0, 0}, {20, 21, 3, 3}}, 21, 0));
}

// --- cells ---------------------------------------------------------------

const QLocale deutsch(QLocale::German, QLocale::Germany);

Gitterzelle::Zelle zelle(const Wert& w)
{
    static const Datenzugriff::Werttext werttext(deutsch);
    return Gitterzelle::zelleAus(w, werttext, deutsch);
}

TEST(Zelle, ValueTextOfTheSearchWithNullApartFromEmptyText)
{
    using Gitterzelle::Art;
    struct Fall { Wert wert; Art art; QString anzeige; QString voll; };
    const Fall faelle[] = {
        {Wert::null(), Art::Null, {}, {}},
        {Wert::vonText(QString()), Art::Text, {}, {}},
        {Wert::vonText(QStringLiteral("Köln")), Art::Text, QStringLiteral("Köln"), {}},
        {Wert::vonText(QStringLiteral("Zeile 1\r\nZeile 2")), Art::Text, QStringLiteral("Zeile 1 …"), QStringLiteral("Zeile 1\r\nZeile 2")},
        {Wert::vonText(QStringLiteral("\nnach leerer Zeile")), Art::Text, QStringLiteral(" …"), QStringLiteral("\nnach leerer Zeile")},
        {Wert::vonDouble(3.25), Art::Zahl, QStringLiteral("3,25"), {}},
        {Wert::vonWaehrung(-12345678), Art::Zahl, QStringLiteral("-1234,5678"), {}},
        {Wert::vonJaNein(true), Art::Zahl, QStringLiteral("Wahr"), {}},
        {Wert::vonBinaer(QByteArray(12, 'x')), Art::Binaer, QStringLiteral("(Binärdaten, 12 Bytes)"), {}},
        {Wert::vonBinaer(QByteArray(1536, 'x')), Art::Binaer, QStringLiteral("(Binärdaten, 1,5 KB)"), {}},
    };
    for (const auto& f : faelle) {
        const auto z = zelle(f.wert);
        EXPECT_EQ(z.art, f.art) << f.anzeige.toStdString();
        EXPECT_EQ(z.anzeige, f.anzeige);
        EXPECT_EQ(z.voll, f.voll);
    }
    EXPECT_EQ(Gitterzelle::binaerHinweis(1, deutsch), QStringLiteral("(Binärdaten, 1 Byte)"));
    EXPECT_EQ(Gitterzelle::binaerHinweis(5 * 1024 * 1024 / 2, QLocale::c()), QStringLiteral("(Binärdaten, 2.5 MB)"));
}

TEST(Zelle, ToolTipHoldsTheWholeMemoAndLongTexts)
{
    EXPECT_EQ(Gitterzelle::tooltip(zelle(Wert::vonText(QStringLiteral("kurz")))), QString());
    EXPECT_EQ(Gitterzelle::tooltip(zelle(Wert::vonDouble(1e300))), QString());
    const QString memo = QStringLiteral("a < b\r\nzweite Zeile");
    const QString tip = Gitterzelle::tooltip(zelle(Wert::vonText(memo)));
    EXPECT_TRUE(tip.contains(QStringLiteral("a &lt; b\r\nzweite Zeile"))) << tip.toStdString();
    EXPECT_FALSE(Gitterzelle::tooltip(zelle(Wert::vonText(QString(61, u'x')))).isEmpty());
    EXPECT_TRUE(Gitterzelle::tooltip(zelle(Wert::vonText(QString(60, u'x')))).isEmpty());
}

TEST(Zelle, CopiedTextIsTabSeparatedAndQuotedWhereNeeded)
{
    EXPECT_EQ(Gitterzelle::tabellenText({{QStringLiteral("a"), QString(), QStringLiteral("3,5")}, {QStringLiteral("b"), QStringLiteral("x"), QString()}}),
              QStringLiteral("a\t\t3,5\nb\tx\t"));
    struct Fall { QString feld, erwartet; };
    const Fall faelle[] = {
        {QStringLiteral("schlicht"), QStringLiteral("schlicht")},
        {QStringLiteral("mit \"Zitat\" innen"), QStringLiteral("mit \"Zitat\" innen")},
        {QStringLiteral("\"vorn"), QStringLiteral("\"\"\"vorn\"")},
        {QStringLiteral("a\tb"), QStringLiteral("\"a\tb\"")},
        {QStringLiteral("Zeile 1\r\n\"2\""), QStringLiteral("\"Zeile 1\r\n\"\"2\"\"\"")},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(Gitterzelle::kopierFeld(f.feld), f.erwartet) << f.feld.toStdString();
    // A copy takes the whole memo, not the cell's first line.
    const auto memo = zelle(Wert::vonText(QStringLiteral("eins\ndrei")));
    const auto zeile = Gitterzelle::kopierZeile(3, {0, 2}, {{3, 3, 0, 0}, {3, 3, 2, 2}}, [&](int) { return &memo; });
    EXPECT_EQ(zeile, (std::vector<QString>{QStringLiteral("eins\ndrei"), QStringLiteral("eins\ndrei")}));
    const auto luecke = Gitterzelle::kopierZeile(4, {0, 2}, {{3, 4, 0, 0}, {3, 3, 2, 2}}, [&](int) { return &memo; });
    EXPECT_EQ(luecke, (std::vector<QString>{QStringLiteral("eins\ndrei"), QString()}));
}

// --- layout ----------------------------------------------------------------

TEST(Anordnung, GridFollowsTheWindowAndTheButtonItsRightEdge)
{
    using Anordnung::Rechteck;
    struct Fall { int breite, hoehe; Rechteck gitter; };
    const Fall faelle[] = {
        {15360, 11520, {200, 720, 14960, 10400}},  // 1024 x 768 at 96 DPI
        {19200, 14400, {200, 720, 18800, 13280}},
        {400, 1120, {200, 720, 0, 0}},              // exactly the margins
        {100, 500, {200, 720, 0, 0}},               // smaller: clamped, no error
        {0, 0, {200, 720, 0, 0}},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(Anordnung::gitter(f.breite, f.hoehe), f.gitter) << f.breite << " x " << f.hoehe;
    // The button's right edge on the grid's (200 + 14960).
    EXPECT_EQ(Anordnung::knopf(14960), (Rechteck{13105, 100, 2055, 495}));
}

TEST(Anordnung, ColumnWidthFromHeaderAndFirstScreen)
{
    EXPECT_EQ(Anordnung::spaltenBreite(40, {10, 80, 30}, 14, 300), 94);
    EXPECT_EQ(Anordnung::spaltenBreite(40, {}, 14, 300), 54);
    EXPECT_EQ(Anordnung::spaltenBreite(40, {900}, 14, 300), 300);  // a long memo does not take the screen
    EXPECT_EQ(Anordnung::spaltenBreite(400, {10}, 14, 300), 414);  // but the header is always readable
}

}  // namespace
