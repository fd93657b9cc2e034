#pragma once
// The geometry of the field selection mask in twips, as plain functions:
// what the load makes of the screen size, the width of a content box, and
// where scrolling puts every row. The window only applies the results.

#include <QStringView>

#include <cstdint>
#include <vector>

namespace Maskenlayout {

// Design values the rules start from.
inline constexpr int ScrollBreite = 255;      // VScroll1.Width, never changed
inline constexpr int FrameOben = 120;         // Frame1.Top
inline constexpr int BezDesignLinks = 2280;   // fldBez(0).Left before the load moves it
inline constexpr int FeldLinks = 3360;        // fldFeld.Left, never changed
inline constexpr int ZeileOben = 240;         // Top of row 0 (slot 0)
inline constexpr int ZeilenHoehe = 285;       // every row control after the load
inline constexpr int ZeilenAbstand = 30;
inline constexpr int ZeilenRaster = ZeilenHoehe + ZeilenAbstand;
inline constexpr int AttribBreite = 380;      // fldAttrib and fldType
inline constexpr int SchalterBreite = 255;    // fldSchalter and fldSchalter2 (design)

// Round to the nearest integer, halves to the even neighbour, as the
// conversion of the layout values to 32-bit integers does.
int gerundet(double wert);

// Load steps 1 to 11: everything that depends on the screen only.
struct Masse {
    int fensterBreite, fensterHoehe;     // Left 0, Top 0
    int frameBreite, frameHoehe;         // Frame1: Left 0, Top FrameOben
    int knopfLinks;                      // Command1..3
    int breiteBez, breiteInhalt;
    int attribLinks, typeLinks, schalterLinks, schalter2Links, bezLinks;  // row 0, chained
    int scrollLinks, scrollOben, scrollHoehe;
    std::int16_t grosserSchritt;         // VScroll1.LargeChange

    bool operator==(const Masse&) const = default;
};
Masse masse(int bildschirmBreiteTwips, int bildschirmHoeheTwips);

// Top of slot k inside Frame1.
constexpr int slotOben(int k) { return ZeileOben + ZeilenRaster * k; }

// The sample of a field: "  " for Null or an empty table.
inline constexpr char16_t LeeresMuster[] = u"  ";

// Width of fldFeld for a sample of this length: 140 a character above two
// characters, 280 a character up to two, at most breiteInhalt.
int inhaltBreite(qsizetype laenge, int breiteInhalt);

// Where scrolling to value `wert` puts the rows and LabelScrollmodus: value 1
// shows row i in slot i; a value v >= 2 hides rows 0 .. v-1 (rows 1 .. v-1
// parked at row 0's Top), shows the label in slot 0 and row v in slot 1.
struct Zeilenlage {
    bool sichtbar;
    int oben;
    bool operator==(const Zeilenlage&) const = default;
};
struct Scrolllage {
    bool labelSichtbar;
    int labelOben;
    std::vector<Zeilenlage> zeilen;  // one per row, in row order
    int verschiebung;                // every shown row: Top = slotOben(row) + verschiebung
};
Scrolllage scrolllage(int feldAnzahl, int wert);

// The upper bound of VScroll1 for a mask of feldAnzahl rows (16-bit).
std::int16_t scrollMaximum(int feldAnzahl);

}  // namespace Maskenlayout
