#include "Uebersetzung.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace Plattform {

bool qtTexteLaden(QCoreApplication& app, const QString& verzeichnis)
{
    const QString ort = verzeichnis.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : verzeichnis;
    auto* uebersetzer = new QTranslator(&app);
    // German whatever the user's locale: the program's own texts are German.
    if (!uebersetzer->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"), ort)) {
        delete uebersetzer;
        return false;
    }
    return QCoreApplication::installTranslator(uebersetzer);
}

}  // namespace Plattform
