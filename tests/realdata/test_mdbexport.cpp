// The comparison with mdb-export must be as strict as its output allows:
// a wrong value is never taken for a libmdb divergence. (A parse that lost
// characters shows as differences on every real file.)

#include "MdbExport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Datenzugriff;
using namespace Echtdaten;

namespace {

Wert datum(double tage) { return Wert::vonDatum(tage); }

Wert dezimal(bool negativ, int skala, std::uint32_t unten, std::uint32_t mitte = 0)
{
    return Wert::vonDecimal(DecimalWert{negativ, std::uint8_t(skala), {unten, mitte, 0}});
}

// 00 11 22 … ff
Wert guid() { return Wert::vonGuid({0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff}); }

QString hex(const char* text) { return QString::fromLatin1(QByteArray(text).toHex()); }

struct Fall {
    const char* was;
    Wert unser;
    MdbFeld mdb;
    bool gleich;
    Abweichung abweichung = Abweichung::Keine;
};

TEST(MdbExportVergleich, AcceptsTheSameValueAndNamedDivergencesOnly)
{
    const QString tagNull = QStringLiteral("1900-01-00 00:00:00");
    const Fall faelle[] = {
        {"text", Wert::vonText(QStringLiteral("Müller\r\n\t€")), QStringLiteral("Müller\r\n\t€"), true},
        {"text differs in case", Wert::vonText(QStringLiteral("Müller")), QStringLiteral("müller"), false},
        {"text cut", Wert::vonText(QStringLiteral("Müller")), QStringLiteral("Müll"), false},
        {"null", Wert::null(), std::nullopt, true},
        {"null for a value", Wert::null(), QStringLiteral("0"), false},
        {"value for null", Wert::vonText(QStringLiteral("x")), std::nullopt, false},
        {"empty text printed as null", Wert::vonText(QString()), std::nullopt, true, Abweichung::LeererTextAlsNull},
        {"zero printed as null", Wert::vonGanzzahl(0), std::nullopt, false},
        {"integer", Wert::vonGanzzahl(-32768), QStringLiteral("-32768"), true},
        {"integer off by one", Wert::vonGanzzahl(255), QStringLiteral("254"), false},
        {"yes", Wert::vonJaNein(true), QStringLiteral("1"), true},
        {"no for yes", Wert::vonJaNein(false), QStringLiteral("1"), false},
        {"single at 8 digits", Wert::vonSingle(0.13f), QStringLiteral("0.13"), true},
        {"single off in the 8th digit", Wert::vonSingle(0.13f), QStringLiteral("0.13000001"), false},
        {"double at 16 digits", Wert::vonDouble(0.07), QStringLiteral("0.07000000000000001"), true},
        {"double off in the 16th digit", Wert::vonDouble(0.07), QStringLiteral("0.07000000000000002"), false},
        {"double nan", Wert::vonDouble(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("nan"), true},
        {"double -inf", Wert::vonDouble(-std::numeric_limits<double>::infinity()), QStringLiteral("-inf"), true},
        {"currency", Wert::vonWaehrung(-1), QStringLiteral("-0.0001"), true},
        {"currency scaled wrongly", Wert::vonWaehrung(123456), QStringLiteral("1234.5600"), false},
        {"decimal", dezimal(false, 2, 12345), QStringLiteral("123.450000"), true},
        {"decimal negative", dezimal(true, 0, 1), QStringLiteral("-1"), true},
        {"decimal sign lost", dezimal(true, 0, 1), QStringLiteral("1"), false},
        {"decimal over 32 bits", dezimal(false, 0, 0, 1), QStringLiteral("4294967296"), true},
        {"decimal point misplaced", dezimal(false, 2, 12345), QStringLiteral("12.345"), false},
        {"date", datum(45000.5), QStringLiteral("2023-03-15 12:00:00"), true},
        {"date a second off", datum(45000.5), QStringLiteral("2023-03-15 12:00:01"), false},
        {"date rounded up to 24:00", datum(45000.99999999), QStringLiteral("2023-03-15 24:00:00"), true},
        {"date day 0 before 1899", datum(-5000.25), tagNull, true, Abweichung::DatumTagNull},
        {"date day 0 in 9999", datum(2958465.0), tagNull, true, Abweichung::DatumTagNull},
        {"date day 0 within range", datum(45000.5), tagNull, false},
        {"date 1899-12-30", datum(0.0), QStringLiteral("1899-12-30 00:00:00"), true},
        {"guid without the last dash", guid(), hex("{33221100-5544-7766-8899AABBCCDDEEFF}"), true},
        {"guid bytes swapped", guid(), hex("{00112233-4455-6677-8899AABBCCDDEEFF}"), false},
        {"binary by length", Wert::vonBinaer(QByteArray("\x01\x00\x02", 3)), QStringLiteral("010002"), true},
        {"binary cut", Wert::vonBinaer(QByteArray("\x01\x00\x02", 3)), QStringLiteral("01"), false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        const Urteil u = vergleichen(f.unser, f.mdb);
        EXPECT_EQ(u.gleich, f.gleich);
        if (u.gleich) {
            EXPECT_EQ(u.abweichung, f.abweichung);
        }
    }
}

}  // namespace
