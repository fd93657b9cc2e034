// The protocol's code page: the one Windows gives the user's locale, and the
// bytes of each.

#include "Protokoll.h"

#include <QBuffer>
#include <QStringDecoder>

#include <gtest/gtest.h>


using namespace Protokoll;

namespace {

TEST(Codepage, WieWindowsSieDerSpracheGibt)
{
    const struct {
        const char* locale;
        int codepage;
    } faelle[] = {
        // The codeset and the country do not matter; C, POSIX, nothing and the unknown are 1252.
        {"de_DE.UTF-8", 1252}, {"en_US", 1252}, {"C", 1252}, {"C.UTF-8", 1252}, {"POSIX", 1252}, {"", 1252}, {"xx_YY", 1252},
        {"hi_IN", 1252}, {"ru_RU.UTF-8", 1251}, {"kk_KZ", 1251}, {"pl_PL.UTF-8", 1250}, {"sq_AL", 1250}, {"el_GR.UTF-8", 1253},
        {"tr_TR.UTF-8", 1254}, {"he_IL", 1255}, {"ar_EG", 1256}, {"fa_IR", 1256}, {"lt_LT", 1257}, {"vi_VN", 1258}, {"th_TH", 874},
        {"ja_JP.UTF-8", 932}, {"ko_KR.UTF-8", 949}, {"zh_CN.UTF-8", 936}, {"zh_SG", 936}, {"zh_TW.UTF-8", 950}, {"zh_HK", 950},
        // The script decides where a language is written in two: by modifier or by name.
        {"sr_RS", 1251}, {"sr_RS@latin", 1250}, {"sr_Latn_RS", 1250}, {"bs_BA", 1250}, {"uz_UZ", 1254}, {"uz_UZ@cyrillic", 1251},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(ansiCodepage(QString::fromLatin1(f.locale)), f.codepage) << f.locale;
}

// LC_ALL before LC_CTYPE before LANG; null: not set.
TEST(Codepage, DesSystemsNachLcAllLcCtypeLang)
{
    const char* namen[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
    const QByteArray alt[3] = {qgetenv(namen[0]), qgetenv(namen[1]), qgetenv(namen[2])};
    const struct { const char* werte[3]; int codepage; } faelle[] = {{{nullptr, "pl_PL.UTF-8", "ru_RU.UTF-8"}, 1250},
        {{nullptr, nullptr, "ru_RU.UTF-8"}, 1251}, {{"el_GR.UTF-8", nullptr, "ru_RU.UTF-8"}, 1253}, {{nullptr, nullptr, nullptr}, 1252}};
    for (const auto& f : faelle) {
        for (int i = 0; i < 3; ++i)
            f.werte[i] ? qputenv(namen[i], f.werte[i]) : qunsetenv(namen[i]);
        EXPECT_EQ(ansiCodepageDesSystems(), f.codepage) << f.codepage;
    }
    for (int i = 0; i < 3; ++i)
        alt[i].isNull() ? qunsetenv(namen[i]) : qputenv(namen[i], alt[i]);
}

// What the round trip below cannot see: unknown characters, pairs, UTF-8
// and a code page we do not know.
TEST(Codepage, ZeichenDerCodepageUndFragezeichenFuerDenRest)
{
    const struct {
        int codepage;
        const char16_t* text;
        QByteArray bytes;
    } faelle[] = {
        {1251, u"Müller", QByteArray("M?ller")},
        {932, u"Ж€\U0001F600", QByteArray("\x84\x47??")},
        // Beyond the BMP one '?', a lone surrogate too.
        {1252, u"Müller €\U0001F600\xD800z", QByteArray("M\xFCller \x80??z")},
        {CodepageUtf8, u"Müller Ж", QByteArray("M\xC3\xBCller \xD0\x96")},
        {437, u"Müller Ж", QByteArray("M\xFCller ?")},  // one we do not know: Windows-1252
    };
    for (const auto& f : faelle) {
        const Kodierer k(f.codepage);
        ASSERT_EQ(k.codepage(), f.codepage == 437 ? 1252 : f.codepage) << "kein Konverter für " << f.codepage;
        EXPECT_EQ(k.kodieren(QStringView(f.text)), f.bytes) << f.codepage;
    }
}

// Every character a code page has comes back from its bytes; everything
// else is exactly one '?'. Of a single-byte code page, every byte the
// system's converter reads as a character is that character's byte.
TEST(Codepage, JedesZeichenKommtZurueckOderWirdFragezeichen)
{
    for (const int cp : {1252, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 874, 932, 936, 949, 950}) {
        const Kodierer k(cp);
        ASSERT_EQ(k.codepage(), cp);
        QStringDecoder zurueck(cp == 932 ? "windows-31j" : (QByteArray("windows-") + QByteArray::number(cp)).constData());
        const bool mehrbytig = cp >= 932 && cp <= 950;
        int abgebildet = 0;
        for (char32_t c = 0x80; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const QString zeichen{QChar(char16_t(c))};
            const QByteArray b = k.kodieren(zeichen);
            zurueck.resetState();
            abgebildet += b != "?";
            ASSERT_TRUE(b == "?" || zurueck.decode(b) == zeichen) << cp << " U+" << std::hex << unsigned(c);
        }
        EXPECT_GT(abgebildet, mehrbytig ? 7000 : 100) << cp;
        for (int byte = 0x80; !mehrbytig && byte < 0x100; ++byte) {
            zurueck.resetState();
            const QString zeichen = zurueck.decode(QByteArray(1, char(byte)));
            if (zeichen.size() == 1 && zeichen != QChar(QChar::ReplacementCharacter)) {
                EXPECT_EQ(k.kodieren(zeichen), QByteArray(1, char(byte))) << cp << " 0x" << std::hex << byte;
            }
        }
    }
}

TEST(Codepage, SchreiberMitKodierungUeberschriftUndZeilenende)
{
    QBuffer geraet;
    Schreiber s(&geraet, QStringLiteral("Puffer"));
    s.setzeKodierung(1251, QByteArrayLiteral("\n"));
    s.oeffnen();
    s.setzeUeberschrift(QStringLiteral("Tabelle: Ж"));
    s.setzeUeberschrift(QStringLiteral("Tabelle: Люди"));  // the later one counts
    s.zeile(u"Satz: 1");
    s.zeile(u"Satz: 2");
    s.setzeUeberschrift(QStringLiteral("Tabelle: leer"));  // no line follows: not written
    s.abschliessen();
    EXPECT_EQ(geraet.data(), QByteArray("Tabelle: \xCB\xFE\xE4\xE8\nSatz: 1\nSatz: 2\n"));
}

}  // namespace
