// The table content window on large tables, offscreen, through the main
// window as a user reaches it: from the click on Command4 to the first
// painted screen of rows, Ctrl+End to the painted last rows, page by page
// through 10 000 rows, and the memory of the program and its reader
// processes while browsing the whole table. Then the first table again
// while a folder search runs beside it, as from another window: the command
// line searching `--alle-tabellen -r` over and over (the folder of
// bench_ordner's 16 files where it was written, else the real files),
// with as many files at once as there are cores.
//
//   bench_tabelleninhalt [DATEI TABELLE ...]
//   (default: /tmp/zelk-bench/lesen-1000000.mdb Bench, written if missing,
//    and ../shared/realdata/Kunden100k-jackcess.mdb Kunden where it exists)

#include "Einstellungen.h"
#include "BenchDaten.h"
#include "Fensteranbindung.h"
#include "MdbWriter.h"
#include "Meldung.h"
#include "frmTabelleninhalt.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cstdlib>
#include <thread>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Uhr = std::chrono::steady_clock;
double ms(Uhr::time_point von, Uhr::time_point bis = Uhr::now()) { return std::chrono::duration<double, std::milli>(bis - von).count(); }

long rssKiB(int pid)
{
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string zeile;
    while (std::getline(f, zeile))
        if (zeile.rfind("VmRSS:", 0) == 0)
            return std::atol(zeile.c_str() + 6);
    return 0;
}

// This process and its reader processes.
long rssMitKindernKiB(long& kinder)
{
    const int ich = int(::getpid());
    kinder = 0;
    for (const auto& t : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream f(t.path() / "children");
        int pid = 0;
        while (f >> pid)
            kinder += rssKiB(pid);
    }
    return rssKiB(ich) + kinder;
}

struct Messung {
    Gittertabelle* t;
    Inhaltsmodell* m;
    Uhr::time_point gemalt{};      // the last paint
    Uhr::time_point vollGemalt{};  // the last paint with every visible row loaded

    bool sichtbarGeladen() const { return m->rowCount() > 0 && sichtbareZeilenGeladen(*t, *m); }
    void verbinden()
    {
        t->nachDemMalen = [this] {
            gemalt = Uhr::now();
            if (sichtbarGeladen())
                vollGemalt = gemalt;
        };
    }
    // Events until a paint after `seit` showed every visible row; its time.
    double warteAufVolleZeilen(Uhr::time_point seit)
    {
        while (vollGemalt <= seit) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (ms(seit) > 30000)
                return -1;
        }
        return ms(seit, vollGemalt);
    }
    double warteAufBild(Uhr::time_point seit)
    {
        while (gemalt <= seit) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (ms(seit) > 30000)
                return -1;
        }
        return ms(seit, gemalt);
    }
};

void ziel(const char* was, double wert, const char* einheit, double hoechstens)
{
    std::printf("  %-44s %8.1f %s  (Ziel: höchstens %.0f %s)%s\n", was, wert, einheit, hoechstens, einheit,
                wert >= 0 && wert <= hoechstens ? "" : "  VERFEHLT");
}

int messen(frmDataEnv& f, const QString& datei, const QString& tabelle)
{
    std::printf("\n%s, Tabelle %s\n", qPrintable(datei), qPrintable(tabelle));
    f.Dir1->setzePfad(QFileInfo(datei).absolutePath());
    const auto treffer = f.File1->findItems(QFileInfo(datei).fileName(), Qt::MatchExactly);
    if (treffer.isEmpty())
        return 1;
    f.File1->setCurrentItem(treffer.front());
    f.ImageCombo1->setzeText(tabelle);
    QCoreApplication::processEvents();
    long kinder = 0;
    const long vorher = rssMitKindernKiB(kinder);

    frmTabelleninhalt& w = frmTabelleninhalt::instanz();
    Messung mess{w.DataGrid1->tabelle, w.DataGrid1->modell};
    mess.verbinden();

    Uhr::time_point gezaehlt{};
    QObject::connect(mess.m, &Inhaltsmodell::gezaehlt, mess.m, [&gezaehlt] { gezaehlt = Uhr::now(); });

    // The click, up to the first painted screen of rows.
    const auto klick = Uhr::now();
    QTest::mouseClick(f.Command4, Qt::LeftButton);
    const double fensterDa = ms(klick);
    const double erstesBild = mess.warteAufVolleZeilen(klick);
    const int zeilen = mess.m->rowCount();
    std::printf("  %d Zeilen, %d Spalten; Fenster steht nach %.1f ms\n", zeilen, mess.m->columnCount(), fensterDa);
    ziel("Klick auf Command4 bis erste Zeilen gemalt", erstesBild, "ms", 500);

    // Ctrl+End at once, while the keyset is still being counted, and after.
    auto t = Uhr::now();
    QTest::keyClick(mess.t, Qt::Key_End, Qt::ControlModifier);
    const double sofort = mess.warteAufVolleZeilen(t);
    std::printf("  %-44s %8.1f ms  (Zeilen gezählt nach %.1f ms)\n", "Strg+Ende gleich nach dem ersten Bild", sofort, ms(klick, gezaehlt));
    QTest::keyClick(mess.t, Qt::Key_Home, Qt::ControlModifier);
    mess.warteAufVolleZeilen(Uhr::now());
    t = Uhr::now();
    QTest::keyClick(mess.t, Qt::Key_End, Qt::ControlModifier);
    ziel("Strg+Ende bis letzte Zeilen gemalt", mess.warteAufVolleZeilen(t), "ms", 300);
    long spitze = rssMitKindernKiB(kinder);

    // Page by page through 10 000 rows from the top.
    QTest::keyClick(mess.t, Qt::Key_Home, Qt::ControlModifier);
    mess.warteAufVolleZeilen(Uhr::now());
    double langstesBild = 0, langsteZeilen = 0, summeZeilen = 0;
    int seiten = 0;
    while (mess.t->currentIndex().row() < std::min(zeilen - 1, 10000)) {
        t = Uhr::now();
        QTest::keyClick(mess.t, Qt::Key_PageDown);
        langstesBild = std::max(langstesBild, mess.warteAufBild(t));
        const double voll = mess.warteAufVolleZeilen(t);
        langsteZeilen = std::max(langsteZeilen, voll);
        summeZeilen += voll;
        ++seiten;
    }
    std::printf("  %d Seiten bis Zeile %d\n", seiten, mess.t->currentIndex().row() + 1);
    ziel("Bild Bild auf Bild ab, längstes", langstesBild, "ms", 50);
    std::printf("  %-44s %8.1f ms  (Mittel %.1f ms)\n", "Bild ab bis Zeilen da, längstes", langsteZeilen, summeZeilen / std::max(1, seiten));
    spitze = std::max(spitze, rssMitKindernKiB(kinder));

    // The whole table: the scroll bar in 200 steps to the end, each screen loaded.
    QScrollBar* leiste = mess.t->verticalScrollBar();
    for (int i = 0; i <= 200; ++i) {
        t = Uhr::now();
        leiste->setValue(int(std::int64_t(leiste->maximum()) * i / 200));
        mess.t->viewport()->update();
        mess.warteAufVolleZeilen(t);
        spitze = std::max(spitze, rssMitKindernKiB(kinder));
    }
    std::printf("  Speicher vorher %.1f MB, Spitze beim Blättern %.1f MB (davon Leseprozesse %.1f MB), Cache %.1f MB\n",
                vorher / 1024.0, spitze / 1024.0, kinder / 1024.0, double(mess.m->cacheBytes()) / (1 << 20));
    ziel("Speicher beim Blättern über vorher", (spitze - vorher) / 1024.0, "MB", 150);
    w.Command1->click();
    QCoreApplication::processEvents();
    return 0;
}

// The folder search beside the window, run again and again until it ends.
class Nebenlast {
public:
    explicit Nebenlast(const QString& ordner)
    {
        const std::string befehl = std::string(SUCHE_PROGRAMM) + " --alle-tabellen -r '" + ordner.toStdString()
                                   + "' Hoffmann >/dev/null 2>&1";
        faden_ = std::thread([this, befehl] {
            while (!ende_) {
                [[maybe_unused]] const int rc = std::system(befehl.c_str());
                ++laeufe_;
            }
        });
    }
    ~Nebenlast()
    {
        ende_ = true;
        faden_.join();
    }
    int laeufe() const { return laeufe_; }

private:
    std::atomic<bool> ende_{false};
    std::atomic<int> laeufe_{0};
    std::thread faden_;
};

QString ordnerFuerNebenlast()
{
    for (const char* o : {"/tmp/zelk-bench/ordner16", "/tmp/zelk-bench/ordner"})
        if (QFileInfo::exists(QString::fromLatin1(o) + QStringLiteral("/.fertig")))
            return QString::fromLatin1(o);
    return QFileInfo(QStringLiteral(ZF_QUELLE "/../shared/realdata")).canonicalFilePath();
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Plattform::setzeMeldungen(std::make_shared<Plattform::MeldungsRecorder>());
    Plattform::setzeEinstellungen(std::make_shared<Plattform::SpeicherEinstellungen>());  // the user's list stays untouched
    Plattform::setzeBildschirm(std::make_shared<Plattform::FesterBildschirm>(15360, 11520));

    std::vector<std::pair<QString, QString>> dateien;
    for (int i = 1; i + 1 < argc; i += 2)
        dateien.emplace_back(QString::fromLocal8Bit(argv[i]), QString::fromLocal8Bit(argv[i + 1]));
    if (dateien.empty()) {
        const std::string gross = "/tmp/zelk-bench/lesen-1000000.mdb";
        if (!std::filesystem::exists(gross)) {
            std::filesystem::create_directories("/tmp/zelk-bench");
            mdbwriter::Database db(gross, mdbwriter::Format::Jet4);
            mdbwriter::writeBenchTable(db, "Bench", 1000000, 1);
            db.finish();
        }
        dateien.emplace_back(QString::fromStdString(gross), QStringLiteral("Bench"));
        const QString echt = QStringLiteral(ZF_QUELLE "/../shared/realdata/Kunden100k-jackcess.mdb");
        if (QFileInfo::exists(echt))
            dateien.emplace_back(QFileInfo(echt).canonicalFilePath(), QStringLiteral("Kunden"));
    }

    frmDataEnv& f = frmDataEnv::instanz();
    fensterAnbinden(f);
    f.show();
    int rc = 0;
    for (const auto& [datei, tabelle] : dateien)
        rc |= messen(f, datei, tabelle);
    const QString ordner = ordnerFuerNebenlast();
    if (!ordner.isEmpty()) {
        std::printf("\nDasselbe neben einer Ordnersuche (zelk-feldspur-suche --alle-tabellen -r %s, immer wieder):", qPrintable(ordner));
        Nebenlast last(ordner);
        QThread::msleep(500);  // the search under way
        rc |= messen(f, dateien.front().first, dateien.front().second);
        std::printf("  Ordnersuchen daneben: %d beendet\n", last.laeufe());
    }
    Tabelleninhalt::zerstoeren();
    delete &f;
    return rc;
}
