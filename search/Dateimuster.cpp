#include "Dateimuster.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace Dateimuster {

QStringList mdbDateien(const QString& verzeichnis)
{
    QStringList namen;
    const QFileInfoList eintraege = QDir(verzeichnis).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& f : eintraege)
        if (f.fileName().endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) && f.fileName().size() > 4)
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
