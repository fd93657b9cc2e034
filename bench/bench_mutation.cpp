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
//   bench_mutation --verluste [N] [FIRST_SEED] [FOLDER...]
//       the damage campaign: N damaged copies (default 1 000) of the real
//       files under 4 MB in FOLDER (default ../shared/realdata and
//       ../shared/realdata-accdb): byte flips, zeroed pages and cut files in
//       turn. Every table of the original is read with its records counted,
//       as a search with "*" reads it; a table that gives fewer records
//       without an error and without damage named is a silent loss. The
//       originals are read first: damage named in one of them is a false alarm.
//       N = 0 reads the originals only, of every size.

#include "Mutation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

using namespace Datenzugriff;

// What reading every table of a file gave.
struct Lesung {
    bool geoeffnet = false;
    QString dateiFehler;                      // the file could not be opened, or its catalogue not read
    std::map<QString, std::int64_t> saetze;   // records read per table, to the end without an error
    std::map<QString, QString> gemeldet;      // tables with an error or damage named: the word
};

QStringList benutzerTabellen(Connection& c)
{
    QStringList namen;
    auto katalog = c.OpenSchema(adSchemaTables);
    for (; !katalog->Eof(); katalog->MoveNext())
        if (katalog->fields().Item(QStringLiteral("TABLE_TYPE")).Value().text == QLatin1String("TABLE"))
            namen << katalog->fields().Item(QStringLiteral("TABLE_NAME")).Value().text;
    return namen;
}

// Reads the tables (those of the catalogue when none are given) to their end,
// as the search does: a reader process that gives up is started again for
// the next table.
Lesung allesZaehlen(Connection& c, const QString& datei, QStringList tabellen)
{
    Lesung l;
    auto oeffnen = [&] {
        if (c.State() == adStateOpen)
            c.Close();
        c.Open(QStringLiteral("DBQ=") + datei + QLatin1Char(';'));
    };
    try {
        oeffnen();
        const QStringList katalog = benutzerTabellen(c);
        if (tabellen.isEmpty())
            tabellen = katalog;
        for (const QString& t : tabellen)
            if (!katalog.contains(t))
                l.gemeldet[t] = QStringLiteral("fehlt im Katalog");
        l.geoeffnet = true;
    } catch (const DatenzugriffsFehler& f) {
        l.dateiFehler = f.Description();
        return l;
    }
    for (const QString& t : tabellen) {
        if (l.gemeldet.count(t))
            continue;
        try {
            if (c.State() != adStateOpen)
                oeffnen();
            Recordset r;
            r.Open(QStringLiteral("Select * from [") + t + QStringLiteral("];"), c);
            std::int64_t n = 0;
            for (; !r.Eof(); r.MoveNext())
                ++n;
            const auto schaeden = r.schaeden();
            if (!schaeden.empty())
                l.gemeldet[t] = QStringLiteral("Seite %1: %2").arg(schaeden.front().seite).arg(schaeden.front().grund);
            l.saetze[t] = n;
        } catch (const DatenzugriffsFehler& f) {
            l.gemeldet[t] = f.Description();
        }
    }
    return l;
}

QByteArray dateiInhalt(const QString& pfad)
{
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Byte flips, one to three zeroed pages (mostly data pages), or a cut, by turn.
QByteArray beschaedigen(const QByteArray& vorlage, std::uint64_t saat, int art)
{
    if (art == 0)
        return Mutation::mutieren(vorlage, saat);
    mdbwriter::Zufallsfolge zufall(saat, 777);
    QByteArray d = vorlage;
    const int seite = vorlage.at(0x14) == 0 ? 2048 : 4096;
    const int seiten = int(d.size() / seite);
    if (art == 1) {
        const int anzahl = 1 + int(zufall() % 3);
        for (int i = 0; i < anzahl; ++i) {
            int s = 1 + int(zufall() % std::uint64_t(seiten - 1));
            for (int versuch = 0; versuch < 50 && d.at(qsizetype(s) * seite) != 1 && zufall() % 4 != 0; ++versuch)
                s = 1 + int(zufall() % std::uint64_t(seiten - 1));
            d.replace(qsizetype(s) * seite, seite, QByteArray(seite, 0));
        }
        return d;
    }
    d.truncate(qsizetype(seite + zufall() % std::uint64_t(d.size() - seite)));
    return d;
}

int verluste(int anzahl, std::uint64_t ersteSaat, QStringList ordner, const QString& leser)
{
    if (ordner.isEmpty())
        ordner = QStringList{QStringLiteral(REALDATA_VERZEICHNIS), QStringLiteral(REALDATA_VERZEICHNIS "-accdb")};
    Connection c([&] { return erzeugeProzessLeser(leser, 5000); });
    struct Vorlage {
        QString name;
        QByteArray inhalt;
        std::map<QString, std::int64_t> saetze;
    };
    std::vector<Vorlage> vorlagen;
    int fehlalarme = 0;
    for (const QString& o : ordner)
        for (const QFileInfo& i : QDir(o).entryInfoList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files, QDir::Name)) {
            if (i.size() >= 4 * 1024 * 1024 && anzahl > 0)
                continue;
            const Lesung l = allesZaehlen(c, i.filePath(), {});
            for (const auto& [t, wort] : l.gemeldet) {
                ++fehlalarme;
                std::printf("Fehlalarm: %s, Tabelle %s: %s\n", qPrintable(i.fileName()), qPrintable(t), qPrintable(wort));
            }
            if (l.geoeffnet && !l.saetze.empty())
                vorlagen.push_back({i.fileName(), dateiInhalt(i.filePath()), l.saetze});
        }
    if (vorlagen.empty()) {
        std::printf("keine Vorlagen in %s\n", qPrintable(ordner.join(u' ')));
        return 1;
    }
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("beschaedigt.mdb"));
    int dateiGemeldet = 0, tabellen = 0, gemeldet = 0, heil = 0, mehr = 0, still = 0, wache = 0, absturz = 0;
    double laengste = 0;
    for (int i = 0; i < anzahl; ++i) {
        const Vorlage& v = vorlagen[std::size_t(i) % vorlagen.size()];
        const std::uint64_t saat = ersteSaat + std::uint64_t(i);
        {
            QFile f(datei);
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write(beschaedigen(v.inhalt, saat, i % 3));
        }
        QStringList namen;
        for (const auto& [t, n] : v.saetze)
            namen << t;
        const auto start = std::chrono::steady_clock::now();
        const Lesung l = allesZaehlen(c, datei, namen);
        laengste = std::max(laengste, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        QStringList worte = l.dateiFehler.isEmpty() ? QStringList() : QStringList{l.dateiFehler};
        for (const auto& [t, w] : l.gemeldet)
            worte << w;
        for (const QString& w : worte) {
            wache += w.contains(QStringLiteral("nicht geantwortet")) ? 1 : 0;
            absturz += w.contains(QStringLiteral("unerwartet beendet")) ? 1 : 0;
        }
        if (!l.geoeffnet) {
            ++dateiGemeldet;
            continue;
        }
        for (const auto& [t, n] : v.saetze) {
            ++tabellen;
            if (l.gemeldet.count(t)) {
                ++gemeldet;
                continue;
            }
            const std::int64_t gelesen = l.saetze.at(t);
            if (gelesen < n) {
                ++still;
                std::printf("stiller Verlust: %s (Saat %llu, Art %d), Tabelle %s: %lld statt %lld Sätze\n", qPrintable(v.name),
                            (unsigned long long)saat, i % 3, qPrintable(t), (long long)gelesen, (long long)n);
            } else {
                ++(gelesen > n ? mehr : heil);
            }
        }
    }
    std::printf("Vorlagen:                  %zu echte Dateien unter 4 MB\n", vorlagen.size());
    std::printf("Fehlalarme in den Vorlagen: %d\n", fehlalarme);
    std::printf("beschädigte Dateien:       %d (Bytes, genullte Seiten, gekürzt im Wechsel)\n", anzahl);
    std::printf("  Datei abgelehnt, mit Meldung: %d\n", dateiGemeldet);
    std::printf("  Tabellen gelesen:         %d\n", tabellen);
    std::printf("    Schaden oder Fehler gemeldet: %d\n", gemeldet);
    std::printf("    alle Sätze, ohne Meldung:     %d\n", heil);
    std::printf("    mehr Sätze, ohne Meldung:     %d\n", mehr);
    std::printf("    STILLE VERLUSTE:              %d\n", still);
    std::printf("  Leseprozess von der Wache beendet: %d, unerwartet beendet: %d\n", wache, absturz);
    std::printf("  längste Datei:            %.2f s\n", laengste);
    return still == 0 && fehlalarme == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString leser = QCoreApplication::applicationDirPath() + QStringLiteral("/zelk-feldspur-leser");
    if (argc >= 2 && std::string(argv[1]) == "--verluste") {
        QStringList ordner;
        for (int i = 4; i < argc; ++i)
            ordner << QString::fromLocal8Bit(argv[i]);
        return verluste(argc > 2 ? std::atoi(argv[2]) : 1000, argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1, ordner, leser);
    }
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
    std::vector<QByteArray> vorlagen;
    for (const QString& pfad : echte) {
        QFile f(pfad);
        if (f.open(QIODevice::ReadOnly))
            vorlagen.push_back(f.readAll());
    }
    // Kept for a look: files that made the reader hang, and slow ones (slow
    // is not hung, but worth a look).
    const QString fundOrdner = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const auto e = Mutation::laufen(dir.path(), anzahl, saat, leser, 5000, vorlagen, [&](const QString& datei, std::uint64_t s, const char* grund) {
        if (!fundOrdner.isEmpty())
            QFile::copy(datei, QStringLiteral("%1/%2-%3.mdb").arg(fundOrdner, QString::fromLatin1(grund)).arg(s));
    });
    std::printf("Vorlagen:           2 geschriebene, %lld echte aus %s\n", (long long)echte.size(), REALDATA_VERZEICHNIS);
    std::printf("Dateien:            %d\n", anzahl);
    std::printf("vollständig gelesen: %d\n", e.gelesen);
    std::printf("sauberer Fehler:     %d\n", e.fehler);
    std::printf("von der Wache beendet (Hänger im Leseprozess): %d\n", e.wache);
    std::printf("längste Antwort:     %.2f s\n", e.laengsteSekunden);
    return e.gelesen + e.fehler + e.wache == anzahl ? 0 : 1;
}
