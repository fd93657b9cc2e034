// Bad input through the main window: files that are no databases, that
// cannot be read, that change or vanish under the window, and a protocol
// that cannot be written. After each case the message names the file, the
// window shows what it showed before, and the next normal search works.

#include "Fenster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mdbwriter;
namespace DB = Datenbankfunktion;

namespace {

// The protocol of "m*ller" over kunden.mdb.
const QByteArray kundenProtokoll = "Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\n"
                                   "Satz: 2\t\tName\tFeldinhalt: MOLLER\r\n"
                                   "Satz: 3\t\tName\tFeldinhalt: Meller\r\n"
                                   "Satz: 3\t\tOrt\tFeldinhalt: M\xFCllerstadt\r\n"
                                   "-----------------------------\r\ngesamt gefundene Felder: 4\r\n";

// n bytes of noise, n a multiple of 4.
QByteArray zufall(qsizetype n, unsigned saat)
{
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator(saat).fillRange(reinterpret_cast<quint32*>(b.data()), n / 4);
    return b;
}

// A message that names the file: critical, alone, naming the file and
// containing grund.
bool nennt(const QString& gezeigt, const QString& datei, const QString& grund = {})
{
    return gezeigt.startsWith(u'!') && !gezeigt.contains(QStringLiteral(" | ")) && gezeigt.contains(datei) && gezeigt.contains(grund);
}

class Eingaben : public FensterPruefung {
protected:
    void dateienAnlegen() override { datenbank(dir.filePath(QStringLiteral("kunden.mdb")), kundenTabelle); }
    QString pfad(const QString& name) const { return dir.filePath(name); }
    // A file of vieleTabelle(anzahl) records; chosen, with "treffer" to find.
    QString viele(const char* name, int anzahl, const std::function<void(const QString&)>& danach = {})
    {
        const QString p = datenbank(pfad(QString::fromLatin1(name)), [&](auto& db) { vieleTabelle(db, anzahl); });
        if (danach)
            danach(p);
        fenster->File1->aktualisieren();
        tun(QStringLiteral("datei ") + QString::fromLatin1(name) + QStringLiteral(" | text treffer"));
        recorder->leeren();
        return p;
    }

    // A search over kunden.mdb as a user makes it; fills List1 and the protocol.
    void guteSuche()
    {
        EXPECT_EQ(tun(QStringLiteral("datei kunden.mdb | tabelle Kunden | text m*ller | platzhalter 1 | suche")), QStringLiteral("Ende des Suchlaufes!"));
        EXPECT_EQ(protokollBytes(), kundenProtokoll);
        EXPECT_EQ(fenster->ergebnisse().anzahl(), 10);
        recorder->leeren();
    }

    // A run that ended early: a critical message naming the file (and what
    // else it must say), then the run's end.
    void fehlerUndEnde(const QString& datei, const QString& teil = {})
    {
        const QString m = gezeigt();
        EXPECT_TRUE(m.endsWith(QStringLiteral(" | Ende des Suchlaufes!")) && nennt(m.left(m.lastIndexOf(u'|') - 1), datei, teil)) << m.toStdString();
    }

    // Files in the protocol's directory besides the protocol (the writer's
    // file beside it, if it had one it could not remove).
    QStringList protokollReste() const
    {
        QStringList reste = QDir(QFileInfo(protokoll).absolutePath()).entryList({QStringLiteral("Protokoll*")}, QDir::Files | QDir::Hidden);
        reste.removeAll(QStringLiteral("Protokoll.txt"));
        return reste;
    }
};

// --- files that are no database, or change under the window -------------------------

// A file that cannot be read, or that goes or becomes another between the
// file list and the click on it, or between the click and the search. A
// click on a file that cannot be read says so and leaves the window as it
// was but for the choice; a search or the table window on it says so, the
// search empties List1 and keeps the last protocol.
TEST_F(Eingaben, AFileThatCannotBeReadOrChangesUnderTheWindow)
{
    const QString p = pfad(QStringLiteral("wechsel.mdb"));
    const auto weg = [&] {
        if (!QFile::remove(p))
            QDir(p).removeRecursively();
    };
    const auto inhalt = [&](const QByteArray& b) { return [&p, b] { schreiben(p, b); }; };
    const auto kunden = [&] { datenbank(p, kundenTabelle); };
    // A database of our older format, with another table than kunden.mdb.
    const auto andere = [&] { weg(), datenbank(p, [](auto& db) { db.addRow(db.addTable("Artikel", {{"Nr", ColumnType::Long}}), {Cell::integer(7)}); }, Format::Jet3); };
    QFile echt(pfad(QStringLiteral("kunden.mdb")));
    ASSERT_TRUE(echt.open(QIODevice::ReadOnly));
    const QByteArray jetKopf = echt.read(0x80);
    const char* const ohneSuche = "<nicht gesucht>";
    const struct {
        const char* was;
        std::function<void()> anlegen, vorKlick, vorSuche;
        const char* klick;     // part of the click's message besides the name; null: none
        const char* suche;     // the same of the search; null: it ends normally
        QByteArray protokoll;  // then written
        const char* tabellen;  // the table list in the end; null: as before
    } faelle[] = {
        {"text", inhalt(QByteArray("Das ist keine Datenbank.\r\n").repeated(500)), {}, {}, "", "", {}, nullptr},
        // A Jet header of a real file, then noise: this reaches the reader.
        {"a Jet header, then noise", inhalt(jetKopf + zufall(16 * 4096 - 0x80, 2)), {}, {}, "", "", {}, nullptr},
        // Opening a pipe waits for a writer that never comes; the reader's watchdog ends the wait.
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0644), 0); }, {}, {}, "", ohneSuche, {}, nullptr},
        // A link below a regular file: every open fails (ENOTDIR), for root as well.
        {"a link below a file", [&] { ASSERT_TRUE(QFile::link(pfad(QStringLiteral("kunden.mdb/kunden.mdb")), p)); }, {}, {}, "", "", {}, nullptr},
        // Root reads a file of mode 000: the case above covers the failed open then.
        {"mode 000", [&] { datenbank(p, kundenTabelle); ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0), 0); }, {}, {}, "Berechtigung", "", {}, nullptr},
        {"deleted before the click", kunden, weg, {}, "", "", {}, nullptr},
        {"a folder before the click", kunden, [&] { weg(); QDir(dir.path()).mkdir(QStringLiteral("wechsel.mdb")); }, {}, "", "", {}, nullptr},
        {"another database before the click", kunden, andere, {}, nullptr, nullptr, "-----------------------------\r\ngesamt gefundene Felder: 0\r\n", "Artikel"},
        {"deleted before the search", kunden, {}, weg, nullptr, "", {}, nullptr},
        {"text before the search", kunden, {}, inhalt(zufall(3 * 4096, 3)), nullptr, "", {}, nullptr},
        // The message names the table and the file; the chosen table stays in the box.
        {"a database without the table before the search", kunden, {}, andere, nullptr, "Kunden", {}, "Artikel"},
        // The search reads the file as it is at the start.
        {"other records before the search", kunden, {}, [&] {
             weg();
             datenbank(p, [](auto& db) {
                 const int k = db.addTable("Kunden", {{"Name", ColumnType::Text, 30}});
                 db.addRow(k, {Cell::text("Schmidt")}), db.addRow(k, {Cell::text("Maller")});
             });
         }, nullptr, nullptr, "Satz: 2\t\tName\tFeldinhalt: Maller\r\n-----------------------------\r\ngesamt gefundene Felder: 1\r\n", nullptr},
    };
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("x.mdb")));
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.was);
        if (::geteuid() == 0 && f.klick && *f.klick)
            continue;
        weg();
        f.anlegen();
        fenster->File1->aktualisieren();
        guteSuche();
        if (f.vorKlick)
            f.vorKlick();
        QStringList erwartet = zustand();
        const QString klick = tun(QStringLiteral("datei wechsel.mdb"));
        if (f.tabellen && f.vorKlick)
            erwartet[4] = QStringLiteral("Tabellen: ") + QString::fromUtf8(f.tabellen);
        erwartet[3] = QStringLiteral("gewählt: wechsel.mdb");
        erwartet[5] = QStringLiteral("Tabelle: ") + QString::fromUtf8(f.klick ? "" : f.vorKlick && f.tabellen ? f.tabellen : "Kunden");
        if (f.klick) {
            EXPECT_TRUE(nennt(klick, p, QString::fromUtf8(f.klick))) << klick.toStdString();
            EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
        } else {
            EXPECT_EQ(klick, QString());
        }
        EXPECT_EQ(zustand(), erwartet);
        if (f.suche == ohneSuche)
            continue;
        if (f.vorSuche)
            f.vorSuche();
        const QString suche = tun(QStringLiteral("suche"));
        if (!f.suche) {
            EXPECT_EQ(suche, QStringLiteral("Ende des Suchlaufes!"));
            EXPECT_EQ(protokollBytes(), f.protokoll);
            continue;
        }
        erwartet.back() = QStringLiteral("List1: ");
        if (f.tabellen && f.vorSuche)
            erwartet[4] = QStringLiteral("Tabellen: ") + QString::fromUtf8(f.tabellen);
        EXPECT_TRUE(nennt(suche, p, QString::fromUtf8(f.suche))) << suche.toStdString();
        EXPECT_EQ(zustand(), erwartet);
        EXPECT_EQ(protokollBytes(), kundenProtokoll);
        if (f.klick) {
            // Nothing stays open; the table window on it ends with the same message.
            EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
            bool offen = false;
            nebenfenster.beiTabelleninhaltZeigen = [&] { offen = true; };
            EXPECT_TRUE(nennt(tun(QStringLiteral("inhalt")), p)) << gezeigt().toStdString();
            EXPECT_FALSE(offen);
            EXPECT_EQ(zustand(), erwartet);
            EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
            nebenfenster.beiTabelleninhaltZeigen = nullptr;
        }
    }
    // A directory is no file to choose.
    EXPECT_TRUE(fenster->File1->findItems(QStringLiteral("x.mdb"), Qt::MatchExactly).isEmpty());
    guteSuche();
}

// --- files that change after the file list was read ---------------------------------

// One zeroed data page in the middle of the table: the rows on the other
// pages are searched, and list, protocol and a message say which page is
// missing, so the run does not pass for a complete one.
TEST_F(Eingaben, AZeroedPageIsReadPastAndNamedInListProtocolAndMessage)
{
    qint64 loch = 0;
    int verloren = 0;  // hits on the zeroed page
    const QString datei = viele("loch.mdb", 20000, [&](const QString& p) {
        const auto seiten = datenseiten(p);
        ASSERT_GT(seiten.size(), 10u);
        const std::size_t mitte = seiten.size() / 2;
        loch = seiten[mitte].first;
        int davor = 0;  // records on the pages before the hole
        for (std::size_t i = 0; i < mitte; ++i)
            davor += seiten[i].second;
        verloren = (davor + seiten[mitte].second) / 10 - davor / 10;
        schreiben(p, QByteArray(4096, 0), loch * 4096);
    });
    ASSERT_GT(verloren, 0);
    fenster->Command1_Click();
    fehlerUndEnde(datei, QStringLiteral("Seite %1: ").arg(loch));
    const QStringList liste = fenster->ergebnisse().alleZeilen();
    ASSERT_GE(liste.size(), 3);
    const QString unvollstaendig = QStringLiteral("Suchlauf unvollständig: Tabelle Viele, Seite %1 beschädigt").arg(loch);
    EXPECT_EQ(liste.mid(liste.size() - 3), (QStringList{unvollstaendig, QString(29, u'-'), liste.last()}));
    EXPECT_EQ(liste.last(), QStringLiteral("gesamt gefundene Felder: %1").arg(2000 - verloren));
    EXPECT_EQ(liste, listeWieProtokoll());
    guteSuche();
}

// At the first events of the run, while the reader holds the file open, the
// file loses all but its first pages: the run ends with a message naming it,
// and the protocol is whole up to where it ended (past the hits of those
// first records, short of the table's end). Or its name goes away: the run
// reads to the end, and the next search names the file.
TEST_F(Eingaben, AFileCutShortOrDeletedDuringTheRun)
{
    for (const bool kuerzen : {true, false}) {
        SCOPED_TRACE(kuerzen ? "cut short" : "deleted");
        const int saetze = kuerzen ? 20000 : 3000;
        const QString datei = viele(kuerzen ? "gross.mdb" : "viele.mdb", saetze);
        bool getan = false;
        QTimer::singleShot(0, fenster.get(), [&] {
            getan = fenster->suchlaufAktiv() && (kuerzen ? QFile::resize(datei, 4 * 4096) : QFile::remove(datei));
        });
        fenster->Command1_Click();
        ASSERT_TRUE(getan);
        EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
        const QByteArray bytes = protokollBytes();
        const int treffer = bytes.mid(bytes.lastIndexOf("gesamt gefundene Felder: ") + 25).trimmed().toInt();
        EXPECT_EQ(bytes, vieleProtokoll(treffer * 10));
        EXPECT_EQ(fenster->ergebnisse().alleZeilen(), listeWieProtokoll());
        if (kuerzen) {
            fehlerUndEnde(datei);
            EXPECT_GE(treffer, Suche::Suchlauf::EreignisTakt / 10);
            EXPECT_LT(treffer, saetze / 10);
        } else {
            EXPECT_EQ(gezeigt(), QStringLiteral("Ende des Suchlaufes!"));
            EXPECT_EQ(treffer, saetze / 10);
            EXPECT_EQ(fenster->Text2->text(), QString::number(saetze));
            EXPECT_TRUE(nennt(tun(QStringLiteral("suche")), datei)) << gezeigt().toStdString();
            EXPECT_EQ(protokollBytes(), bytes);
        }
    }
}

// --- a protocol that cannot be written -------------------------------------------

// The file-size limit of the process: the file system takes no more bytes
// than that, as a full disk does.
struct Dateigrenze {
    rlimit alt{};
    void (*signalVorher)(int) = std::signal(SIGXFSZ, SIG_IGN);
    bool gesetzt = false;
    explicit Dateigrenze(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &alt);
        rlimit neu{std::min(bytes, alt.rlim_max), alt.rlim_max};
        gesetzt = ::setrlimit(RLIMIT_FSIZE, &neu) == 0;
    }
    ~Dateigrenze() { ::setrlimit(RLIMIT_FSIZE, &alt); std::signal(SIGXFSZ, signalVorher); }
};

// What lies at a path: a file's bytes, a directory's entries, or its kind.
QByteArray abbild(const QString& p)
{
    const QFileInfo i(p);
    if (i.isDir())
        return "Ordner: " + QDir(p).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).join(u',').toUtf8();
    if (!i.isFile())
        return i.exists() ? "keine Datei" : "fehlt";
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unlesbar");
}

// A protocol that cannot be written, or must not be, ends the run with one
// message naming it; the target stays as it was, no file is left beside it,
// and the protocol of the last search is kept.
TEST_F(Eingaben, AProtocolThatCannotBeWrittenLeavesItsTargetAndThePreviousOne)
{
    viele("viele.mdb", 30000);  // 3000 hits: more than one block of the writer
    ASSERT_TRUE(QFile::copy(pfad(QStringLiteral("kunden.mdb")), pfad(QStringLiteral("Datenbank.txt"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pfad(QStringLiteral("fifo"))).constData(), 0644), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("nurlesen")));
    ASSERT_EQ(::chmod(QFile::encodeName(pfad(QStringLiteral("nurlesen"))).constData(), 0555), 0);
    fenster->File1->aktualisieren();
    const QString standard = protokoll;
    const QString alt = pfad(QStringLiteral("altes.txt"));
    const rlim_t ohneGrenze = RLIM_INFINITY;
    const struct {
        const char* was;
        QString ziel;
        rlim_t grenze;       // the file-size limit during the run
        const char* grund;   // part of the message
        std::function<void()> imLauf;
        QByteArray nachher;  // what the target holds then; empty: what it held before
    } faelle[] = {
        // 64 KB blocks during the run, and the rest at the end: both writes fail.
        {"a full disk during the run", standard, 16 * 1024, "kann nicht geschrieben werden", {}, {}},
        {"a full disk at the end", standard, Protokoll::Schreiber::Blockgroesse + 16 * 1024, "kann nicht geschrieben werden", {}, {}},
        // The new protocol replaces the old one only at the end of the run; a
        // directory that took the old one's place by then stops that. The old
        // protocol is moved aside first, to compare.
        {"a directory in its place at the end", standard, ohneGrenze, "kann nicht gespeichert werden",
         [&] {
             ASSERT_TRUE(fenster->suchlaufAktiv());
             ASSERT_TRUE(QFile::rename(standard, alt) && QDir(dir.path()).mkdir(QStringLiteral("Protokoll.txt")));
             schreiben(standard + QStringLiteral("/darin.txt"), "bleibt");
         },
         "Ordner: darin.txt"},
        // Below a regular file nothing can be created, for root as well.
        {"a place below a file", pfad(QStringLiteral("kunden.mdb/Protokoll.txt")), ohneGrenze, "kann nicht angelegt werden", {}, {}},
        {"a folder that does not exist", QStringLiteral("/proc/zelk-feldspur-gibt-es-nicht/Protokoll.txt"), ohneGrenze, "", {}, {}},
        {"a read-only folder (root writes there all the same)", pfad(QStringLiteral("nurlesen/Protokoll.txt")), ohneGrenze, "", {}, {}},
        {"the searched file", pfad(QStringLiteral("viele.mdb")), ohneGrenze, "", {}, {}},
        {"a database under another name", pfad(QStringLiteral("Datenbank.txt")), ohneGrenze, "", {}, {}},
        {"a FIFO", pfad(QStringLiteral("fifo")), ohneGrenze, "", {}, {}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.was);
        if (f.ziel.contains(QStringLiteral("nurlesen")) && ::geteuid() == 0)
            continue;
        guteSuche();
        tun(QStringLiteral("datei viele.mdb | text treffer"));
        const QStringList vorher = zustand();
        protokoll = f.ziel;
        const QByteArray ziel = abbild(f.ziel);
        if (f.imLauf)
            QTimer::singleShot(0, fenster.get(), f.imLauf);
        recorder->leeren();
        {
            const Dateigrenze g(f.grenze);
            ASSERT_TRUE(g.gesetzt);
            fenster->Command1_Click();
        }
        fehlerUndEnde(QDir::toNativeSeparators(f.ziel), QString::fromUtf8(f.grund));
        EXPECT_EQ(DB::Verbindung().State(), Datenzugriff::adStateClosed);
        EXPECT_FALSE(fenster->suchlaufAktiv());
        QStringList jetzt = zustand();
        jetzt[7] = vorher[7];  // Text2: how far the run got
        EXPECT_EQ(jetzt.mid(0, 10), vorher.mid(0, 10));  // List1 aside
        EXPECT_EQ(abbild(f.ziel), f.nachher.isEmpty() ? ziel : f.nachher);
        EXPECT_TRUE(protokollReste().isEmpty()) << protokollReste().join(u',').toStdString();
        protokoll = standard;
        if (f.imLauf) {
            EXPECT_EQ(abbild(alt), kundenProtokoll);
            ASSERT_TRUE(QDir(standard).removeRecursively() && QFile::rename(alt, standard));
        }
        EXPECT_EQ(protokollBytes(), kundenProtokoll);
    }
    guteSuche();
}

}  // namespace
