#include "Dateisammlung.h"

#include "Dateimuster.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>


namespace Kommandozeile {

namespace {

QString verbinden(const QString& ordner, const QString& name)
{
    return ordner.endsWith(u'/') ? ordner + name : ordner + u'/' + name;
}

QStringList unterordner(const QString& ordner)
{
    QStringList namen = QDir(ordner).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    Dateimuster::sortieren(namen);
    return namen;
}

void ordnerSammeln(const QString& ordner, bool rekursiv, QSet<QString>& besucht, std::vector<Fundstelle>& ziel)
{
    const QFileInfo info(ordner);
    const QString echt = info.canonicalFilePath();
    if (besucht.contains(echt))
        return;
    besucht.insert(echt);
    if (!info.isReadable() || !info.isExecutable() || !QDir(ordner).isReadable()) {
        ziel.push_back({ordner, QStringLiteral("Ordner kann nicht gelesen werden")});
        return;
    }
    for (const QString& name : Dateimuster::datenbankDateien(ordner))
        ziel.push_back({verbinden(ordner, name), QString()});
    if (rekursiv)
        for (const QString& name : unterordner(ordner))
            ordnerSammeln(verbinden(ordner, name), true, besucht, ziel);
}

}  // namespace

std::vector<Fundstelle> dateienSammeln(const QStringList& pfade, bool rekursiv)
{
    std::vector<Fundstelle> ziel;
    QSet<QString> besucht;
    for (const QString& pfad : pfade) {
        const QFileInfo info(pfad);
        if (info.isDir())
            ordnerSammeln(pfad, rekursiv, besucht, ziel);
        else
            ziel.push_back({pfad, QString()});
    }
    return ziel;
}

QString dateiPruefen(const QString& pfad)
{
    const QFileInfo info(pfad);
    if (!info.exists())
        return info.isSymLink() ? QStringLiteral("Verknüpfung ins Leere") : QStringLiteral("Datei nicht gefunden");
    if (info.isDir())
        return QStringLiteral("ist ein Ordner");
    if (!info.isFile())
        return QStringLiteral("ist keine gewöhnliche Datei");
    if (!info.isReadable())
        return QStringLiteral("kann nicht gelesen werden (keine Berechtigung)");
    return QString();
}

}  // namespace Kommandozeile
