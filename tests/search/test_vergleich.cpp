#include "Vergleich.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace Suche;

namespace {

const QLocale deutsch(QLocale::German, QLocale::Germany);

// InStr: an empty text to search in never contains anything, an empty text
// to find is found in every other text.
bool inStr(const QString& worin, const QString& was)
{
    return !worin.isEmpty() && worin.contains(was);
}

bool referenzEinfach(const QString& wert, const QString& suchtext, const QLocale& loc)
{
    return inStr(loc.toLower(wert), loc.toLower(suchtext));
}

// The alignment loop as the search run describes it, step by step and slow.
bool referenzPlatzhalter(const QString& wert, const QString& suchtext, const QLocale& loc)
{
    const auto musterAus = [&] {
        QString m = suchtext;
        while (m.endsWith(u'*'))
            m.chop(1);
        while (m.startsWith(u'*'))
            m.remove(0, 1);
        return m;
    };
    const qsizetype l = wert.size();
    const qsizetype p = musterAus().size();
    if (l < p)
        return false;
    const QString wertKlein = loc.toLower(wert);
    for (qsizetype s = 0; s <= l - p + 1; ++s) {
        QString kandidat = musterAus();
        // Star at 1-based k takes the value's character at 1-based s + k.
        for (qsizetype k = kandidat.indexOf(u'*'); k >= 0; k = kandidat.indexOf(u'*', k + 1))
            kandidat[k] = wert.at(s + k);
        if (inStr(wertKlein, loc.toLower(kandidat)))
            return true;
    }
    return false;
}

QString zufallsText(std::mt19937& zufall, const QString& alphabet, int maxLaenge)
{
    std::uniform_int_distribution<int> laenge(0, maxLaenge);
    std::uniform_int_distribution<qsizetype> zeichen(0, alphabet.size() - 1);
    QString t;
    for (int i = laenge(zufall); i > 0; --i)
        t += alphabet.at(zeichen(zufall));
    return t;
}

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
}

TEST(Vergleich, GleichDerAusrichtungsschleifeBeiZufallsfaellen)
{
    std::mt19937 zufall(4711);
    // No capital sigma: whole-string lowering makes it final sigma by context,
    // the comparison lowers each character alone (Σ is σ everywhere).
    const QString wertZeichen = QStringLiteral("aAbBäÄüÜß*\n\r\t xσΩω€");
    const QString musterZeichen = QStringLiteral("aAbäÄ*\nσ€x");
    int treffer = 0;
    for (int fall = 0; fall < 60000; ++fall) {
        const QString wert = zufallsText(zufall, wertZeichen, 9);
        QString suchtext = zufallsText(zufall, musterZeichen, 5);
        if (fall % 4 == 0)
            suchtext = u'*' + suchtext + u'*';
        for (auto modus : {Suchmodus::Einfach, Suchmodus::Platzhalter}) {
            const bool erwartet = modus == Suchmodus::Einfach ? referenzEinfach(wert, suchtext, deutsch)
                                                               : referenzPlatzhalter(wert, suchtext, deutsch);
            const Suchmuster m(suchtext, modus, deutsch);
            ASSERT_EQ(m.trifft(wert), erwartet)
                << (modus == Suchmodus::Einfach ? "einfach" : "platzhalter") << " wert='" << wert.toStdString()
                << "' suchtext='" << suchtext.toStdString() << "'";
            treffer += erwartet;
        }
    }
    // Both outcomes occur often enough to mean something.
    EXPECT_GT(treffer, 10000);
    EXPECT_LT(treffer, 110000);
}

TEST(Vergleich, LangeMusterUeber64ZeichenWieDieSchleife)
{
    std::mt19937 zufall(815);
    std::uniform_int_distribution<int> musterLaenge(60, 140);
    std::uniform_int_distribution<int> vorlauf(0, 40);
    std::bernoulli_distribution stern(0.3), stoerung(0.5);
    int treffer = 0;
    for (int fall = 0; fall < 400; ++fall) {
        QString muster;
        for (int i = musterLaenge(zufall); i > 0; --i)
            muster += stern(zufall) ? u'*' : (zufall() % 2 ? u'a' : u'ő');
        // A value that contains the pattern with its stars filled in,
        // sometimes with one character changed.
        QString wert = QString(vorlauf(zufall), u'a');
        QString eingesetzt = muster;
        for (auto& c : eingesetzt)
            if (c == u'*')
                c = zufall() % 2 ? u'Ő' : u'b';
        if (stoerung(zufall))
            eingesetzt[zufall() % eingesetzt.size()] = u'c';
        wert += eingesetzt + QString(vorlauf(zufall), u'a');
        const bool erwartet = referenzPlatzhalter(wert, muster, deutsch);
        ASSERT_EQ(platzhalterVergleich(wert, muster, deutsch), erwartet) << muster.toStdString();
        treffer += erwartet;
    }
    EXPECT_GT(treffer, 100);
    EXPECT_LT(treffer, 390);
}
