// The value text in a German, the C and a US locale.

#include "Werttext.h"

#include <QDate>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Datenzugriff;

namespace {

const QLocale deutsch(QLocale::German, QLocale::Germany), c = QLocale::c(), us(QLocale::English, QLocale::UnitedStates);

// Jet day count for a civil date and time, from QDate's calendar.
double tage(int j, int m, int t, int h = 0, int mi = 0, int se = 0)
{
    const double tag = double(QDate(1899, 12, 30).daysTo(QDate(j, m, t)));
    const double bruch = (h * 3600 + mi * 60 + se) / 86400.0;
    return tag < 0 ? tag - bruch : tag + bruch;
}
Wert datum(int j, int m, int t, int h = 0, int mi = 0, int se = 0) { return Wert::vonDatum(tage(j, m, t, h, mi, se)); }

// Date/Time Extended: 100-ns ticks since 01.01.0001.
Wert erweitert(int j, int m, int t, int h = 0, int mi = 0, int se = 0, int bruch = 0)
{
    const std::int64_t tag = QDate(1, 1, 1).daysTo(QDate(j, m, t));
    return Wert::vonDatumErweitert(((tag * 86400 + h * 3600 + mi * 60 + se) * 10000000LL) + bruch);
}

Wert dezimal(bool negativ, int skala, std::uint32_t unten, std::uint32_t mitte = 0, std::uint32_t oben = 0)
{
    return Wert::vonDecimal(DecimalWert{negativ, std::uint8_t(skala), {unten, mitte, oben}});
}

struct Fall {
    Wert wert;
    const char* text;
    const QLocale& locale = deutsch;
};

TEST(Werttext, EveryKindInItsLocale)
{
    constexpr auto i64 = std::numeric_limits<std::int64_t>();
    const Fall faelle[] = {
        {Wert::vonText(QStringLiteral("Grüße\r\n\tx")), "Grüße\r\n\tx"},
        {Wert::null(), ""},
        {Wert::vonBinaer(QByteArray("abc")), ""},
        {Wert::vonGanzzahl(1234567), "1234567"},  // no grouping
        {Wert::vonGanzzahl(i64.min()), "-9223372036854775808"},
        {Wert::vonDouble(3.25), "3,25"},
        {Wert::vonDouble(3.25), "3.25", c},
        {Wert::vonDouble(0.1), "0,1"},
        {Wert::vonDouble(1.0 / 3.0), "0,333333333333333"},
        {Wert::vonDouble(2.0 / 3.0), "0,666666666666667"},
        {Wert::vonDouble(-2.5e-7), "-2,5E-07"},
        {Wert::vonDouble(1e15), "1E+15"},
        {Wert::vonDouble(999999999999999.0), "999999999999999"},
        {Wert::vonDouble(0.0001), "0,0001"},
        {Wert::vonDouble(0.00009999), "9,999E-05"},
        {Wert::vonDouble(1e300), "1E+300"},
        {Wert::vonDouble(-0.0), "0"},
        {Wert::vonDouble(-1234.5), "-1234,5"},
        {Wert::vonSingle(0.1f), "0,1"},
        {Wert::vonSingle(3.4e38f), "3,4E+38"},
        {Wert::vonSingle(1.0f / 3.0f), "0,3333333"},
        {Wert::vonSingle(1234567.0f), "1234567"},
        {Wert::vonSingle(12345678.0f), "1,234568E+07"},
        {Wert::vonWaehrung(125000), "12,5"},
        {Wert::vonWaehrung(-12345678), "-1234,5678"},
        {Wert::vonWaehrung(0), "0"},
        {Wert::vonWaehrung(-1), "-0,0001"},
        {Wert::vonWaehrung(10100), "1.01", c},
        {Wert::vonWaehrung(i64.max()), "922337203685477,5807"},
        {Wert::vonWaehrung(i64.min()), "-922337203685477,5808"},
        {dezimal(false, 2, 123456), "1234,56"},
        {dezimal(true, 0, 123456), "-123456"},
        {dezimal(true, 3, 5), "-0,005"},
        {dezimal(false, 4, 1500), "0,15"},
        {dezimal(true, 4, 0), "0"},
        {dezimal(false, 28, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu), "7,9228162514264337593543950335"},
        {dezimal(false, 0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu), "79228162514264337593543950335"},
        {datum(1974, 9, 21), "21.09.1974"},
        {datum(2026, 12, 6, 13, 5, 7), "06.12.2026 13:05:07"},
        {datum(1899, 12, 30, 13, 5, 0), "13:05:00"},
        {Wert::vonDatum(0.0), "00:00:00"},
        {Wert::vonDatum(-657434.0), "01.01.0100"},
        {Wert::vonDatum(2958465.0), "31.12.9999"},
        // Beyond the years 100 to 9999 the day count itself, on both sides.
        {Wert::vonDatum(2958466.0), "2958466"},
        {Wert::vonDatum(-657435.0), "-657435"},
        {datum(1899, 12, 29, 6), "29.12.1899 06:00:00"},
        {Wert::vonDatum(-1.25), "29.12.1899 06:00:00"},
        {datum(1900, 2, 28, 23, 59, 59), "28.02.1900 23:59:59"},
        {datum(2000, 2, 29), "29.02.2000"},
        // Half a second before midnight rounds into the next day.
        {Wert::vonDatum(tage(2026, 12, 31) + 86399.6 / 86400.0), "01.01.2027"},
        {Wert::vonDatum(tage(2026, 12, 6) + 0.4 / 86400.0), "06.12.2026"},
        {datum(2026, 12, 6, 13, 5, 7), "6 Dec 2026 13:05:07", c},
        {datum(1974, 9, 21, 15, 4, 5), "9/21/1974 3:04:05 PM", us},
        {erweitert(2021, 6, 14, 22, 45, 12, 3456789), "14.06.2021 22:45:12,3456789"},
        {erweitert(100, 6, 14, 12, 45, 0, 1234000), "14.06.0100 12:45:00,1234"},
        {erweitert(2021, 6, 14), "14.06.2021"},
        {erweitert(2021, 6, 14, 0, 0, 0, 1), "14.06.2021 00:00:00,0000001"},
        {erweitert(1899, 12, 30, 13, 5, 0, 5000000), "13:05:00,5"},
        {erweitert(1, 1, 1), "01.01.0001"},
        {erweitert(9999, 12, 31, 23, 59, 59, 9999999), "31.12.9999 23:59:59,9999999"},
        {erweitert(2021, 6, 14, 22, 45, 12, 2500000), "6/14/2021 10:45:12.25 PM", us},
        {Wert::vonJaNein(true), "Wahr"},
        {Wert::vonJaNein(false), "Falsch"},
        {Wert::vonJaNein(true), "True", c},
        {Wert::vonJaNein(false), "False", c},
        {Wert::vonGuid({0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}),
         "{12345678-1234-1234-1234-123456789ABC}"},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(Werttext(f.locale).text(f.wert).toStdString(), f.text) << f.locale.name().toStdString();
    EXPECT_FALSE(Werttext(deutsch).text(Wert::vonDouble(std::nan(""))).isEmpty());
    EXPECT_FALSE(Werttext(deutsch).text(Wert::vonDatum(1e12)).isEmpty());
    EXPECT_FALSE(Werttext::hatText(Wert::null()));
    EXPECT_TRUE(Werttext::hatText(Wert::vonText(QString())));

    // Appending leaves what is there.
    QString ziel = QStringLiteral("Wert: ");
    Werttext(deutsch).anhaengen(Wert::vonWaehrung(25000), ziel);
    Werttext(deutsch).anhaengen(Wert::null(), ziel);
    EXPECT_EQ(ziel, QStringLiteral("Wert: 2,5"));
}

// Every value text of a kind consists of the characters its supply names.
TEST(Werttext, CharacterSupplyCoversEveryValueText)
{
    for (const QLocale& locale : {deutsch, c, us}) {
        const Werttext w(locale);
        const Wert werte[] = {Wert::vonGanzzahl(-1234567890), Wert::vonDouble(-2.5e-7), Wert::vonDouble(3.25),
                              Wert::vonSingle(3.4e38f), Wert::vonWaehrung(-12345678), Wert::vonJaNein(true),
                              Wert::vonJaNein(false), datum(2026, 12, 6, 13, 5, 7), datum(1974, 5, 21, 1, 2, 3),
                              Wert::vonDatum(0.75), Wert::vonDatum(1e12), erweitert(2021, 6, 14, 22, 45, 12, 3456789),
                              Wert::vonGuid({0xAB, 0xCD, 0xEF, 0x01, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13})};
        for (const Wert& v : werte) {
            const QString vorrat = w.zeichenvorrat(v.art);
            for (QChar z : w.text(v))
                EXPECT_TRUE(vorrat.contains(z)) << locale.name().toStdString() << " " << w.text(v).toStdString();
        }
        EXPECT_TRUE(w.zeichenvorrat(WertArt::Text).isEmpty());
    }
    // German dates have no names, so letters cannot occur.
    EXPECT_FALSE(Werttext(deutsch).zeichenvorrat(WertArt::Datum).contains(u'M'));
}

}  // namespace
