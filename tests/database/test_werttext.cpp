// The value text in a German and the C locale.

#include "Werttext.h"

#include <QDate>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Datenzugriff;

namespace {

const QLocale deutsch(QLocale::German, QLocale::Germany);

QString de(const Wert& w) { return Werttext(deutsch).text(w); }
QString c(const Wert& w) { return Werttext(QLocale::c()).text(w); }
std::string s(const QString& q) { return q.toStdString(); }

// Jet day count for a civil date and time (checked independently below).
double tage(int j, int m, int t, int h = 0, int mi = 0, int se = 0)
{
    const QDate d(j, m, t);
    const double tag = double(QDate(1899, 12, 30).daysTo(d));
    const double bruch = (h * 3600 + mi * 60 + se) / 86400.0;
    return tag < 0 ? tag - bruch : tag + bruch;
}

// Date/Time Extended: 100-ns ticks since 01.01.0001, from QDate's calendar.
Wert erweitert(int j, int m, int t, int h = 0, int mi = 0, int se = 0, int bruch = 0)
{
    const std::int64_t tag = QDate(1, 1, 1).daysTo(QDate(j, m, t));
    return Wert::vonDatumErweitert(((tag * 86400 + h * 3600 + mi * 60 + se) * 10000000LL) + bruch);
}

TEST(Werttext, TextNullBinaryAndWholeNumbers)
{
    EXPECT_EQ(s(de(Wert::vonText(QStringLiteral("Grüße\r\n\tx")))), "Grüße\r\n\tx");
    EXPECT_EQ(s(de(Wert::null())), "");
    EXPECT_FALSE(Werttext::hatText(Wert::null()));
    EXPECT_TRUE(Werttext::hatText(Wert::vonText(QString())));
    EXPECT_EQ(s(de(Wert::vonBinaer(QByteArray("abc")))), "");
    EXPECT_EQ(s(de(Wert::vonGanzzahl(0))), "0");
    EXPECT_EQ(s(de(Wert::vonGanzzahl(-2147483648LL))), "-2147483648");
    EXPECT_EQ(s(de(Wert::vonGanzzahl(1234567))), "1234567");  // no grouping
    EXPECT_EQ(s(de(Wert::vonGanzzahl(std::numeric_limits<std::int64_t>::min()))), "-9223372036854775808");
}

TEST(Werttext, DoubleAndSingleDigitsAndExponent)
{
    EXPECT_EQ(s(de(Wert::vonDouble(3.25))), "3,25");
    EXPECT_EQ(s(c(Wert::vonDouble(3.25))), "3.25");
    EXPECT_EQ(s(de(Wert::vonDouble(0.1))), "0,1");
    EXPECT_EQ(s(de(Wert::vonDouble(1.0 / 3.0))), "0,333333333333333");
    EXPECT_EQ(s(de(Wert::vonDouble(2.0 / 3.0))), "0,666666666666667");
    EXPECT_EQ(s(de(Wert::vonDouble(-2.5e-7))), "-2,5E-07");
    EXPECT_EQ(s(de(Wert::vonDouble(1e20))), "1E+20");
    EXPECT_EQ(s(de(Wert::vonDouble(1e15))), "1E+15");
    EXPECT_EQ(s(de(Wert::vonDouble(999999999999999.0))), "999999999999999");
    EXPECT_EQ(s(de(Wert::vonDouble(123456789012345.0))), "123456789012345");
    EXPECT_EQ(s(de(Wert::vonDouble(0.0001))), "0,0001");
    EXPECT_EQ(s(de(Wert::vonDouble(0.00009999))), "9,999E-05");
    EXPECT_EQ(s(de(Wert::vonDouble(1e300))), "1E+300");
    EXPECT_EQ(s(de(Wert::vonDouble(0))), "0");
    EXPECT_EQ(s(de(Wert::vonDouble(-0.0))), "0");
    EXPECT_EQ(s(de(Wert::vonDouble(-1234.5))), "-1234,5");
    EXPECT_EQ(s(de(Wert::vonSingle(0.1f))), "0,1");
    EXPECT_EQ(s(de(Wert::vonSingle(3.4e38f))), "3,4E+38");
    EXPECT_EQ(s(de(Wert::vonSingle(1.0f / 3.0f))), "0,3333333");
    EXPECT_EQ(s(de(Wert::vonSingle(1234567.0f))), "1234567");
    EXPECT_EQ(s(de(Wert::vonSingle(12345678.0f))), "1,234568E+07");
    EXPECT_FALSE(de(Wert::vonDouble(std::nan(""))).isEmpty());
}

TEST(Werttext, CurrencyExactWithoutTrailingZeros)
{
    EXPECT_EQ(s(de(Wert::vonWaehrung(125000))), "12,5");
    EXPECT_EQ(s(de(Wert::vonWaehrung(-12345678))), "-1234,5678");
    EXPECT_EQ(s(de(Wert::vonWaehrung(0))), "0");
    EXPECT_EQ(s(de(Wert::vonWaehrung(-1))), "-0,0001");
    EXPECT_EQ(s(c(Wert::vonWaehrung(10100))), "1.01");
    EXPECT_EQ(s(de(Wert::vonWaehrung(std::numeric_limits<std::int64_t>::max()))), "922337203685477,5807");
    EXPECT_EQ(s(de(Wert::vonWaehrung(std::numeric_limits<std::int64_t>::min()))), "-922337203685477,5808");
}

TEST(Werttext, DecimalWithScale)
{
    DecimalWert d;
    d.teile[0] = 123456;
    d.skala = 2;
    EXPECT_EQ(s(de(Wert::vonDecimal(d))), "1234,56");
    d.skala = 0;
    d.negativ = true;
    EXPECT_EQ(s(de(Wert::vonDecimal(d))), "-123456");
    d.teile[0] = 5;
    d.skala = 3;
    EXPECT_EQ(s(de(Wert::vonDecimal(d))), "-0,005");
    d.teile[0] = 1500;
    d.skala = 4;
    d.negativ = false;
    EXPECT_EQ(s(de(Wert::vonDecimal(d))), "0,15");
    d.teile[0] = 0;
    d.negativ = true;
    EXPECT_EQ(s(de(Wert::vonDecimal(d))), "0");
    // 2^96 - 1 with 28 decimals: 7,9228162514264337593543950335
    d = DecimalWert{false, 28, {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}};
    EXPECT_EQ(s(de(Wert::vonDecimal(d))), "7,9228162514264337593543950335");
    d.skala = 0;
    EXPECT_EQ(s(de(Wert::vonDecimal(d))), "79228162514264337593543950335");
}

TEST(Werttext, DatesAndTimes)
{
    EXPECT_EQ(tage(1974, 9, 21), 27293.0);
    EXPECT_EQ(s(de(Wert::vonDatum(tage(1974, 9, 21)))), "21.09.1974");
    EXPECT_EQ(s(de(Wert::vonDatum(tage(2026, 12, 6, 13, 5, 7)))), "06.12.2026 13:05:07");
    EXPECT_EQ(s(de(Wert::vonDatum(tage(1899, 12, 30, 13, 5, 0)))), "13:05:00");
    EXPECT_EQ(s(de(Wert::vonDatum(0.0))), "00:00:00");
    EXPECT_EQ(s(de(Wert::vonDatum(tage(100, 1, 1)))), "01.01.0100");
    EXPECT_EQ(tage(100, 1, 1), -657434.0);
    EXPECT_EQ(s(de(Wert::vonDatum(2958465.0))), "31.12.9999");
    // Beyond the years 100 to 9999 the day count itself, on both sides.
    EXPECT_EQ(s(de(Wert::vonDatum(2958466.0))), "2958466");
    EXPECT_EQ(s(de(Wert::vonDatum(-657435.0))), "-657435");
    EXPECT_EQ(s(de(Wert::vonDatum(tage(1899, 12, 29, 6)))), "29.12.1899 06:00:00");
    EXPECT_EQ(s(de(Wert::vonDatum(-1.25))), "29.12.1899 06:00:00");
    EXPECT_EQ(s(de(Wert::vonDatum(tage(1900, 2, 28, 23, 59, 59)))), "28.02.1900 23:59:59");
    EXPECT_EQ(s(de(Wert::vonDatum(tage(2000, 2, 29)))), "29.02.2000");
    // Half a second before midnight rounds into the next day.
    EXPECT_EQ(s(de(Wert::vonDatum(tage(2026, 12, 31) + 86399.6 / 86400.0))), "01.01.2027");
    EXPECT_EQ(s(de(Wert::vonDatum(tage(2026, 12, 6) + 0.4 / 86400.0))), "06.12.2026");
    EXPECT_EQ(s(c(Wert::vonDatum(tage(2026, 12, 6, 13, 5, 7)))), "6 Dec 2026 13:05:07");
    EXPECT_EQ(s(Werttext(QLocale(QLocale::English, QLocale::UnitedStates)).text(Wert::vonDatum(tage(1974, 9, 21, 15, 4, 5)))),
              "9/21/1974 3:04:05 PM");
    EXPECT_FALSE(de(Wert::vonDatum(1e12)).isEmpty());

    const std::vector<std::pair<Wert, const char*>> erweiterte = {
        {erweitert(2021, 6, 14, 22, 45, 12, 3456789), "14.06.2021 22:45:12,3456789"},
        {erweitert(100, 6, 14, 12, 45, 0, 1234000), "14.06.0100 12:45:00,1234"},
        {erweitert(2021, 6, 14), "14.06.2021"},
        {erweitert(2021, 6, 14, 0, 0, 0, 1), "14.06.2021 00:00:00,0000001"},
        {erweitert(1899, 12, 30, 13, 5, 0, 5000000), "13:05:00,5"},
        {erweitert(1, 1, 1), "01.01.0001"},
        {erweitert(9999, 12, 31, 23, 59, 59, 9999999), "31.12.9999 23:59:59,9999999"},
    };
    for (const auto& [wert, text] : erweiterte)
        EXPECT_EQ(s(de(wert)), text);
    EXPECT_EQ(s(Werttext(QLocale(QLocale::English, QLocale::UnitedStates)).text(erweitert(2021, 6, 14, 22, 45, 12, 2500000))),
              "6/14/2021 10:45:12.25 PM");
}

TEST(Werttext, YesNoAndGuid)
{
    EXPECT_EQ(s(de(Wert::vonJaNein(true))), "Wahr");
    EXPECT_EQ(s(de(Wert::vonJaNein(false))), "Falsch");
    EXPECT_EQ(s(c(Wert::vonJaNein(true))), "True");
    EXPECT_EQ(s(c(Wert::vonJaNein(false))), "False");
    const std::array<std::uint8_t, 16> g = {0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12,
                                            0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
    EXPECT_EQ(s(de(Wert::vonGuid(g))), "{12345678-1234-1234-1234-123456789ABC}");
}

TEST(Werttext, AppendsWithoutTouchingWhatIsThere)
{
    const Werttext w(deutsch);
    QString ziel = QStringLiteral("Wert: ");
    w.anhaengen(Wert::vonWaehrung(25000), ziel);
    w.anhaengen(Wert::null(), ziel);
    ziel += u'|';
    w.anhaengen(Wert::vonJaNein(true), ziel);
    EXPECT_EQ(s(ziel), "Wert: 2,5|Wahr");
}

}  // namespace

namespace {

// Every value text of a kind consists of the characters its supply names.
TEST(Werttext, CharacterSupplyCoversEveryValueText)
{
    for (const QLocale& locale : {deutsch, QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        const Werttext w(locale);
        const std::vector<Wert> werte = {Wert::vonGanzzahl(-1234567890), Wert::vonDouble(-2.5e-7), Wert::vonDouble(3.25),
                                         Wert::vonSingle(3.4e38f), Wert::vonWaehrung(-12345678), Wert::vonJaNein(true),
                                         Wert::vonJaNein(false), Wert::vonDatum(tage(2026, 12, 6, 13, 5, 7)),
                                         Wert::vonDatum(tage(1974, 5, 21, 1, 2, 3)), Wert::vonDatum(0.75), Wert::vonDatum(1e12),
                                         erweitert(2021, 6, 14, 22, 45, 12, 3456789),
                                         Wert::vonGuid({0xAB, 0xCD, 0xEF, 0x01, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13})};
        for (const Wert& v : werte) {
            const QString vorrat = w.zeichenvorrat(v.art);
            for (QChar c : w.text(v))
                EXPECT_TRUE(vorrat.contains(c)) << locale.name().toStdString() << " " << w.text(v).toStdString() << " '"
                                                << QString(c).toStdString() << "'";
        }
        EXPECT_TRUE(w.zeichenvorrat(WertArt::Text).isEmpty());
    }
    // German dates have no names, so letters cannot occur.
    EXPECT_FALSE(Werttext(deutsch).zeichenvorrat(WertArt::Datum).contains(u'M'));
}

}  // namespace
