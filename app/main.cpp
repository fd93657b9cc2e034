// The program starts with its start-up window; it takes no arguments. The
// start-up makes the program directory the working directory, where the main
// window's lists begin.

#include "Feldauswahl.h"
#include "Fensteranbindung.h"
#include "Startup.h"
#include "Tabelleninhalt.h"
#include "frmDataEnv.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int ergebnis = Startup::starten(app, [] {
        frmDataEnv& f = frmDataEnv::instanz();
        fensterAnbinden(f);
        f.show();
    });
    Tabelleninhalt::zerstoeren();
    Feldauswahl::entladen();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (frmDataEnv::vorhanden())
        delete &frmDataEnv::instanz();
    return ergebnis;
}
