#include "Meldung.h"
#include "Programmkennung.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Plattform;

TEST(Programmkennung, TitelAusNameUndVersion)
{
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^ZELK-Feldspur \\d+\\.\\d+\\.\\d+$")).match(Programmkennung::fensterTitel()).hasMatch())
        << Programmkennung::fensterTitel().toStdString();
}

TEST(Twips, UmrechnungBeiUeblichenAufloesungen)
{
    struct Fall { int twips; double dpi; int pixel; };
    // 31.25 rounds down, 481.5 up; back from pixels a pixel is 10 twips at 144 DPI.
    for (const Fall f : {Fall{1440, 96, 96}, Fall{15, 96, 1}, Fall{2175, 96, 145}, Fall{375, 120, 31}, Fall{4815, 144, 482}})
        EXPECT_EQ(twipsZuPixel(f.twips, f.dpi), f.pixel) << f.twips << " bei " << f.dpi;
    EXPECT_EQ(pixelZuTwips(1024, 96), 15360);
    EXPECT_EQ(pixelZuTwips(482, 144), 4820);
}

TEST(Meldungen, WagenruecklaufWirdZeilenumbruch)
{
    EXPECT_EQ(sichtbarerText(QStringLiteral("a\rb\r\nc")), QStringLiteral("a\nb\nc"));
}
