// The program starts with its start-up window; it takes no arguments. The
// start-up makes the program directory the working directory, where the main
// window's lists begin.

#include "Startup.h"
#include "Uebersetzung.h"
#include "frmDataEnv.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Plattform::qtTexteLaden(app);
    const int ergebnis = Startup::starten(app, [] { frmDataEnv::instanz().show(); });
    if (frmDataEnv::vorhanden())
        delete &frmDataEnv::instanz();
    return ergebnis;
}
