// The long mutation campaign: N damaged copies (default 10 000) of written
// Jet 3 and Jet 4 databases and of the real files in ../shared/realdata (those
// under 4 MB), read completely through the reader process.
// Prints how many were read, ended with a clean error, or were stopped by
// the watchdog, and the longest answer time. A crash of this program or a
// file without an answer is a failure.
//
//   bench_mutation [N] [FIRST_SEED] [FOLDER]
//       FOLDER: where files that made the reader hang are kept
//   bench_mutation --datei FILE
//       reads one kept file as the campaign does and says how it ended

#include "Mutation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString leser = QCoreApplication::applicationDirPath() + QStringLiteral("/zelk-feldspur-leser");
    if (argc == 3 && std::string(argv[1]) == "--datei") {
        Datenzugriff::Connection c([&] { return Datenzugriff::erzeugeProzessLeser(leser, 5000); });
        try {
            Mutation::allesLesen(c, QString::fromLocal8Bit(argv[2]));
            std::printf("vollständig gelesen\n");
        } catch (const Datenzugriff::DatenzugriffsFehler& f) {
            std::printf("Fehler %d: %s\n", f.Number(), f.Description().toUtf8().constData());
        }
        return 0;
    }
    const int anzahl = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::uint64_t saat = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000;
    QTemporaryDir dir;
    QStringList echte;
    for (const QFileInfo& i : QDir(QStringLiteral(REALDATA_VERZEICHNIS)).entryInfoList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name))
        if (i.size() < 4 * 1024 * 1024)
            echte << i.filePath();
    const auto e = Mutation::laufen(dir.path(), anzahl, saat, leser, 5000,
                                    Mutation::dateienLesen(echte), argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
    std::printf("Vorlagen:           2 geschriebene, %lld echte aus %s\n", (long long)echte.size(), REALDATA_VERZEICHNIS);
    std::printf("Dateien:            %d\n", anzahl);
    std::printf("vollständig gelesen: %d\n", e.gelesen);
    std::printf("sauberer Fehler:     %d\n", e.fehler);
    std::printf("von der Wache beendet (Hänger im Leseprozess): %d\n", e.wache);
    std::printf("längste Antwort:     %.2f s\n", e.laengsteSekunden);
    return e.gelesen + e.fehler + e.wache == anzahl ? 0 : 1;
}
