#pragma once
// The hit line of the result list that leads to a record: what a
// double-click on it opens in the table content window.

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace Trefferstelle {

// Where a hit line of the result list points: "Satz: N" + tab tab + field
// name + tab + "Feldinhalt: " + value text. satz counts from 1.
struct Stelle {
    std::int64_t satz = 0;
    QString feld;
    bool operator==(const Stelle&) const = default;
};
// The record and field of a hit line; nothing for any other line (the
// separator, the header lines of a field selection, the totals).
std::optional<Stelle> lesen(QStringView zeile);

// What a record number of a hit line belongs to: the file, table and
// statement of the run that wrote it, and the file as that run found it
// (size and time of the last change). A number read from another table, or
// from a file changed since, would open some other record.
struct Herkunft {
    QString datei;  // absolute path
    QString tabelle;
    QString anweisung;
    qint64 groesse = -1;  // -1: the file is not there
    QDateTime geaendert;
    bool operator==(const Herkunft&) const = default;
};
Herkunft herkunft(const QString& datei, const QString& tabelle, const QString& anweisung);

// Empty when a hit line of the run lauf still leads to its record with the
// choice jetzt; otherwise the message that says why it does not.
QString abweichung(const Herkunft& lauf, const Herkunft& jetzt);

}  // namespace Trefferstelle
