#pragma once
// The rules of the field selection as plain functions: the statement and
// tick count an apply produces, the rule that keeps at most one box of a row
// ticked, and when closing the mask clears it.

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace Auswahlmodell {

// One row of the mask as the apply reads it.
struct Zeile {
    QString feldname;  // caption of fldBez
    bool suchen;       // fldSchalter
    bool info;         // fldSchalter2
};

struct Auswahl {
    QString abfrage;            // the new AbfrageSQL
    std::int16_t anzahl = 0;    // the new AuswahlAnzahl
    bool operator==(const Auswahl&) const = default;
};

// More ticks than a 16-bit count holds; nothing is written then.
struct Ueberlauf : std::overflow_error {
    Ueberlauf() : std::overflow_error("Überlauf") {}
};

// Rows in order, in each the search box before the info box: every ticked
// box adds its field name in brackets, separated by ", " and " ".
// "Select [A],  [B] from [T];"; nothing ticked gives "Select * from [T];".
// Names go in verbatim.
Auswahl uebernehmen(const std::vector<Zeile>& zeilen, const QString& tabelle);

// After a click on one box of a row (its new value given): the new value
// of the other box. Ticking one clears the other; unticking leaves it.
constexpr bool andereBox(bool geklickteBox, bool andereBox) { return geklickteBox && andereBox ? false : andereBox; }

// Closing the mask clears the selection only when it is visible and the
// focus is not on its cancel button (Command3).
constexpr bool schliessenLeert(bool sichtbar, bool fokusAufAbbruch) { return sichtbar && !fokusAufAbbruch; }

}  // namespace Auswahlmodell
