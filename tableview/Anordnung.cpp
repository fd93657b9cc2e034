#include "Anordnung.h"

#include <algorithm>

namespace Anordnung {

Rechteck gitter(int innenBreite, int innenHoehe)
{
    return {GitterLinks, GitterOben, std::max(0, innenBreite - GitterLinks - RandRechts),
            std::max(0, innenHoehe - GitterOben - RandUnten)};
}

Rechteck knopf(int gitterBreite)
{
    return {gitterBreite - KnopfBreite + GitterLinks, KnopfOben, KnopfBreite, KnopfHoehe};
}

int spaltenBreite(int kopf, const std::vector<int>& zellen, int rand, int hoechstens)
{
    int breite = kopf;
    for (int z : zellen)
        breite = std::max(breite, z);
    return std::min(breite + rand, std::max(hoechstens, kopf + rand));
}

}  // namespace Anordnung
