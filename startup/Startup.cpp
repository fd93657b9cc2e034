#include "Startup.h"

#include "Programmkennung.h"
#include "frmSplash.h"

#include <QApplication>
#include <QIcon>

namespace Startup {

int starten(QApplication& app, std::function<void()> hauptfensterZeigen)
{
    // The store of the registry lies in the data directory named after the program.
    QApplication::setApplicationName(Programmkennung::ProductName);
    frmSplash::setzeHauptfensterZeigen(std::move(hauptfensterZeigen));
    auto* splash = new frmSplash;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zelk/logo.png")));
    splash->laden();
    splash->show();
    return app.exec();
}

}  // namespace Startup
