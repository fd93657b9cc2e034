#include "Tabellenkatalog.h"

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

}  // namespace Datenzugriff
