#pragma once
// Which tables of a database can be searched: the rule of the table list,
// shared by the main window and the command-line search.

#include "Datenzugriff.h"

#include <QString>
#include <QStringList>

namespace Datenzugriff {

// A catalogue row counts when its type is TABLE or SYNONYM and its name does
// not contain "~TMP" (Access's temporary tables).
bool katalogTabelle(const QString& typ, const QString& name);

// The probe of a counting row: "Select * from " + name + ";", unbracketed, so
// a name that Jet would refuse there is left out.
QString probeAnweisung(const QString& name);

// The evaluable tables of the open connection in catalogue order: the rows
// that count and whose probe opens. A failing probe only leaves its table
// out; an error reading the catalogue itself goes to the caller.
QStringList auswertbareTabellen(Connection& verbindung);

// Every table a user made, whatever its name: the command line searches
// them all, opened by name and not through a statement. Only system tables
// (MSys…) and Access's temporary objects (~TMP…) stay out. Linked tables
// hold no data here; they are listed apart with the file they point to.
struct Benutzertabellen {
    QStringList tabellen;
    std::vector<KatalogEintrag> verknuepft;
};
Benutzertabellen benutzertabellen(const std::vector<KatalogEintrag>& katalog);

// Why the table list lacks tables that a user made, for the chooser's tool
// tip; empty when it lacks none.
QString ausgelassenHinweis(const std::vector<KatalogEintrag>& katalog, const QStringList& gelistet);

}  // namespace Datenzugriff
