// The program starts with its windows; it takes no arguments.

#include "Programmkennung.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(Programmkennung::ProductName);
    QMainWindow fenster;
    fenster.setWindowTitle(Programmkennung::fensterTitel());
    auto* hinweis = new QLabel(QStringLiteral("Das Suchfenster folgt in der nächsten Ausbaustufe."), &fenster);
    hinweis->setMargin(20);
    fenster.setCentralWidget(hinweis);
    fenster.show();
    return app.exec();
}
