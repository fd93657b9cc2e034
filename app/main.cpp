// The program starts with its start-up window. A file given as its argument
// (a file manager opens .mdb and .accdb files this way) is chosen in the main window;
// without one the main window's lists begin in the program directory, which
// the start-up makes the working directory.

#include "Feldauswahl.h"
#include "Fensteranbindung.h"
#include "Startup.h"
#include "Tabelleninhalt.h"
#include "Uebersetzung.h"
#include "frmDataEnv.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Plattform::qtTexteLaden(app);
    // Taken before the start-up changes the working directory.
    const QStringList argumente = app.arguments();
    const QString datei = argumente.size() > 1 ? QFileInfo(argumente[1]).absoluteFilePath() : QString();
    const int ergebnis = Startup::starten(app, [datei] {
        frmDataEnv& f = frmDataEnv::instanz();
        fensterAnbinden(f);
        f.show();
        if (!datei.isEmpty())
            f.dateiVorwaehlen(datei);
    });
    Tabelleninhalt::zerstoeren();
    Feldauswahl::entladen();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (frmDataEnv::vorhanden())
        delete &frmDataEnv::instanz();
    return ergebnis;
}
