#pragma once
// Everything the field selection uses of the rest of the program, in one
// place: the shared database state, the main window's controls and run, and
// the main window's doors to the mask.

#include <QString>

#include <cstdint>
#include <functional>

class QObject;

namespace Datenzugriff {
class Recordset;
}

namespace Anbindung {

// The shared recordset, or null when none was opened yet.
const Datenzugriff::Recordset* satzmenge();

std::int16_t auswahlAnzahl();
void auswahlAnzahlSetzen(std::int16_t anzahl);
// An applied selection: AbfrageSQL and AuswahlAnzahl together.
void auswahlSetzen(const QString& abfrage, std::int16_t anzahl);

// DatenbankVerbinden; errors of the data-access component come out as
// Datenzugriff::DatenzugriffsFehler. The flags are left as they are.
void datenbankVerbinden();

// The main window: the chosen table (text of ImageCombo1), its result list.
QString tabellenname();
void ergebnislisteLeeren();

// The main window's search run: whether one is going on, and a call at its
// start (true) and its end (false), for as long as empfaenger lives.
bool suchlaufAktiv();
void suchlaufBeobachten(QObject* empfaenger, std::function<void(bool laeuft)> was);

// Makes the main window's "&Feldauswahl", file and table choice and unload
// open and unload the mask (Feldauswahl::zeigen, Feldauswahl::entladen).
void anHauptfensterBinden();
void vomHauptfensterLoesen();

}  // namespace Anbindung
