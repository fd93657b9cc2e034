#pragma once
// Qt's own texts (standard buttons, context menus of text boxes) in German,
// like the rest of the interface.

#include <QString>

class QCoreApplication;

namespace Plattform {

// Loads qtbase_de from the directory, by default Qt's translations
// directory (Debian: package qt6-translations-l10n), and installs it. False
// when it is not there: the standard texts then stay English.
bool qtTexteLaden(QCoreApplication& app, const QString& verzeichnis = QString());

}  // namespace Plattform
