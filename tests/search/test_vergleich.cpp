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

TEST(Vergleich, MuellerEinfachUndMitPlatzhalter)
{
    const Suchmuster einfach(QStringLiteral("m*ller"), Suchmodus::Einfach, deutsch);
    EXPECT_FALSE(einfach.trifft(u"Müller"));
    EXPECT_FALSE(einfach.trifft(u"MOLLER"));
    EXPECT_TRUE(einfach.trifft(u"Herr M*LLER"));

    const Suchmuster platzhalter(QStringLiteral("m*ller"), Suchmodus::Platzhalter, deutsch);
    EXPECT_TRUE(platzhalter.trifft(u"Müller"));
    EXPECT_TRUE(platzhalter.trifft(u"MOLLER"));
    EXPECT_TRUE(platzhalter.trifft(u"Meller"));
    EXPECT_TRUE(platzhalter.trifft(u"Familie MÜLLER-Lüdenscheidt"));
    EXPECT_FALSE(platzhalter.trifft(u"Mller"));
    EXPECT_FALSE(platzhalter.trifft(u"Muuller"));
}

TEST(Vergleich, AeussereSterneUndNurSterne)
{
    const Suchmuster sterne(QStringLiteral("***"), Suchmodus::Platzhalter, deutsch);
    EXPECT_TRUE(sterne.trifft(u"x"));
    EXPECT_TRUE(sterne.trifft(u" "));
    EXPECT_TRUE(sterne.trifft(u"\n"));
    EXPECT_FALSE(sterne.trifft(u""));
    EXPECT_FALSE(Suchmuster(QStringLiteral("***"), Suchmodus::Einfach, deutsch).trifft(u"ab*c"));
    EXPECT_TRUE(Suchmuster(QStringLiteral("***"), Suchmodus::Einfach, deutsch).trifft(u"a***b"));

    const Suchmuster abc(QStringLiteral("*abc*"), Suchmodus::Platzhalter, deutsch);
    EXPECT_EQ(abc.muster(), QStringLiteral("abc"));
    EXPECT_TRUE(abc.trifft(u"xxABCxx"));
    EXPECT_TRUE(abc.trifft(u"abc"));
    EXPECT_FALSE(abc.trifft(u"ab c"));
    EXPECT_FALSE(abc.trifft(u"a*bc"));

    // The window's initial text finds every value with an a.
    const Suchmuster anfang(QStringLiteral("*A"), Suchmodus::Platzhalter, deutsch);
    EXPECT_TRUE(anfang.trifft(u"Haus"));
    EXPECT_TRUE(anfang.trifft(u"ANNA"));
    EXPECT_FALSE(anfang.trifft(u"Huhn"));
    EXPECT_FALSE(anfang.trifft(u"Ähre"));

    // An empty search text behaves like stars only, in both modes.
    EXPECT_TRUE(Suchmuster(QString(), Suchmodus::Einfach, deutsch).trifft(u"x"));
    EXPECT_FALSE(Suchmuster(QString(), Suchmodus::Einfach, deutsch).trifft(u""));
    EXPECT_TRUE(Suchmuster(QString(), Suchmodus::Platzhalter, deutsch).trifft(u"x"));
}

TEST(Vergleich, KurzerWertUndWoertlicheSterneUndZeilenumbruch)
{
    const Suchmuster kurz(QStringLiteral("a*b*c"), Suchmodus::Platzhalter, deutsch);
    EXPECT_FALSE(kurz.trifft(u"abc"));
    EXPECT_FALSE(kurz.trifft(u"a*b*"));

    EXPECT_TRUE(platzhalterVergleich(u"a*c", QStringLiteral("a*c"), deutsch));
    EXPECT_TRUE(platzhalterVergleich(u"a*bxc", QStringLiteral("a*b*c"), deutsch));
    EXPECT_TRUE(platzhalterVergleich(u"A*B*C", QStringLiteral("a*b*c"), deutsch));
    EXPECT_FALSE(platzhalterVergleich(u"a**c", QStringLiteral("a*c"), deutsch));

    const Suchmuster zeile(QStringLiteral("Zeile*2"), Suchmodus::Platzhalter, deutsch);
    EXPECT_TRUE(zeile.trifft(u"Zeile\n2"));
    EXPECT_TRUE(zeile.trifft(u"erste ZEILE\r2"));
    EXPECT_TRUE(zeile.trifft(u"Zeile\t2"));
    EXPECT_FALSE(zeile.trifft(u"Zeile\r\n2"));  // two characters for one star
    EXPECT_FALSE(zeile.trifft(u"Zeile2"));
}

TEST(Vergleich, GrossUndKleinNachDenRegelnDerSprache)
{
    EXPECT_TRUE(einfacherVergleich(u"ÄRGER", QStringLiteral("ärger"), deutsch));
    EXPECT_TRUE(einfacherVergleich(u"ärger", QStringLiteral("ÄRGER"), deutsch));
    EXPECT_TRUE(einfacherVergleich(u"STRAẞE", QStringLiteral("straße"), deutsch));
    EXPECT_FALSE(einfacherVergleich(u"STRASSE", QStringLiteral("straße"), deutsch));
    EXPECT_TRUE(einfacherVergleich(u"ΣΟΦΊΑ", QStringLiteral("σοφία"), deutsch));
    EXPECT_TRUE(einfacherVergleich(u"ΟΔΟΣ", QStringLiteral("οδοσ"), deutsch));  // no final-sigma context
    // Beyond the BMP: Deseret capital and small long I.
    EXPECT_TRUE(einfacherVergleich(u"x\U00010400y", QStringLiteral("X\U00010428Y"), deutsch));

    // Turkish: the capital I is the capital of the dotless i.
    const QLocale tuerkisch(QLocale::Turkish, QLocale::Turkey);
    EXPECT_TRUE(einfacherVergleich(u"IRMAK", QStringLiteral("ırmak"), tuerkisch));
    EXPECT_FALSE(einfacherVergleich(u"IRMAK", QStringLiteral("irmak"), tuerkisch));
    EXPECT_TRUE(einfacherVergleich(u"İSTANBUL", QStringLiteral("istanbul"), tuerkisch));
    EXPECT_TRUE(einfacherVergleich(u"IRMAK", QStringLiteral("irmak"), deutsch));
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
