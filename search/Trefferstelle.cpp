#include "Trefferstelle.h"

namespace Trefferstelle {

std::optional<Stelle> lesen(QStringView zeile)
{
    static const QString anfang = QStringLiteral("Satz: ");
    static const QString inhalt = QStringLiteral("\tFeldinhalt: ");
    if (!zeile.startsWith(anfang))
        return std::nullopt;
    qsizetype i = anfang.size();
    std::int64_t satz = 0;
    const qsizetype ziffern = i;
    // Record counters are whole numbers; 15 digits keep them exact.
    while (i < zeile.size() && zeile[i].isDigit() && zeile[i].unicode() < 128 && i - ziffern < 15)
        satz = satz * 10 + (zeile[i++].unicode() - u'0');
    if (i == ziffern || satz < 1 || zeile.mid(i, 2) != QStringLiteral("\t\t"))
        return std::nullopt;
    i += 2;
    // The field name ends at the first "\tFeldinhalt: "; the value after it may hold anything.
    const qsizetype ende = zeile.indexOf(inhalt, i);
    if (ende <= i)
        return std::nullopt;
    return Stelle{satz, zeile.mid(i, ende - i).toString()};
}

}  // namespace Trefferstelle
