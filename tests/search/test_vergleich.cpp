#include "Vergleich.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Suche;

namespace {

const QLocale deutsch(QLocale::German, QLocale::Germany);

}  // namespace

// Search text, mode (e simple, p with wildcards; t: simple in Turkish),
// value, hit.
TEST(Vergleich, TabelleDerFaelle)
{
    const struct {
        const char16_t* suchtext;
        char modus;
        const char16_t* wert;
        bool trifft;
    } faelle[] = {
        {u"m*ller", 'e', u"Müller", false}, {u"m*ller", 'e', u"MOLLER", false}, {u"m*ller", 'e', u"Herr M*LLER", true},
        {u"m*ller", 'p', u"Müller", true}, {u"m*ller", 'p', u"MOLLER", true}, {u"m*ller", 'p', u"Meller", true},
        {u"m*ller", 'p', u"Familie MÜLLER-Lüdenscheidt", true}, {u"m*ller", 'p', u"Mller", false}, {u"m*ller", 'p', u"Muuller", false},
        // Outer stars, stars only, and an empty search text alike in both modes.
        {u"***", 'p', u"x", true}, {u"***", 'p', u" ", true}, {u"***", 'p', u"\n", true}, {u"***", 'p', u"", false},
        {u"***", 'e', u"ab*c", false}, {u"***", 'e', u"a***b", true}, {u"", 'e', u"x", true}, {u"", 'e', u"", false}, {u"", 'p', u"x", true},
        {u"*abc*", 'p', u"xxABCxx", true}, {u"*abc*", 'p', u"abc", true}, {u"*abc*", 'p', u"ab c", false}, {u"*abc*", 'p', u"a*bc", false},
        // The window's initial text finds every value with an a.
        {u"*A", 'p', u"Haus", true}, {u"*A", 'p', u"ANNA", true}, {u"*A", 'p', u"Huhn", false}, {u"*A", 'p', u"Ähre", false},
        // A value shorter than the pattern; literal stars; one star for one line break character.
        {u"a*b*c", 'p', u"abc", false}, {u"a*b*c", 'p', u"a*b*", false}, {u"a*c", 'p', u"a*c", true}, {u"a*b*c", 'p', u"a*bxc", true},
        {u"a*b*c", 'p', u"A*B*C", true}, {u"a*c", 'p', u"a**c", false}, {u"Zeile*2", 'p', u"Zeile\n2", true},
        {u"Zeile*2", 'p', u"erste ZEILE\r2", true}, {u"Zeile*2", 'p', u"Zeile\t2", true}, {u"Zeile*2", 'p', u"Zeile\r\n2", false},
        {u"Zeile*2", 'p', u"Zeile2", false},
        // A value beyond the BMP takes the slower way; its pair is two characters for a star.
        {u"a*c", 'p', u"\U0001F600aXc", true}, {u"a*c", 'p', u"a\U0001F600c", false}, {u"a**c", 'p', u"a\U0001F600c", true},
        // Case by the language's rules: ß stays ß, no final-sigma context, beyond the BMP too.
        {u"ärger", 'e', u"ÄRGER", true}, {u"ÄRGER", 'e', u"ärger", true}, {u"straße", 'e', u"STRAẞE", true},
        {u"straße", 'e', u"STRASSE", false}, {u"σοφία", 'e', u"ΣΟΦΊΑ", true}, {u"οδοσ", 'e', u"ΟΔΟΣ", true},
        {u"X\U00010428Y", 'e', u"x\U00010400y", true}, {u"irmak", 'e', u"IRMAK", true},
        // Turkish: the capital I is the capital of the dotless i.
        {u"ırmak", 't', u"IRMAK", true}, {u"irmak", 't', u"IRMAK", false}, {u"istanbul", 't', u"İSTANBUL", true},
    };
    const QLocale tuerkisch(QLocale::Turkish, QLocale::Turkey);
    for (const auto& f : faelle) {
        const Suchmuster m(QString::fromUtf16(f.suchtext), f.modus == 'p' ? Suchmodus::Platzhalter : Suchmodus::Einfach,
                           f.modus == 't' ? tuerkisch : deutsch);
        EXPECT_EQ(m.trifft(f.wert), f.trifft) << QString::fromUtf16(f.suchtext).toStdString() << ' ' << f.modus << ' '
                                              << QString::fromUtf16(f.wert).toStdString();
    }
    EXPECT_EQ(Suchmuster(QStringLiteral("*abc*"), Suchmodus::Platzhalter, deutsch).muster(), QStringLiteral("abc"));
}

TEST(Vergleich, FaltungWieDieSpracheWoSieDieLaengeBehaelt)
{
    for (const QLocale& loc : {deutsch, QLocale(QLocale::Turkish, QLocale::Turkey), QLocale::c()}) {
        const Suchmuster m(QStringLiteral("x"), Suchmodus::Einfach, loc);
        int verglichen = 0;
        for (char32_t c = 1; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const QString einzeln{QChar(char16_t(c))};
            const QString klein = loc.toLower(einzeln);
            if (klein.size() != 1)
                continue;
            ++verglichen;
            ASSERT_EQ(m.falten(einzeln), klein) << "U+" << std::hex << unsigned(c) << " in " << loc.name().toStdString();
        }
        EXPECT_GT(verglichen, 60000);
    }
}

TEST(Vergleich, WerteUeber32767Zeichen)
{
    for (qsizetype laenge : {qsizetype(32760), qsizetype(40000), qsizetype(70000)}) {
        QString memo(laenge, u'x');
        // A hit that straddles 32 767 (where the value reaches it) and one at the very end.
        const qsizetype stelle = std::min<qsizetype>(32765, laenge - 20);
        memo.replace(stelle, 7, QStringLiteral("Zeile\n2"));
        EXPECT_TRUE(platzhalterVergleich(memo, QStringLiteral("*zeile*2*"), deutsch)) << laenge;
        memo.replace(stelle, 7, QString(7, u'x'));
        EXPECT_FALSE(platzhalterVergleich(memo, QStringLiteral("zeile*2"), deutsch)) << laenge;
        memo.replace(laenge - 4, 4, QStringLiteral("ENDE"));
        EXPECT_TRUE(platzhalterVergleich(memo, QStringLiteral("e*de"), deutsch)) << laenge;
        EXPECT_TRUE(einfacherVergleich(memo, QStringLiteral("xende"), deutsch)) << laenge;
        EXPECT_FALSE(einfacherVergleich(memo, QStringLiteral("endex"), deutsch)) << laenge;
    }
    // A pattern longer than the value, both beyond 32 767.
    const QString wert(33000, u'a');
    EXPECT_FALSE(platzhalterVergleich(wert, QString(33001, u'a'), deutsch));
    EXPECT_TRUE(platzhalterVergleich(wert + u'b', QString(33000, u'a') + u'b', deutsch));
    EXPECT_TRUE(einfacherVergleich(wert + u'b', QString(100, u'A') + u'B', deutsch));  // a literal beyond one word
    EXPECT_FALSE(einfacherVergleich(wert, QString(100, u'A') + u'B', deutsch));
}

// Patterns over one 64-bit word: each position's state crosses into the
// next word. The letters never repeat within 26 places, so only the intended
// place can match; a changed letter at the word's edge must fail.
TEST(Vergleich, LangeMusterUeberWortgrenzen)
{
    for (const int laenge : {65, 100, 129, 140}) {
        QString muster, wert;
        for (int i = 0; i < laenge; ++i) {
            const bool stern = i % 5 == 2;
            const QChar c = i % 9 == 4 ? QChar(u'ő') : QChar(char16_t(u'a' + i * 7 % 26));
            muster += stern ? QChar(u'*') : c;
            wert += stern ? QChar(i % 2 ? u'Ő' : u'\n') : c.toUpper();
        }
        EXPECT_TRUE(platzhalterVergleich(QStringLiteral("xy") + wert + u'z', muster, deutsch)) << laenge;
        for (const int stelle : {63, 64, laenge - 1}) {  // letters, no stars
            ASSERT_NE(muster[stelle], u'*');
            QString falsch = wert;
            falsch[stelle] = u'#';
            EXPECT_FALSE(platzhalterVergleich(QStringLiteral("xy") + falsch + u'z', muster, deutsch)) << laenge << ' ' << stelle;
        }
    }
}
