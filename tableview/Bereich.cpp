#include "Bereich.h"

#include <algorithm>

namespace Gitterbereich {

namespace {
bool enthaelt(const std::vector<std::int64_t>& v, std::int64_t b) { return std::find(v.begin(), v.end(), b) != v.end(); }
bool enthaeltSpalte(const std::vector<int>& v, int s) { return std::find(v.begin(), v.end(), s) != v.end(); }
}  // namespace

std::int64_t blockDerZeile(std::int64_t zeile) { return zeile < 0 ? 0 : zeile / ZeilenProBlock; }

std::int64_t blockAnzahl(std::int64_t zeilenAnzahl)
{
    return zeilenAnzahl <= 0 ? 0 : (zeilenAnzahl + ZeilenProBlock - 1) / ZeilenProBlock;
}

Zeilen zeilenDesBlocks(std::int64_t block, std::int64_t zeilenAnzahl)
{
    const std::int64_t von = block * ZeilenProBlock;
    if (block < 0 || von >= zeilenAnzahl)
        return {von, 0};
    return {von, int(std::min<std::int64_t>(ZeilenProBlock, zeilenAnzahl - von))};
}

std::vector<std::int64_t> benoetigteBloecke(std::int64_t erste, std::int64_t letzte, std::int64_t zeilenAnzahl, int vorrat)
{
    std::vector<std::int64_t> bloecke;
    const std::int64_t anzahl = blockAnzahl(zeilenAnzahl);
    if (anzahl == 0)
        return bloecke;
    erste = std::clamp<std::int64_t>(erste, 0, zeilenAnzahl - 1);
    letzte = std::clamp<std::int64_t>(letzte, erste, zeilenAnzahl - 1);
    const std::int64_t oben = blockDerZeile(erste);
    const std::int64_t unten = blockDerZeile(letzte);
    for (std::int64_t b = oben; b <= unten; ++b)
        bloecke.push_back(b);
    for (int i = 1; i <= vorrat; ++i) {
        if (unten + i < anzahl)
            bloecke.push_back(unten + i);
        if (oben - i >= 0)
            bloecke.push_back(oben - i);
    }
    return bloecke;
}

std::vector<std::int64_t> fehlendeBloecke(const std::vector<std::int64_t>& benoetigt, const std::vector<std::int64_t>& vorhanden)
{
    std::vector<std::int64_t> fehlend;
    for (std::int64_t b : benoetigt)
        if (!enthaelt(vorhanden, b))
            fehlend.push_back(b);
    return fehlend;
}

std::vector<std::int64_t> zuVerwerfen(const std::vector<GecachterBlock>& cache, std::int64_t sichtMitte,
                                      const std::vector<std::int64_t>& benoetigt, Grenzen grenzen)
{
    std::size_t bytes = 0;
    for (const auto& c : cache)
        bytes += c.bytes;
    std::vector<GecachterBlock> kandidaten;
    for (const auto& c : cache)
        if (!enthaelt(benoetigt, c.block))
            kandidaten.push_back(c);
    // Farthest first; of two at the same distance the one above the view,
    // as scrolling goes down more often.
    std::sort(kandidaten.begin(), kandidaten.end(), [sichtMitte](const GecachterBlock& a, const GecachterBlock& b) {
        const std::int64_t da = a.block > sichtMitte ? a.block - sichtMitte : sichtMitte - a.block;
        const std::int64_t db = b.block > sichtMitte ? b.block - sichtMitte : sichtMitte - b.block;
        return da != db ? da > db : a.block < b.block;
    });
    std::vector<std::int64_t> weg;
    std::size_t bloecke = cache.size();
    for (const auto& k : kandidaten) {
        if (bloecke <= std::size_t(std::max(grenzen.bloecke, 0)) && bytes <= grenzen.bytes)
            break;
        weg.push_back(k.block);
        --bloecke;
        bytes -= k.bytes;
    }
    return weg;
}

bool antwortAnnehmen(std::uint64_t antwortToken, std::uint64_t aktuellerToken, std::int64_t block,
                     const std::vector<std::int64_t>& benoetigt)
{
    return antwortToken == aktuellerToken || enthaelt(benoetigt, block);
}

}  // namespace Gitterbereich

namespace Gitterbereich {

std::int64_t Kopierplan::zeilenAnzahl() const
{
    std::int64_t n = 0;
    for (const auto& z : zeilen)
        n += z.anzahl;
    return n;
}

Kopierplan kopierplan(const std::vector<Rechteck>& auswahl)
{
    Kopierplan plan;
    std::vector<Rechteck> r = auswahl;
    std::sort(r.begin(), r.end(), [](const Rechteck& a, const Rechteck& b) { return a.oben < b.oben; });
    std::int64_t von = -1, bis = -2;
    auto abschliessen = [&] {
        if (bis >= von && von >= 0)
            plan.zeilen.push_back({von, int(bis - von + 1)});
    };
    for (const auto& e : r) {
        if (e.unten < e.oben || e.rechts < e.links)
            continue;
        for (int s = e.links; s <= e.rechts; ++s)
            if (!enthaeltSpalte(plan.spalten, s))
                plan.spalten.push_back(s);
        if (e.oben > bis + 1) {
            abschliessen();
            von = e.oben;
            bis = e.unten;
        } else {
            bis = std::max(bis, e.unten);
        }
    }
    abschliessen();
    std::sort(plan.spalten.begin(), plan.spalten.end());
    return plan;
}

bool ausgewaehlt(const std::vector<Rechteck>& auswahl, std::int64_t zeile, int spalte)
{
    for (const auto& e : auswahl)
        if (zeile >= e.oben && zeile <= e.unten && spalte >= e.links && spalte <= e.rechts)
            return true;
    return false;
}

}  // namespace Gitterbereich
