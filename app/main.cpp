// The program starts with its windows; it takes no arguments.

#include "Programmkennung.h"
#include "frmDataEnv.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(Programmkennung::ProductName);
    // The program directory is the working directory, so the demo database
    // beside the program is in the lists at once.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    frmDataEnv& fenster = frmDataEnv::instanz();
    fenster.Dir1->setzePfad(QCoreApplication::applicationDirPath());
    fenster.show();
    const int ergebnis = app.exec();
    delete &fenster;
    return ergebnis;
}
