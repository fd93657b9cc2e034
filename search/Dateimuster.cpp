#include "Dateimuster.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace Dateimuster {

bool istDatenbankName(const QString& name)
{
    for (const QLatin1String endung : {QLatin1String(".mdb"), QLatin1String(".accdb")})
        if (name.endsWith(endung, Qt::CaseInsensitive) && name.size() > endung.size())
            return true;
    return false;
}

QStringList datenbankDateien(const QString& verzeichnis)
{
    QStringList namen;
    const QFileInfoList eintraege = QDir(verzeichnis).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& f : eintraege)
        if (istDatenbankName(f.fileName()))
            namen << f.fileName();
    sortieren(namen);
    return namen;
}

void sortieren(QStringList& namen)
{
    QCollator c;
    c.setNumericMode(true);
    c.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(namen.begin(), namen.end(), [&c](const QString& a, const QString& b) { return c.compare(a, b) < 0; });
}

}  // namespace Dateimuster
