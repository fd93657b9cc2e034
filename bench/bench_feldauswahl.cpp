// The field selection mask on a table of 255 fields (the most Jet allows),
// offscreen on a 1024 x 768 screen:
//  1. from the click on "&Feldauswahl" to the painted mask (target: at most
//     300 ms), which includes the reconnect through the reader process;
//  2. one scroll step, from the new value to the painted frame (target: at
//     most 30 ms), over every value of the bar and by pages.
//
//   bench_feldauswahl [OEFFNUNGEN]   (default 9)

#include "Einstellungen.h"
#include "Anbindung.h"
#include "Feldauswahl.h"
#include "Fensteranbindung.h"
#include "MdbWriter.h"
#include "Meldung.h"
#include "frmDataEnv.h"
#include "frmVergleich.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

using Uhr = std::chrono::steady_clock;
double ms(Uhr::time_point von) { return std::chrono::duration<double, std::milli>(Uhr::now() - von).count(); }

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Notes the first paint of any widget of the mask.
class Malwaechter : public QObject {
public:
    bool gemalt = false;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && o->isWidgetType() && Feldauswahl::maske()
            && static_cast<QWidget*>(o)->window() == Feldauswahl::maske())
            gemalt = true;
        return false;
    }
    void warten()
    {
        const auto t = Uhr::now();
        while (!gemalt && ms(t) < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
};

void tabelleSchreiben(const QString& pfad)
{
    using namespace mdbwriter;
    Database db(pfad.toStdString(), Format::Jet4);
    const ColumnType arten[] = {ColumnType::Text, ColumnType::Long, ColumnType::Memo, ColumnType::DateTime, ColumnType::Double};
    std::vector<Column> spalten;
    for (int i = 0; i < 255; ++i)
        spalten.push_back({"Feld " + std::to_string(i + 1) + (i % 7 == 0 ? " mit langem Namen Größe" : ""), arten[i % 5], 40});
    const int t = db.addTable("Breit", spalten);
    for (int r = 0; r < 50; ++r) {
        std::vector<Cell> zeile;
        for (int i = 0; i < 255; ++i) {
            switch (arten[i % 5]) {
            case ColumnType::Text: zeile.push_back(Cell::text("Wert " + std::to_string(r * 1000 + i))); break;
            case ColumnType::Long: zeile.push_back(Cell::integer(r * 1000 + i)); break;
            case ColumnType::Memo: zeile.push_back(i % 3 ? Cell::text(std::string(20, 'm')) : Cell::null()); break;
            case ColumnType::DateTime: zeile.push_back(Cell::date(40000.5 + r)); break;
            default: zeile.push_back(Cell::real(r * 0.25 + i)); break;
            }
        }
        db.addRow(t, zeile);
    }
    db.finish();
}

// The value below which the share `anteil` of the figures lies (0.5 median, 1 worst).
double anteil(std::vector<double> v, double anteil)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(anteil * double(v.size() - 1) + 0.5))];
}

void zeile(const char* was, double wert, double ziel)
{
    std::printf("  %-54s %8.1f ms   (Ziel <= %.0f ms)  %s\n", was, wert, ziel, wert <= ziel ? "ok" : "VERFEHLT");
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int oeffnungen = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    Plattform::setzeMeldungen(std::make_shared<Plattform::MeldungsRecorder>());
    Plattform::setzeEinstellungen(std::make_shared<Plattform::SpeicherEinstellungen>());  // the user's list stays untouched
    Plattform::setzeBildschirm(std::make_shared<Plattform::FesterBildschirm>(15360, 11520));

    QTemporaryDir dir;
    tabelleSchreiben(dir.filePath(QStringLiteral("breit.mdb")));
    frmDataEnv fenster;
    fenster.protokollPfad = [&dir] { return dir.filePath(QStringLiteral("Protokoll.txt")); };
    fensterAnbinden(fenster);
    fenster.Dir1->setzePfad(dir.path());
    fenster.File1->setCurrentRow(0);  // chooses breit.mdb and connects
    fenster.show();
    if (!QTest::qWaitForWindowExposed(&fenster))
        return 1;

    Malwaechter waechter;
    app.installEventFilter(&waechter);
    // From the action to the first paint of the mask after it.
    // The CPU time of this process beside it tells the program's own cost
    // from the waiting on a busy machine (the reader process is not in it).
    std::vector<double> cpuOeffnen, cpuSchritte;
    std::vector<double>* cpu = &cpuOeffnen;
    auto messen = [&waechter, &cpu](const auto& tun) {
        waechter.gemalt = false;
        const double c = cpuMs();
        const auto t = Uhr::now();
        tun();
        waechter.warten();
        cpu->push_back(cpuMs() - c);
        return waechter.gemalt ? ms(t) : -1.0;
    };
    std::vector<double> oeffnen;
    for (int i = 0; i < oeffnungen; ++i) {
        oeffnen.push_back(messen([&] { QTest::mouseClick(fenster.Command3, Qt::LeftButton); }));
        // What the event loop does after the click: the replaced mask goes.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!Feldauswahl::maske() || Feldauswahl::maske()->FeldAnzahl != 255 || oeffnen.back() < 0) {
            std::fprintf(stderr, "die Maske hat nicht 255 Zeilen oder wurde nicht gezeigt\n");
            return 1;
        }
    }

    // Every value down and up again, then by pages.
    frmVergleich& m = *Feldauswahl::maske();
    std::vector<double> schritte, seiten;
    cpu = &cpuSchritte;
    for (int v = 2; v <= m.VScroll1->maximum(); ++v)
        schritte.push_back(messen([&] { m.VScroll1->setValue(v); }));
    for (int v = m.VScroll1->maximum() - 1; v >= 1; --v)
        schritte.push_back(messen([&] { m.VScroll1->setValue(v); }));
    for (int v = 1 + m.VScroll1->pageStep(); v <= m.VScroll1->maximum(); v += m.VScroll1->pageStep())
        seiten.push_back(messen([&] { m.VScroll1->setValue(v); }));
    if (std::find(schritte.begin(), schritte.end(), -1.0) != schritte.end()) {
        std::fprintf(stderr, "ein Scrollschritt wurde nicht gemalt\n");
        return 1;
    }

    std::printf("Feldauswahl auf einer Tabelle mit 255 Feldern, 1024 x 768, offscreen\n");
    std::printf("Öffnen, Klick auf \"&Feldauswahl\" bis zur gemalten Maske (%d Mal):\n", oeffnungen);
    zeile("erstes Öffnen", oeffnen.front(), 300);
    zeile("Median", anteil(oeffnen, 0.5), 300);
    zeile("schlechtestes", anteil(oeffnen, 1), 300);
    zeile("Median, CPU dieses Prozesses", anteil(cpuOeffnen, 0.5), 300);
    std::printf("Ein Scrollschritt, neuer Wert bis zum gemalten Rahmen (%zu Schritte, %zu Seiten):\n", schritte.size(), seiten.size());
    zeile("Median Zeile", anteil(schritte, 0.5), 30);
    zeile("95 % der Zeilen", anteil(schritte, 0.95), 30);
    zeile("schlechteste Zeile", anteil(schritte, 1), 30);
    zeile("schlechteste Seite", anteil(seiten, 1), 30);
    zeile("schlechteste Zeile oder Seite, CPU dieses Prozesses", anteil(cpuSchritte, 1), 30);
    QFile last(QStringLiteral("/proc/loadavg"));
    if (last.open(QIODevice::ReadOnly))
        std::printf("Last der Maschine (1, 5, 15 min): %s", last.readLine().constData());

    Feldauswahl::entladen();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
