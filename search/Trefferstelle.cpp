#include "Trefferstelle.h"

#include <QDir>
#include <QFileInfo>

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

Herkunft herkunft(const QString& datei, const QString& tabelle, const QString& anweisung)
{
    const QFileInfo info(datei);
    return {info.absoluteFilePath(), tabelle, anweisung, info.isFile() ? info.size() : -1,
            info.isFile() ? info.lastModified() : QDateTime()};
}

QString abweichung(const Herkunft& lauf, const Herkunft& jetzt)
{
    if (lauf == jetzt)
        return {};
    const QChar cr(u'\r');
    const QString woher = QStringLiteral("Diese Trefferzeile stammt aus dem Suchlauf in Tabelle „%1“ der Datenbank „%2“.")
                              .arg(lauf.tabelle, QDir::toNativeSeparators(lauf.datei));
    QString grund;
    if (lauf.datei != jetzt.datei || lauf.tabelle != jetzt.tabelle)
        grund = QStringLiteral("Gewählt ist jetzt Tabelle „%1“ der Datenbank „%2“.")
                    .arg(jetzt.tabelle, QDir::toNativeSeparators(jetzt.datei));
    else if (jetzt.groesse < 0)
        grund = QStringLiteral("Die Datenbank ist nicht mehr vorhanden.");
    else if (lauf.groesse != jetzt.groesse || lauf.geaendert != jetzt.geaendert)
        grund = QStringLiteral("Die Datenbank wurde seit dem Suchlauf geändert.");
    else
        grund = QStringLiteral("Die Feldauswahl ist seit dem Suchlauf eine andere.");
    return woher + cr + grund + cr + cr + QStringLiteral("Bitte starten Sie die Suche erneut, um zu dem Satz zu gelangen.");
}

}  // namespace Trefferstelle
