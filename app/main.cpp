// The program starts with its start-up window. A file given as its argument
// (a file manager opens .mdb and .accdb files this way) is chosen in the main window;
// without one the main window's lists begin in the program directory, which
// the start-up makes the working directory, or, installed, in the user's own
// folders.

#include "Feldauswahl.h"
#include "Fensteranbindung.h"
#include "Programmkennung.h"
#include "Startup.h"
#include "Tabelleninhalt.h"
#include "Uebersetzung.h"
#include "frmDataEnv.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace {

// --help and --version answer on the terminal before any window library
// starts, so they work without a display too. Anything else is left to Qt
// (its own options) and to the program (a file).
bool aufTerminalBeantwortet(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(QStringLiteral("Aufruf: zelk-feldspur [DATEI]\n"
                                      "Durchsucht eine Tabelle einer Access-Datenbank nach einem Suchtext und meldet\n"
                                      "jeden Treffer in einer Ergebnisliste und im Protokoll Protokoll.txt.\n\n"
                                      "  DATEI            eine Datenbank (.mdb), die beim Start gewählt wird\n"
                                      "  -h, --help       diese Hilfe zeigen und beenden\n"
                                      "  -V, --version    die Version zeigen und beenden\n\n"
                                      "Ganze Datenbanken und Ordner durchsucht zelk-feldspur-suche auf der Kommandozeile.\n"
                                      "Mehr in „man zelk-feldspur“.\n")
                           .toLocal8Bit()
                           .constData(),
                       stdout);
            return true;
        }
        if (!std::strcmp(a, "--version") || !std::strcmp(a, "-V")) {
            std::fputs((Programmkennung::fensterTitel() + u'\n' + Programmkennung::LegalCopyright
                        + QStringLiteral("\nLizenz GPLv3+: GNU GPL Version 3 oder neuer <https://gnu.org/licenses/gpl.html>.\n"
                                         "Dies ist freie Software: Sie dürfen sie verändern und weitergeben.\n"
                                         "Es gibt KEINE GARANTIE, soweit das Gesetz es zulässt.\n"))
                           .toLocal8Bit()
                           .constData(),
                       stdout);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (aufTerminalBeantwortet(argc, argv))
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
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
