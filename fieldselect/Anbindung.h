#pragma once
// Everything the field selection uses of the rest of the program, in one
// place: the shared database state and the main window's controls and run.

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


}  // namespace Anbindung
