#include "Tabellenkatalog.h"

#include "Anweisung.h"

namespace Datenzugriff {

bool katalogTabelle(const QString& typ, const QString& name)
{
    return (typ == QLatin1String("TABLE") || typ == QLatin1String("SYNONYM")) && !name.contains(QLatin1String("~TMP"));
}

QString probeAnweisung(const QString& name)
{
    return QStringLiteral("Select * from ") + name + QStringLiteral(";");
}

QStringList auswertbareTabellen(Connection& verbindung)
{
    auto katalog = verbindung.OpenSchema(adSchemaTables);
    QStringList namen;
    Recordset probe;
    while (!katalog->Eof()) {
        const QString typ = katalog->fields().Item(QStringLiteral("TABLE_TYPE")).Value().text;
        const QString name = katalog->fields().Item(QStringLiteral("TABLE_NAME")).Value().text;
        if (katalogTabelle(typ, name)) {
            // An unbracketed name with a blank is refused, and such a table
            // is left out. Errors here only skip the table.
            probe.setSource(probeAnweisung(name));
            bool geoeffnet = false;
            try {
                probe.Open(verbindung, -1, -1, -1);
                geoeffnet = true;
            } catch (const DatenzugriffsFehler&) {
            }
            if (geoeffnet) {
                try {
                    probe.Close();
                } catch (const DatenzugriffsFehler&) {
                }
                namen << name;
            }
        }
        katalog->MoveNext();
    }
    katalog->Close();
    return namen;
}

Benutzertabellen benutzertabellen(const std::vector<KatalogEintrag>& katalog)
{
    Benutzertabellen b;
    for (const KatalogEintrag& e : katalog) {
        if (e.name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive) || e.name.startsWith(QLatin1String("~TMP")))
            continue;
        if (e.typ == QLatin1String("TABLE"))
            b.tabellen << e.name;
        else if (e.typ == QLatin1String("LINK"))
            b.verknuepft.push_back(e);
    }
    return b;
}

QString ausgelassenHinweis(const std::vector<KatalogEintrag>& katalog, const QStringList& gelistet)
{
    const Benutzertabellen b = benutzertabellen(katalog);
    QStringList name, unlesbar;
    for (const QString& t : b.tabellen) {
        if (gelistet.contains(t))
            continue;
        // The probe names the table without brackets: a blank or a reserved
        // word makes that statement fail before the table is read.
        (anweisungLesen(probeAnweisung(t)) ? unlesbar : name) << QStringLiteral("„") + t + QStringLiteral("“");
    }
    // A tool tip, not a report: the first few names of each kind.
    auto namen = [](const QStringList& l) {
        return l.size() <= 5 ? l.join(QStringLiteral(", ")) : l.mid(0, 5).join(QStringLiteral(", ")) + QStringLiteral(" …");
    };
    QStringList teile;
    if (!name.isEmpty())
        teile << namen(name) + QStringLiteral(" (der Name gilt nur in eckigen Klammern)");
    if (!unlesbar.isEmpty())
        teile << namen(unlesbar) + QStringLiteral(" (nicht lesbar)");
    if (!b.verknuepft.empty())
        teile << QStringLiteral("%1 verknüpfte (ihre Daten liegen in einer anderen Datei)").arg(b.verknuepft.size());
    if (teile.isEmpty())
        return QString();
    const qsizetype anzahl = name.size() + unlesbar.size() + qsizetype(b.verknuepft.size());
    // One reason a line: a tool tip does not wrap by itself.
    return (anzahl == 1 ? QStringLiteral("1 Tabelle fehlt in der Liste:\n") : QStringLiteral("%1 Tabellen fehlen in der Liste:\n").arg(anzahl))
        + teile.join(u'\n') + QStringLiteral("\nzelk-feldspur-suche --alle-tabellen durchsucht jede Tabelle.");
}

}  // namespace Datenzugriff
