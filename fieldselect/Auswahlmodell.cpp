#include "Auswahlmodell.h"

#include "Anweisung.h"

#include <limits>

namespace Auswahlmodell {

Auswahl uebernehmen(const std::vector<Zeile>& zeilen, const QString& tabelle)
{
    Auswahl a;
    a.abfrage = QStringLiteral("Select ");
    auto anhaengen = [&a](const QString& name) {
        if (a.anzahl == std::numeric_limits<std::int16_t>::max())
            throw Ueberlauf();
        a.abfrage += a.anzahl == 0 ? QStringLiteral("[") : QStringLiteral(",  [");
        a.abfrage += name;
        a.abfrage += u']';
        ++a.anzahl;
    };
    for (const Zeile& z : zeilen) {
        if (z.suchen)
            anhaengen(z.feldname);
        if (z.info)
            anhaengen(z.feldname);
    }
    a.abfrage += QStringLiteral(" from [") + tabelle + QStringLiteral("];");
    if (a.anzahl == 0)
        a.abfrage = Datenzugriff::alleFelderAnweisung(tabelle);
    return a;
}

}  // namespace Auswahlmodell
