#pragma once
// The hit line of the result list that leads to a record: what a
// double-click on it opens in the table content window.

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

}  // namespace Trefferstelle
