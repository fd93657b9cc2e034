// The program starts with its start-up window; it takes no arguments.

#include "Startup.h"
#include "frmDataEnv.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The program directory is the working directory, so the demo database
    // beside the program is in the lists at once.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    const int ergebnis = Startup::starten(app, [] {
        frmDataEnv& fenster = frmDataEnv::instanz();
        fenster.Dir1->setzePfad(QCoreApplication::applicationDirPath());
        fenster.show();
    });
    if (frmDataEnv::vorhanden())
        delete &frmDataEnv::instanz();
    return ergebnis;
}
