#pragma once
// The one place where the table content window touches the database state
// it shares with the main window: the shared recordset Satzmenge, the
// statement, the connection and the chosen file. The grid's rows come from
// a connection of its own; the shared recordset only carries the steps of
// loading and closing the window.

#include <QString>

#include <cstdint>

namespace GemeinsamerZustand {

// The file and statement the main window has chosen now.
struct Quelle {
    QString verbindungstext;
    QString datei;      // directory and file, for messages
    QString anweisung;  // AbfrageSQL
    bool operator==(const Quelle&) const = default;
};
Quelle aktuelleQuelle();

bool satzmengeOffen();
void satzmengeSchliessen();
// Keyset cursor (1), pessimistic locking (2), then opened on the statement
// over the shared connection with -1 for both, so that those apply.
void satzmengeKeysetOeffnen();
std::int64_t satzmengeAnzahl();
void satzmengeZumErstenSatz();
// Open as the window opened it (keyset, pessimistic): not reopened by the
// main window since.
bool satzmengeVomFenster();
// Closes and releases it; the next user starts with a new recordset.
void satzmengeFreigeben();

}  // namespace GemeinsamerZustand
