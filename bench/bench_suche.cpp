// Search speed on the large generated table of the reading benchmark and on
// a file of another Jet writer (Jackcess, memo values on long-value pages):
//  1. the command-line search for "müller" (a name in about 6 % of the rows)
//     and for "*A" (most fields hit), each against its yardsticks, side by
//     side in one run: the raw byte scan of the same file
//     (`LC_ALL=C grep -c -a -i`, decodes nothing; target at most 1.2 x),
//     `mdb-export FILE TABLE | grep -ci` (target at most one eighth), and
//     the same search on one core (--im-prozess: the reader in the same
//     process); wall time and processor time (user + system of the command
//     and its reader process), each the best of three runs; beside it the
//     same search with every value matched (ZF_VOLLER_VERGLEICH=1: no row
//     left out by the reader's candidate filter) and the hit counts of both,
//     which must agree;
//  2. the peak memory of the command line's "*A" (each of its two processes;
//     target: both together under 50 MB);
//  3. the search for "Hoffmann" through the main window, offscreen, from the
//     click on Command1 to the final message (target: at most 1.1 x the
//     command line), and "*A" through the window: peak memory below 1 GB.
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

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
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

struct Zeiten {
    double wand = 1e30;     // wall time
    double prozessor = 1e30;  // user + system of the command and all it started
};

double kinderZeit()
{
    rusage r{};
    getrusage(RUSAGE_CHILDREN, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// Best of `mal` runs of a shell command; rc collects the exit codes.
Zeiten bestes(const std::string& befehl, int mal, int& rc)
{
    Zeiten best;
    for (int i = 0; i < mal; ++i) {
        const double cpu = kinderZeit();
        const auto t = Uhr::now();
        rc |= std::system(befehl.c_str());
        best.wand = std::min(best.wand, sekunden(t));
        best.prozessor = std::min(best.prozessor, kinderZeit() - cpu);
    }
    return best;
}

std::string zeitText(const Zeiten& z)
{
    char text[64];
    std::snprintf(text, sizeof text, "%6.3f s (Prozessor %6.3f s)", z.wand, z.prozessor);
    return text;
}

std::string verhaeltnisText(const Zeiten& a, const Zeiten& b)
{
    char text[64];
    std::snprintf(text, sizeof text, "%6.2f (Prozessor %6.2f)", a.wand / b.wand, a.prozessor / b.prozessor);
    return text;
}

// The first line a shell command writes.
std::string ausgabe(const std::string& befehl)
{
    std::string text;
    if (FILE* p = popen(befehl.c_str(), "r")) {
        char zeile[256];
        if (std::fgets(zeile, sizeof zeile, p))
            text = zeile;
        pclose(p);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// The search text as grep reads it: a wildcard text's outer stars dropped,
// each inner star one character. (Given as it is, grep would take "*A" for
// the two characters "*A" and scan for something the search never looks for.)
std::string grepMuster(const std::string& text)
{
    std::string muster = text;
    while (!muster.empty() && muster.front() == '*')
        muster.erase(0, 1);
    while (!muster.empty() && muster.back() == '*')
        muster.pop_back();
    std::replace(muster.begin(), muster.end(), '*', '.');
    return muster;
}

// The command-line search for one text on one file against its yardsticks,
// printed; returns its times. The exit code 1 of a search without hits is
// no failure, so the codes are not judged here.
Zeiten kommandozeileMessen(const std::string& datei, const std::string& tabelle, const std::string& text)
{
    int rc = 0;
    const std::string aufruf = std::string(SUCHE_PROGRAMM) + " '" + datei + "' '" + tabelle + "' '" + text + "'";
    const Zeiten kommandozeile = bestes(aufruf + " > /dev/null", 3, rc);
    // Every value matched, no row left out by the reader's candidate filter.
    const std::string voll = "ZF_VOLLER_VERGLEICH=1 " + aufruf;
    const Zeiten vollerVergleich = bestes(voll + " > /dev/null", 3, rc);
    const std::string treffer = ausgabe(aufruf + " -c"), trefferVoll = ausgabe(voll + " -c");
    const Zeiten einKern = bestes(aufruf + " --im-prozess > /dev/null", 3, rc);
    // grep stops at its first match when it writes to /dev/null: through cat it counts them all.
    const Zeiten roh = bestes("LC_ALL=C grep -c -a -i '" + grepMuster(text) + "' '" + datei + "' | cat > /dev/null", 3, rc);
    // Counting only, as the raw scan does: no hit line written.
    const Zeiten zaehlen = bestes(aufruf + " -c > /dev/null", 3, rc);
    const Zeiten exportGrep =
        bestes(std::string(MDB_EXPORT) + " '" + datei + "' '" + tabelle + "' | grep -ci '" + text + "' | cat > /dev/null", 2, rc);
    std::printf("%s [%s], Suchtext '%s'\n", datei.c_str(), tabelle.c_str(), text.c_str());
    std::printf("  Kommandozeile:                     %s\n", zeitText(kommandozeile).c_str());
    std::printf("  ohne Vorfilter (ZF_VOLLER_VERGLEICH=1): %s\n", zeitText(vollerVergleich).c_str());
    std::printf("  Treffer mit / ohne Vorfilter:      %s / %s%s\n", treffer.c_str(), trefferVoll.c_str(),
                treffer == trefferVoll ? "" : "  FEHLER: verschieden");
    std::printf("  ein Kern (--im-prozess):           %s\n", zeitText(einKern).c_str());
    std::printf("  Bytes roh (LC_ALL=C grep -c -a -i):%s\n", zeitText(roh).c_str());
    std::printf("  mdb-export | grep -ci:             %s\n", zeitText(exportGrep).c_str());
    std::printf("  nur zählen (-c):                   %s\n", zeitText(zaehlen).c_str());
    std::printf("  Verhältnis zu Bytes roh:           %s (Ziel: höchstens 1,2)\n", verhaeltnisText(kommandozeile, roh).c_str());
    std::printf("  dasselbe nur zählend (-c):         %s\n", verhaeltnisText(zaehlen, roh).c_str());
    std::printf("  Verhältnis zu mdb-export | grep:   %s (Ziel: höchstens 0,125)\n", verhaeltnisText(kommandozeile, exportGrep).c_str());
    std::printf("  Verhältnis zu einem Kern:          %s\n", verhaeltnisText(kommandozeile, einKern).c_str());
    return kommandozeile;
}

// The largest resident size of the command line's processes for one search:
// the command line and its reader process are children, each's own peak.
long kommandozeileSpeicher(const std::string& datei, const std::string& tabelle, const std::string& text)
{
    const std::string aufruf = std::string(SUCHE_PROGRAMM) + " '" + datei + "' '" + tabelle + "' '" + text + "' > /dev/null";
    [[maybe_unused]] const int rc = std::system(aufruf.c_str());
    rusage r{};
    getrusage(RUSAGE_CHILDREN, &r);
    return r.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured
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

    // Memory first: the peak of the children so far is that of this search.
    const long speicher = kommandozeileSpeicher(datei, "Bench", "*A");
    std::printf("Zeilen der erzeugten Tabelle:       %lld\n", anzahl);
    std::printf("Speicherspitze der Kommandozeile '*A': %ld MiB je Prozess, beide zusammen höchstens %ld MiB (Ziel: unter 50)\n",
                speicher, 2 * speicher);
    // Each command the best of a few runs: the machine is shared.
    for (const char* text : {"müller", "*A"})
        kommandozeileMessen(datei, "Bench", text);
    const Zeiten kommandozeile = kommandozeileMessen(datei, "Bench", name);
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
    std::printf("Verhältnis Fenster/Kommandozeile:   %.3f (Ziel: höchstens 1,1)\n", fenster / kommandozeile.wand);
    std::printf("Fenster '*A':                       %.3f s, %lld Listenzeilen\n", alle, (long long)zeilenAlle);
    std::printf("Speicherspitze des Programms:       %ld MiB (Ziel: unter 1024)\n", spitze);
    delete &f;
    return 0;
}
