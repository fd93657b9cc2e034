// Search speed on the large generated table of the reading benchmark and on
// a file of another Jet writer (Jackcess, memo values on long-value pages):
//  1. the command-line search for a name in about 4-6 % of the rows against
//     `mdb-export FILE TABLE | grep -ci NAME` (target: at most one eighth),
//     on both files,
//  2. the same search through the main window, offscreen, from the click on
//     Command1 to the final message (target: at most 1.5 x the command line),
//  3. the default search "*A", which hits most fields, through the window:
//     peak memory of the whole program below 1 GB.
//
//   bench_suche [ROWS] [FILE TABLE]
//       ROWS default 1000000 (the file is shared with bench_lesen); FILE TABLE
//       default ../shared/realdata/Kunden100k-jackcess.mdb Kunden

#include "Einstellungen.h"
#include "BenchDaten.h"
#include "Datenbankfunktion.h"
#include "MdbWriter.h"
#include "Meldung.h"
#include "frmDataEnv.h"

#include <algorithm>
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Uhr = std::chrono::steady_clock;
double sekunden(Uhr::time_point von) { return std::chrono::duration<double>(Uhr::now() - von).count(); }

long spitzeMiB()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss / 1024;
}

double fensterSuche(frmDataEnv& f, const QString& text, qsizetype& zeilen)
{
    f.Text1->setText(text);
    const auto t = Uhr::now();
    f.Command1_Click();
    const double s = sekunden(t);
    zeilen = f.ergebnisse().anzahl();
    return s;
}

// Best of `mal` runs of a shell command; rc collects the exit codes.
double bestes(const std::string& befehl, int mal, int& rc)
{
    double best = 1e30;
    for (int i = 0; i < mal; ++i) {
        const auto t = Uhr::now();
        rc |= std::system(befehl.c_str());
        best = std::min(best, sekunden(t));
    }
    return best;
}

// The command-line search against mdb-export | grep on one file, printed.
double kommandozeileMessen(const std::string& datei, const std::string& tabelle, const std::string& name)
{
    int rc = 0;
    const std::string aufruf = std::string(SUCHE_PROGRAMM) + " '" + datei + "' '" + tabelle + "' " + name;
    const double kommandozeile = bestes(aufruf + " > /dev/null", 3, rc);
    const double imProzess = bestes(aufruf + " --im-prozess > /dev/null", 3, rc);
    const double exportGrep = bestes(std::string(MDB_EXPORT) + " '" + datei + "' '" + tabelle + "' | grep -ci " + name + " > /dev/null", 2, rc);
    std::printf("%s [%s]\n", datei.c_str(), tabelle.c_str());
    std::printf("  Kommandozeile '%s':        %.3f s\n", name.c_str(), kommandozeile);
    std::printf("    davon Leser im selben Prozess:  %.3f s (Prozessgrenze kostet %.3f s)\n", imProzess, kommandozeile - imProzess);
    std::printf("  mdb-export | grep -ci:            %.3f s (Rückgabewerte %s)\n", exportGrep, rc == 0 ? "0" : "nicht 0");
    std::printf("  Verhältnis Kommandozeile/Export:  %.3f (Ziel: höchstens 0,125)\n", kommandozeile / exportGrep);
    return kommandozeile;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long long anzahl = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const std::string datei = "/tmp/zelk-bench/lesen-" + std::to_string(anzahl) + ".mdb";
    std::filesystem::create_directories("/tmp/zelk-bench");
    if (!std::filesystem::exists(datei)) {
        mdbwriter::Database db(datei, mdbwriter::Format::Jet4);
        mdbwriter::writeBenchTable(db, "Bench", anzahl, 1);
        db.finish();
    }
    const std::string name = "Hoffmann";

    // Each command the best of a few runs: the machine is shared.
    std::printf("Zeilen der erzeugten Tabelle:       %lld\n", anzahl);
    const double kommandozeile = kommandozeileMessen(datei, "Bench", name);
    const std::string fremd = argc > 3 ? argv[2] : std::string(REALDATA_VERZEICHNIS) + "/Kunden100k-jackcess.mdb";
    if (std::filesystem::exists(fremd))
        kommandozeileMessen(fremd, argc > 3 ? argv[3] : "Kunden", name);
    else
        std::printf("%s fehlt: die Datei eines anderen Schreibers wurde nicht gemessen\n", fremd.c_str());

    Plattform::setzeMeldungen(std::make_shared<Plattform::MeldungsRecorder>());
    Plattform::setzeEinstellungen(std::make_shared<Plattform::SpeicherEinstellungen>());  // the user's list stays untouched
    QTemporaryDir dir;
    frmDataEnv& f = frmDataEnv::instanz();
    f.protokollPfad = [&dir] { return dir.filePath(QStringLiteral("Protokoll.txt")); };
    f.show();
    f.Dir1->setzePfad(QFileInfo(QString::fromStdString(datei)).absolutePath());
    const auto treffer = f.File1->findItems(QFileInfo(QString::fromStdString(datei)).fileName(), Qt::MatchExactly);
    if (treffer.isEmpty())
        return 1;
    f.File1->setCurrentItem(treffer.front());
    f.ImageCombo1->setzeText(QStringLiteral("Bench"));  // the table the command line searched
    QCoreApplication::processEvents();
    qsizetype zeilenName = 0, zeilenAlle = 0;
    double fenster = 1e30;
    for (int i = 0; i < 3; ++i)
        fenster = std::min(fenster, fensterSuche(f, QString::fromStdString(name), zeilenName));
    const double alle = fensterSuche(f, QStringLiteral("*A"), zeilenAlle);
    const long spitze = spitzeMiB();

    std::printf("Fenster '%s':                %.3f s, %lld Listenzeilen\n", name.c_str(), fenster, (long long)zeilenName);
    std::printf("Verhältnis Fenster/Kommandozeile:   %.3f (Ziel: höchstens 1,5)\n", fenster / kommandozeile);
    std::printf("Fenster '*A':                       %.3f s, %lld Listenzeilen\n", alle, (long long)zeilenAlle);
    std::printf("Speicherspitze des Programms:       %ld MiB (Ziel: unter 1024)\n", spitze);
    delete &f;
    return 0;
}
