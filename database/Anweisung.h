#pragma once
// The statements the program sends, parsed. Only these forms exist:
//   Select * from [T];      Select * from T;      Select [A],  [B] from [T];
// Keywords in any case, any run of blanks between the parts. An unbracketed
// table name must be one word; anything else is refused like Jet refuses it.

#include <QString>

#include <optional>
#include <vector>

namespace Datenzugriff {

struct Anweisung {
    QString tabelle;
    bool alleFelder = true;
    std::vector<QString> felder;  // in the statement's order; duplicates allowed
};

std::optional<Anweisung> anweisungLesen(const QString& sql);

// "Select * from [" + tabelle + "];": every field of a table.
QString alleFelderAnweisung(const QString& tabelle);

// The database file named after DBQ= in a connection string; empty when none.
// A path may itself contain ';', so DBQ runs up to ";DefaultDir=" where
// that follows.
QString dateiAusVerbindungstext(const QString& verbindungstext);

}  // namespace Datenzugriff
