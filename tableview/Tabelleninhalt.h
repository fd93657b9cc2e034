#pragma once
// The doors of the main window to the table content window.

#include "Datenzugriff.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace Tabelleninhalt {

// Command4, after a DatenbankVerbinden that left both flags at 0: loads the
// window, or brings it forward when it is open.
void zeigen();
// A double-click on a hit line: record satz (from 1, as the search counts)
// selected and the cell of feld in view. The caller reconnects first, as
// Command4 does.
void zeigenBeiSatz(std::int64_t satz, const QString& feld);
// The program ends: the closing steps, when the window is open.
void entladen();

// How the main window is shown when the grid closes.
void setzeHauptfensterZeigen(std::function<void()> f);
// The reader of the grid's own connection (default: the reader process).
void setzeLeserFabrik(Datenzugriff::Connection::LeserFabrik f);
// At the very end: the window goes, with its loader and reader.
void zerstoeren();

}  // namespace Tabelleninhalt
