#pragma once
// Module Datenbankfunktion: the database state that all windows share, and
// the procedures that (re)open it, DatenbankVerbinden and TabellenAuflisten.
// They read and write controls of the main window through the small
// interface below and show the program's messages; the data-access component
// underneath knows neither.

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
    // The tool tip of ImageCombo1: which tables the list leaves out and why; empty: none.
    virtual void tabellenHinweis(const QString& text) { (void)text; }
};

// The main window registers itself while it exists.
void setzeHauptfenster(Hauptfenster* fenster);

// The process-wide database state, one object for the whole run of the
// program, in the order the program declares it.
class Zustand {
public:
    // Verbindung: the one connection, created (not yet open) on first use; it
    // reads through the reader process.
    Datenzugriff::Connection& Verbindung();
    std::shared_ptr<Datenzugriff::Recordset> Satzmenge;  // rows of AbfrageSQL
    QString AbfrageSQL;            // "Select * from [T];" or the field selection's statement
    QString DatenbankVerzeichnis;  // always ends in "/"
    QString DatenbankDatei;        // without directory
    QString VerbindungsText;
    std::int16_t KeineDatenbank = 0;  // 1: the last DatenbankVerbinden found no file chosen
    std::int16_t AuswahlAnzahl = 0;   // fields of the field selection; 0: no selection in use
    std::int16_t KeineTabelle = 0;    // 1: the catalogue found no evaluable table

    // Closes the recordset and the connection and replaces the connection;
    // null: a fresh one through the reader process on next use.
    void verbindungErsetzen(std::unique_ptr<Datenzugriff::Connection> neu);
    // Back to the start of the program: recordset and connection closed and
    // forgotten, texts empty, counts 0. Tests call it between cases.
    void zuruecksetzen();

private:
    std::unique_ptr<Datenzugriff::Connection> verbindung_;
};

extern Zustand zustand;

// The state under the names the windows use.
inline constexpr auto& Satzmenge = zustand.Satzmenge;
inline constexpr auto& AbfrageSQL = zustand.AbfrageSQL;
inline constexpr auto& DatenbankVerzeichnis = zustand.DatenbankVerzeichnis;
inline constexpr auto& DatenbankDatei = zustand.DatenbankDatei;
inline constexpr auto& VerbindungsText = zustand.VerbindungsText;
inline constexpr auto& KeineDatenbank = zustand.KeineDatenbank;
inline constexpr auto& AuswahlAnzahl = zustand.AuswahlAnzahl;
inline constexpr auto& KeineTabelle = zustand.KeineTabelle;
inline Datenzugriff::Connection& Verbindung() { return zustand.Verbindung(); }
inline void verbindungErsetzen(std::unique_ptr<Datenzugriff::Connection> neu) { zustand.verbindungErsetzen(std::move(neu)); }
inline void zuruecksetzen() { zustand.zuruecksetzen(); }

// The connection string for a directory (ending in "/") and a file name.
QString verbindungstext(const QString& verzeichnis, const QString& datei);
// A directory path with exactly one closing "/".
QString mitSchraegstrich(const QString& pfad);

// Reconnects to the file chosen in the main window, refreshes the table list
// and opens Satzmenge. Errors of the data-access component are not caught
// here: they end the caller's action (the window shows them).
void DatenbankVerbinden();
void TabellenAuflisten();

}  // namespace Datenbankfunktion
