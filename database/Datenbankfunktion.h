#pragma once
// The database state that all windows share, and the procedures that
// (re)open it: DatenbankVerbinden and TabellenAuflisten. They read and write
// controls of the main window through the small interface below, so that
// this module does not depend on the window and tests can stand in for it.

#include "Datenzugriff.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace Datenbankfunktion {

// What the procedures need of the main window's controls.
class Hauptfenster {
public:
    virtual ~Hauptfenster() = default;
    virtual QString verzeichnisPfad() const = 0;   // the path of Dir1
    virtual QString gewaehlteDatei() const = 0;    // entry of File1 at its selected index, or empty
    virtual QString tabellenText() const = 0;      // the text of ImageCombo1
    virtual void tabellenLeeren() = 0;             // removes all entries, keeps the text
    virtual void tabelleHinzufuegen(const QString& name) = 0;
    virtual void ersteTabelleWaehlen() = 0;        // selects entry 1 without running the change handler
    virtual void zustandZeigen(bool aktiv) = 0;    // Text3: "aktiv" on red or "inaktiv", repainted at once
};

void setzeHauptfenster(Hauptfenster* fenster);

// Shared state, for the whole run of the program.
extern Datenzugriff::Connection& Verbindung();
extern std::shared_ptr<Datenzugriff::Recordset> Satzmenge;
extern QString AbfrageSQL;
extern QString DatenbankVerzeichnis;  // always ends in "/"
extern QString DatenbankDatei;
extern QString VerbindungsText;
extern std::int16_t KeineDatenbank;
extern std::int16_t AuswahlAnzahl;
extern std::int16_t KeineTabelle;

// The connection string for a directory (ending in "/") and a file name.
QString verbindungstext(const QString& verzeichnis, const QString& datei);
// A directory path with exactly one closing "/".
QString mitSchraegstrich(const QString& pfad);

// Reconnects to the file chosen in the main window, refreshes the table list
// and opens Satzmenge. Errors of the data-access component are not caught
// here: they end the caller's action (the window shows them).
void DatenbankVerbinden();
void TabellenAuflisten();

// For tests and for a connection through another reader: replaces the
// connection (closing the old one) and forgets the recordset.
void verbindungErsetzen(std::unique_ptr<Datenzugriff::Connection> neu);

}  // namespace Datenbankfunktion
