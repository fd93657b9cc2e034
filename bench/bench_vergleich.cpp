// Nanoseconds per comparison: short values, a 60 000-character memo, and the
// alignment loop done literally on that memo for contrast.
//
//   bench_vergleich [wiederholungen]

#include "Vergleich.h"

#include <QLocale>
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Suche;

namespace {

using Uhr = std::chrono::steady_clock;

volatile long senke = 0;  // keeps the results alive

// The loop of the search run, one candidate per offset, each lowered anew.
bool ausrichtungsschleife(const QString& wert, const QString& suchtext, const QLocale& loc)
{
    QString muster = suchtext;
    while (muster.endsWith(u'*'))
        muster.chop(1);
    while (muster.startsWith(u'*'))
        muster.remove(0, 1);
    const qsizetype l = wert.size(), p = muster.size();
    if (l < p)
        return false;
    const QString wertKlein = loc.toLower(wert);
    for (qsizetype s = 0; s <= l - p + 1; ++s) {
        QString kandidat = muster;
        for (qsizetype k = kandidat.indexOf(u'*'); k >= 0; k = kandidat.indexOf(u'*', k + 1))
            kandidat[k] = wert.at(s + k);
        if (!wertKlein.isEmpty() && wertKlein.contains(loc.toLower(kandidat)))
            return true;
    }
    return false;
}

template <typename F>
double nsJeAufruf(long anzahl, F&& f)
{
    const auto start = Uhr::now();
    long t = 0;
    for (long i = 0; i < anzahl; ++i)
        t += f(i);
    senke = senke + t;
    return std::chrono::duration<double, std::nano>(Uhr::now() - start).count() / double(anzahl);
}

}  // namespace

int main(int argc, char** argv)
{
    const long runden = argc > 1 ? std::atol(argv[1]) : 2000000;
    const QLocale loc(QLocale::German, QLocale::Germany);

    std::vector<QString> kurz;
    const char16_t* woerter[] = {u"Müller", u"Hauptstraße 12", u"Meier & Söhne GmbH", u"12,5",
                                 u"21.09.1974", u"Wahr", u"Zeile eins\r\nZeile zwei", u"Ölmühle"};
    for (auto* w : woerter)
        kurz.emplace_back(QString::fromUtf16(w));

    QString memo;
    while (memo.size() < 60000)
        memo += QStringLiteral("Lorem ipsum dolor sit amet, Übergrößenträger; ");
    memo.truncate(60000);
    QString memoTreffer = memo;
    memoTreffer.replace(59990, 7, QStringLiteral("MÜLLER!"));

    struct Fall {
        const char* name;
        QString text;
        Suchmodus modus;
    };
    const Fall faelle[] = {
        {"einfach  'müller'      ", QStringLiteral("müller"), Suchmodus::Einfach},
        {"wildcard '*A'          ", QStringLiteral("*A"), Suchmodus::Platzhalter},
        {"wildcard 'm*ller'      ", QStringLiteral("m*ller"), Suchmodus::Platzhalter},
        {"wildcard 'a*b*c*d*e'   ", QStringLiteral("a*b*c*d*e"), Suchmodus::Platzhalter},
        {"wildcard 80 Zeichen    ", QString(40, u'x') + u'*' + QString(39, u'y'), Suchmodus::Platzhalter},
    };

    std::printf("Kurze Werte (%ld Vergleiche je Fall):\n", runden);
    for (const auto& f : faelle) {
        const Suchmuster m(f.text, f.modus, loc);
        const double ns = nsJeAufruf(runden, [&](long i) { return m.trifft(kurz[size_t(i) % kurz.size()]); });
        std::printf("  %s %8.1f ns\n", f.name, ns);
    }

    const long memoRunden = std::max(1L, runden / 2000);
    std::printf("Memo mit 60 000 Zeichen, Treffer am Ende (%ld Vergleiche je Fall):\n", memoRunden);
    for (const auto& f : faelle) {
        const Suchmuster m(f.text, f.modus, loc);
        const double ns = nsJeAufruf(memoRunden, [&](long) { return m.trifft(memoTreffer); });
        std::printf("  %s %10.0f ns  (%.2f ns je Zeichen)\n", f.name, ns, ns / 60000.0);
    }
    {
        // One plain pass for scale: lowering the memo once.
        const double ns = nsJeAufruf(memoRunden, [&](long) { return loc.toLower(memo).size(); });
        std::printf("  zum Vergleich: QLocale::toLower des Memos  %10.0f ns\n", ns);
    }

    // Without a hit the loop runs through every offset: O(L^2).
    const QString langsam = QStringLiteral("m*ller");
    const Suchmuster schnell(langsam, Suchmodus::Platzhalter, loc);
    const double nsSchnell = nsJeAufruf(memoRunden, [&](long) { return schnell.trifft(memo); });
    const double nsSchleife = nsJeAufruf(1, [&](long) { return ausrichtungsschleife(memo, langsam, loc); });
    std::printf("Memo ohne Treffer, 'm*ller': Suchmuster %.0f ns, Ausrichtungsschleife wörtlich %.0f ns "
                "(%.0f-mal langsamer)\n",
                nsSchnell, nsSchleife, nsSchleife / nsSchnell);
    return 0;
}
