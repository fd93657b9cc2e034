#pragma once
// The layout of the table content window in twips. Pure functions; the
// window converts to pixels at the edge.

#include <vector>

namespace Anordnung {

constexpr int GitterLinks = 200;
constexpr int GitterOben = 720;
constexpr int RandRechts = 200;  // with the left margin 400 in all
constexpr int RandUnten = 400;
constexpr int KnopfBreite = 2055;
constexpr int KnopfHoehe = 495;
constexpr int KnopfOben = 100;

struct Rechteck {
    int links = 0, oben = 0, breite = 0, hoehe = 0;
    bool operator==(const Rechteck&) const = default;
};

// DataGrid1 in a window of this inner size: 200 twips on either side and
// 400 below; a window smaller than the margins gives a grid of size 0.
Rechteck gitter(int innenBreite, int innenHoehe);
// Command1, placed once at load: its right edge on the grid's right edge.
Rechteck knopf(int gitterBreite);

// A column's width in pixels: the widest of its header and the cells of
// the first screen, plus the cell margin, at most hoechstens.
int spaltenBreite(int kopf, const std::vector<int>& zellen, int rand, int hoechstens);

}  // namespace Anordnung
