#include "Maskenlayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Maskenlayout {

namespace {
std::int16_t alsInt16(long long wert)
{
    return std::int16_t(std::clamp<long long>(wert, std::numeric_limits<std::int16_t>::min(),
                                              std::numeric_limits<std::int16_t>::max()));
}
}  // namespace

int gerundet(double wert)
{
    // nearbyint rounds in the current mode; the default is to nearest, ties to even.
    return int(std::nearbyint(wert));
}

Masse masse(int bildschirmBreite, int bildschirmHoehe)
{
    Masse m{};
    m.fensterBreite = bildschirmBreite;
    m.fensterHoehe = bildschirmHoehe;
    m.frameBreite = gerundet(bildschirmBreite / 2.0 - 2 * ScrollBreite);
    m.frameHoehe = gerundet(bildschirmHoehe * 0.95);
    m.knopfLinks = m.frameBreite + 2 * ScrollBreite + 50;
    m.breiteBez = gerundet((m.frameBreite - BezDesignLinks) / 100.0 * 35);
    m.breiteInhalt = gerundet((m.frameBreite - BezDesignLinks) / 100.0 * 40);
    m.attribLinks = gerundet(m.frameBreite * 0.01);
    m.typeLinks = m.attribLinks + AttribBreite;
    m.schalterLinks = m.typeLinks + AttribBreite + 50;
    m.schalter2Links = m.schalterLinks + SchalterBreite + 50;
    m.bezLinks = m.schalter2Links + SchalterBreite;
    m.scrollLinks = m.frameBreite;
    m.scrollOben = FrameOben;
    m.scrollHoehe = m.frameHoehe;
    m.grosserSchritt = alsInt16((long long)std::floor(double(m.frameHoehe) / ZeilenRaster) - 1);
    return m;
}

int inhaltBreite(qsizetype laenge, int breiteInhalt)
{
    const long long breite = laenge > 2 ? 140LL * laenge : 280LL * laenge;
    return int(std::min<long long>(breite, breiteInhalt));
}

Scrolllage scrolllage(int feldAnzahl, int wert)
{
    Scrolllage s;
    s.labelSichtbar = wert != 1;
    s.labelOben = ZeileOben;
    s.verschiebung = wert >= 2 ? -ZeilenRaster * (wert - 1) : 0;
    s.zeilen.reserve(std::size_t(std::max(feldAnzahl, 0)));
    if (feldAnzahl <= 0)
        return s;
    s.zeilen.push_back({wert == 1, ZeileOben});
    for (int i = 1; i < feldAnzahl; ++i) {
        if (i < wert)
            s.zeilen.push_back({false, ZeileOben});
        else
            s.zeilen.push_back({true, s.zeilen.back().oben + ZeilenRaster});
    }
    return s;
}

std::int16_t scrollMaximum(int feldAnzahl)
{
    return alsInt16((long long)feldAnzahl - 1);
}

}  // namespace Maskenlayout
