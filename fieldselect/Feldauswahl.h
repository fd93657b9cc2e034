#pragma once
// The two doors of the main window to the field selection mask, and the one
// instance of the mask.

class frmVergleich;

namespace Feldauswahl {

// Loads a fresh mask from the shared recordset (every box unticked) and
// shows it beside the main window. An error while reading the recordset
// ends it with a message and no mask.
void zeigen();

// Unloads the mask, hidden or visible, with the clearing rule of its close.
void entladen();

// The mask while it exists (also hidden after an apply), else null.
frmVergleich* maske();

}  // namespace Feldauswahl
