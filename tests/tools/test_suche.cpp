// The command-line search, as a user runs it: same protocol as the window,
// whole folders with healthy and bad files, exit codes as grep has them.

#include "MdbWriter.h"
#include "Protokoll.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

using namespace mdbwriter;
using namespace Qt::StringLiterals;

namespace {

struct Ergebnis {
    int code;
    QByteArray aus, fehler;
};

// The search in a fixed locale, unless the case gives its own; as another
// user where root would read every file.
// gleichzeitig: files searched at once, 0 as the program chooses.
Ergebnis suche(const QStringList& argumente, const QByteArray& locale = "C.UTF-8", bool alsNiemand = false, int gleichzeitig = 0)
{
    QProcess p;
    QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment();
    umgebung.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
    if (gleichzeitig > 0)
        umgebung.insert(QStringLiteral("ZF_SUCHE_DATEIEN"), QString::number(gleichzeitig));
    p.setProcessEnvironment(umgebung);
    if (alsNiemand)
        p.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                       QStringLiteral("--clear-groups"), QStringLiteral(SUCHE_PROGRAMM)}
                                               + argumente);
    else
        p.start(QStringLiteral(SUCHE_PROGRAMM), argumente);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// A table of one text column with these values.
void textTabelle(Database& db, const char* name, const char* spalte, std::initializer_list<const char*> werte)
{
    const int t = db.addTable(name, {{spalte, ColumnType::Text, 30}});
    for (const char* w : werte)
        db.addRow(t, {Cell::text(w)});
}

// The closing lines of a search with n hits, as the protocol has them.
QByteArray schluss(int n, const char* zeilenende = "\n")
{
    return (Protokoll::schlussStriche() + QString::fromLatin1(zeilenende) + Protokoll::gesamtZeile(n)).toUtf8() + zeilenende;
}

class Kommandozeile : public ::testing::Test {
protected:
    void SetUp() override
    {
        datei = dir.filePath(QStringLiteral("k.mdb"));
        Database db(datei.toStdString(), Format::Jet3);
        const int t = db.addTable("Kunden Alt", {{"Nr", ColumnType::Long}, {"Name", ColumnType::Text, 30}});
        db.addRow(t, {Cell::integer(1), Cell::text("Müller")});
        db.addRow(t, {Cell::integer(2), Cell::text("m*ller")});
        db.finish();
        // Jet 3 keeps text in a code page of its own; Cyrillic needs Jet 4.
        Database jet4(datei4.toStdString(), Format::Jet4);
        textTabelle(jet4, "Russisch", "Name", {"Пётр Müller"});
        textTabelle(jet4, "Kunden Alt", "Name", {});
        // A name no bracketed statement can hold, a value that would forge
        // a line, swap the text's direction and clear a terminal.
        textTabelle(jet4, "Alt [2020]]", "Name", {"Müller\r\nSatz: 9\u202E\x1b[2J"});
        jet4.finish();
    }
    // "a|b|c" as arguments; @3 and @4 name the two files, @d the folder.
    QString pfade(const char* a) const
    {
        return QString::fromUtf8(a).replace(u"@3"_s, datei).replace(u"@4"_s, datei4).replace(u"@d"_s, dir.path());
    }
    QTemporaryDir dir;
    QString datei, datei4 = dir.filePath(QStringLiteral("k4.mdb"));
};

// What a path holds: its kind, inode, time and, for a file, its bytes.
auto abbild(const QString& pfad)
{
    struct stat s {};
    EXPECT_EQ(stat(pfad.toLocal8Bit().constData(), &s), 0);
    QFile z(pfad);
    const QByteArray inhalt = S_ISREG(s.st_mode) && z.open(QIODevice::ReadOnly) ? z.readAll() : QByteArray();
    return std::tuple{s.st_mode, s.st_ino, s.st_mtim.tv_nsec, inhalt};
}

// Calls, the answers on standard output byte for byte, the exit codes as
// grep has them.
TEST_F(Kommandozeile, AnswersToEveryKindOfCall)
{
    const QByteArray d4 = datei4.toUtf8(), d3 = datei.toUtf8();
    const QByteArray pjotr = "\xD0\x9F\xD1\x91\xD1\x82\xD1\x80 M\xC3\xBC" "ller";
    const QByteArray zeichenZeile = "Satz: 1\t\tName\tFeldinhalt: Müller\\r\\nSatz: 9\\u202e\\x1b[2J\n";
    const QString nie = u"\" wird nicht geschrieben: das Ziel ist "_s;
    const auto json = [](const QByteArray& datei, const char* tabelle, int satz, const QByteArray& wert) {
        return "{\"datei\":\"" + datei + "\",\"tabelle\":\"" + tabelle + "\",\"satz\":" + QByteArray::number(satz) + ",\"feld\":\"Name\",\"wert\":\"" + wert + "\"}\n";
    };
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"leer"_s));
    {
        // The definition page of the first table broken: the reader gives up
        // on the file, and the tables after it are named, not tried.
        Database db(dir.filePath(u"tdef.mdb"_s).toStdString(), Format::Jet4);
        const int a = db.addTable("A", {{"Name", ColumnType::Text, 30}});
        db.addRow(a, {Cell::text("Müller")});
        textTabelle(db, "B", "Name", {"Müller"});
        db.finish();
        QFile f(dir.filePath(u"tdef.mdb"_s));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.seek(qint64(db.tableId(a)) * 4096));
        f.write("\x07");
    }
    // Targets the protocol must never replace: a database under another name
    // (also behind a link), a searched file by another name, no plain file.
    ASSERT_TRUE(QFile::copy(datei4, dir.filePath(u"archiv.txt"_s)) && QFile::link(dir.filePath(u"archiv.txt"_s), dir.filePath(u"verweis.txt"_s))
                && QFile::link(datei, dir.filePath(u"selbst.txt"_s)) && QDir(dir.path()).mkdir(u"ordner"_s));
    ASSERT_EQ(mkfifo(dir.filePath(u"fifo"_s).toLocal8Bit().constData(), 0644), 0);
    const struct {
        const char* argumente;  // separated by "|"; @3, @4: the two files, @d: the folder
        int code;
        std::optional<QByteArray> aus = std::nullopt;  // none: not looked at
        const char* fehler = nullptr;  // part of standard error; null: none (no progress without a terminal)
        const char* locale = "C.UTF-8";
        std::optional<QByteArray> protokoll = std::nullopt;  // what @d/p.txt then holds
        const char* ziel = nullptr;  // the protocol refused: "ziel" stays as it was, nothing is searched
    } faelle[] = {
        // The protocol's own form, and the text form in the locale's encoding with LF.
        {"@3|Kunden Alt|m*ller|--format|protokoll", 0, "Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\nSatz: 2\t\tName\tFeldinhalt: m*ller\r\n" + schluss(2, "\r\n")},
        {"@3|Kunden Alt|m*ller", 0, "Satz: 1\t\tName\tFeldinhalt: Müller\nSatz: 2\t\tName\tFeldinhalt: m*ller\n" + schluss(2)},
        // The exit codes; nothing searched is no protocol that looks like one without hits.
        {"@3|Kunden Alt|Schmidt", 1},
        // A field the table lacks fails the named table; among all tables it only skips one.
        {"@3|Kunden Alt|a|--felder|Gibtsnicht", 2, "", "keine Felder Gibtsnicht"},
        {"--alle-tabellen|@3|a|--felder|Gibtsnicht", 1, std::nullopt, "keine Felder Gibtsnicht"},
        // A folder without databases: searched, nothing found, no error.
        {"--alle-tabellen|@d/leer|a", 1, schluss(0)},
        {"--alle-tabellen|@d/tdef.mdb|ller", 2, std::nullopt, "nach diesem Fehler nicht durchsucht: „B“"},
        {"@3|Kunden Alt", 2, "", "Aufruf"},
        {"@d/fehlt.mdb|T|a", 2, "", "fehlt.mdb"},
        {"@3|Kunden|a", 2, "", "„Kunden“"},
        {"--protokoll|/proc/nein/p.txt|@3|Kunden Alt|a", 2, "", "/proc/nein/p.txt"},
        {"-q|@3|Kunden Alt|Schmidt", 1, ""},
        // A hit answers -q even when another file fails, as with grep.
        {"-q|@d/fehlt.mdb|@3|Kunden Alt|ller", 0, "", "fehlt.mdb"},
        // The protocol keeps its code page; standard output follows the locale.
        {"@4|Russisch|ller|--format|protokoll", 0, "Satz: 1\t\tName\tFeldinhalt: \xCF\xB8\xF2\xF0 M?ller\r\n" + schluss(1, "\r\n"), nullptr, "ru_RU.UTF-8"},
        {"@4|Russisch|ller|--format|protokoll", 0, "Satz: 1\t\tName\tFeldinhalt: ???? M\xFCller\r\n" + schluss(1, "\r\n"), nullptr, "de_DE.UTF-8"},
        {"@4|Russisch|ller", 0, "Satz: 1\t\tName\tFeldinhalt: " + pjotr + "\n" + schluss(1), nullptr, "ru_RU.UTF-8"},
        {"@4|Russisch|ller", 0, "Satz: 1\t\tName\tFeldinhalt: ???? M\xFCller\n" + schluss(1), nullptr, "de_DE.ISO-8859-15"},
        {"@4|Russisch|ller|--utf8", 0, "Satz: 1\t\tName\tFeldinhalt: " + pjotr + "\n" + schluss(1), nullptr, "de_DE.ISO-8859-15"},
        {"@4|Russisch|ller", 0, "Satz: 1\t\tName\tFeldinhalt: \xF0\xA3\xD4\xD2 M?ller\n" + schluss(1), nullptr, "ru_RU.KOI8-R"},
        // Every table whatever its name, blanks and brackets too: each is
        // opened by its name; no value forges a line or steers a terminal.
        {"--alle-tabellen|@4|ller|--format=protokoll", 0,
         ">>Datei: " + d4 + "\tTabelle: Russisch\r\nSatz: 1\t\tName\tFeldinhalt: ???? M\xFCller\r\n>>Datei: " + d4
             + "\tTabelle: Alt [2020]]\r\nSatz: 1\t\tName\tFeldinhalt: M\xFCller\r\nSatz: 9?\x1b[2J\r\n" + schluss(2, "\r\n")},
        {"@4|Alt [2020]]|ller", 0, zeichenZeile + schluss(1)},
        {"--alle-tabellen|@4|ller", 0, d4 + "\tRussisch\tSatz: 1\t\tName\tFeldinhalt: Пётр Müller\n" + d4 + "\tAlt [2020]]\t" + zeichenZeile + schluss(2)},
        // One JSON object a line: the values as they are, control characters
        // escaped; with a field selection the record's chosen fields come along.
        {"--json|--alle-tabellen|@4|@3|ller", 0,
         json(d4, "Russisch", 1, pjotr) + json(d4, "Alt [2020]]", 1, "Müller\\r\\nSatz: 9\u202E\\u001b[2J") + json(d3, "Kunden Alt", 1, "Müller")
             + json(d3, "Kunden Alt", 2, "m*ller"), nullptr, "de_DE.ISO-8859-1"},
        {"--json|--felder=Name|--info=Nr|@3|Kunden Alt|müller", 0, json(d3, "Kunden Alt", 1, "Müller").chopped(2) + ",\"felder\":{\"Nr\":\"1\",\"Name\":\"Müller\"}}\n"},
        // grep's options.
        {"-m1|@3|Kunden Alt|ller", 0, "Satz: 1\t\tName\tFeldinhalt: Müller\n" + schluss(1)},
        {"-c|@3|Kunden Alt|ller", 0, "2\n"},
        {"-c|--alle-tabellen|@4|ller", 0, d4 + "\tRussisch\t1\n" + d4 + "\tKunden Alt\t0\n" + d4 + "\tAlt [2020]]\t1\n"},
        {"-l|--alle-tabellen|@4|@3|schmidt", 1, ""},
        {"-l|--alle-tabellen|@4|@3|ller", 0, d4 + "\n" + d3 + "\n"},
        {"--color=always|@4|Russisch|LLER", 0, "Satz: 1\t\tName\tFeldinhalt: Пётр Mü\033[01;31m\033[Kller\033[m\033[K\n" + schluss(1)},
        {"--color=auto|@4|Russisch|LLER", 0, "Satz: 1\t\tName\tFeldinhalt: Пётр Müller\n" + schluss(1)},  // no terminal here
        {"--tabellen|@4", 0, "Russisch\nKunden Alt\nAlt [2020]]\n"},
        {"--tabellen|@3|@4", 0, d3 + "\tKunden Alt\n" + d4 + "\tRussisch\n" + d4 + "\tKunden Alt\n" + d4 + "\tAlt [2020]]\n"},
        // Into a file: standard output stays empty; the file has the protocol's
        // form and code page whatever the locale.
        {"--ohne-wildcards|@3|Kunden Alt|m*ller|--protokoll|@d/p.txt", 0, "", nullptr, "C.UTF-8", "Satz: 2\t\tName\tFeldinhalt: m*ller\r\n" + schluss(1, "\r\n")},
        {"@4|Russisch|ller|--protokoll|@d/p.txt", 0, "", nullptr, "ru_RU.UTF-8", "Satz: 1\t\tName\tFeldinhalt: \xCF\xB8\xF2\xF0 M?ller\r\n" + schluss(1, "\r\n")},
        {"--protokoll|@3|@3|Kunden Alt|ller", 2, "", "eine der durchsuchten Dateien", "C.UTF-8", std::nullopt, "@3"},
        {"--protokoll|@d/selbst.txt|@3|Kunden Alt|ller", 2, "", "eine der durchsuchten Dateien", "C.UTF-8", std::nullopt, "@d/selbst.txt"},
        {"--protokoll|@d/archiv.txt|@3|Kunden Alt|ller", 2, "", "eine Access-Datenbank", "C.UTF-8", std::nullopt, "@d/archiv.txt"},
        {"--protokoll|@d/verweis.txt|@3|Kunden Alt|ller", 2, "", "eine Access-Datenbank", "C.UTF-8", std::nullopt, "@d/verweis.txt"},
        {"--protokoll|@d/fifo|@3|Kunden Alt|ller", 2, "", "keine gewöhnliche Datei", "C.UTF-8", std::nullopt, "@d/fifo"},
        {"--protokoll|/dev/null|@3|Kunden Alt|ller", 2, "", "keine gewöhnliche Datei", "C.UTF-8", std::nullopt, "/dev/null"},
        {"--protokoll|@d/ordner|@3|Kunden Alt|ller", 2, "", "ein Ordner", "C.UTF-8", std::nullopt, "@d/ordner"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(std::string(f.argumente) + " / " + f.locale);
        const auto vorher = f.ziel ? abbild(pfade(f.ziel)) : decltype(abbild({})){};
        const auto e = suche(pfade(f.argumente).split(u'|'), f.locale);
        EXPECT_EQ(e.code, f.code) << e.fehler.toStdString();
        if (f.aus) {
            EXPECT_EQ(e.aus, *f.aus) << e.aus.toStdString();
        }
        const QString fehler = QString::fromUtf8(e.fehler);
        EXPECT_TRUE(f.fehler ? fehler.contains(QString::fromUtf8(f.fehler)) : fehler.isEmpty()) << e.fehler.toStdString();
        if (f.protokoll) {
            QFile p(dir.filePath(u"p.txt"_s));
            EXPECT_TRUE(p.open(QIODevice::ReadOnly) && p.readAll() == *f.protokoll);
        }
        if (f.ziel) {
            EXPECT_TRUE(fehler.contains(u'"' + pfade(f.ziel) + nie)) << e.fehler.toStdString();
            EXPECT_TRUE(abbild(pfade(f.ziel)) == vorher);
        }
    }

    const auto v = suche({QStringLiteral("--version")});
    EXPECT_EQ(v.code, 0);
    EXPECT_TRUE(v.aus.startsWith("zelk-feldspur-suche (ZELK-Feldspur) ")) << v.aus.toStdString();
    const auto h = suche({QStringLiteral("--help")});
    EXPECT_EQ(h.code, 0);
    const QString hilfe = QString::fromUtf8(h.aus);
    for (const char* o : {"--alle-tabellen", "-r", "--ohne-wildcards", "--protokoll", "--utf8", "-l", "-c", "-q", "-m", "--color",
                          "--json", "--format", "--tabellen", "--version", "Rückgabewert"})
        EXPECT_TRUE(hilfe.contains(QString::fromUtf8(o))) << o;
    EXPECT_FALSE(hilfe.contains(QLatin1String("--im-prozess")));
}

// --- a folder of files --------------------------------------------------------

class Ordnersuche : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Root reads every file: the unreadable one needs another user then.
        if (geteuid() == 0 && suche({QStringLiteral("--help")}, "C.UTF-8", true).code != 0)
            GTEST_SKIP() << "setpriv kann das Programm nicht als anderer Benutzer starten";
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("unter")));
        ASSERT_EQ(chmod(dir.path().toLocal8Bit().constData(), 0755), 0);
        {
            Database db(pfad("gesund3.mdb").toStdString(), Format::Jet3);
            const int k = db.addTable("Kunden", {{"Nr", ColumnType::Long}, {"Name", ColumnType::Text, 30}});
            db.addRow(k, {Cell::integer(1), Cell::text("Müller")});
            db.addRow(k, {Cell::integer(2), Cell::text("Meier")});
            db.addRow(k, {Cell::integer(3), Cell::text("MÜLLER")});
            textTabelle(db, "Orte", "Ort", {"Müllheim"});
            textTabelle(db, "~TMPCLP1", "A", {"Müller"});
            textTabelle(db, "Leer", "A", {});
            db.finish();
        }
        {
            Database db(pfad("unter/gesund4.MDB").toStdString(), Format::Jet4);
            textTabelle(db, "Personen", "Name", {"Bernd", "Anna Müller"});
            db.finish();
        }
        {
            Database db(pfad("kaputt_mitte.mdb").toStdString(), Format::Jet4);
            const int v = db.addTable("V", {{"Name", ColumnType::Text, 30}});
            for (int i = 0; i < 30000; ++i)
                db.addRow(v, {Cell::text(i % 500 == 0 ? "Müller" : "Schmidt")});
            textTabelle(db, "W", "Name", {});
            db.finish();
            QFile f(pfad("kaputt_mitte.mdb"));
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 3);  // in the pages of V
            f.write(QByteArray(4096 * 8, char(0xFF)));
        }
        {
            ASSERT_TRUE(QFile::copy(pfad("gesund3.mdb"), pfad("kaputt_katalog.mdb")));
            QFile f(pfad("kaputt_katalog.mdb"));
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.seek(2 * 2048);  // the catalogue's page (Jet 3 pages are 2 KB)
            f.write("\x07");
        }
        for (const auto& [name, inhalt] : {std::pair{"leer.mdb", ""}, {"text.mdb", "Müller ist keine Datenbank\n"}, {"notiz.txt", "Müller"}}) {
            QFile f(pfad(name));  // notiz.txt is no *.mdb: not searched
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(inhalt) >= 0);
        }
        ASSERT_TRUE(QFile::copy(pfad("gesund3.mdb"), pfad("gesperrt.mdb")));
        QFile::setPermissions(pfad("gesperrt.mdb"), QFile::WriteOwner);
        ASSERT_EQ(mkfifo(pfad("warteschlange.mdb").toLocal8Bit().constData(), 0644), 0);
    }

    QString pfad(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QByteArray kopf(const char* name, const char* tabelle) const
    {
        return ">>Datei: " + pfad(name).toUtf8() + "\tTabelle: " + tabelle + "\r\n";
    }
    // The protocol's bytes, as the window would write them.
    Ergebnis imOrdner(const QStringList& argumente) const
    {
        return suche(argumente + QStringList{QStringLiteral("--format=protokoll")}, "C.UTF-8", geteuid() == 0);
    }

    QTemporaryDir dir;
};

TEST_F(Ordnersuche, HealthyFilesGiveTheirHitsEveryOtherFileAMessage)
{
    const auto e = imOrdner({QStringLiteral("--alle-tabellen"), QStringLiteral("-r"), dir.path(), QStringLiteral("müll")});
    EXPECT_EQ(e.code, 2);

    // The bad files, in the file list's order, each once with its name.
    const QStringList meldungen = QString::fromUtf8(e.fehler).split(u'\n', Qt::SkipEmptyParts);
    const char* schlecht[] = {"gesperrt.mdb", "kaputt_katalog.mdb", "kaputt_mitte.mdb", "leer.mdb", "text.mdb",
                              "warteschlange.mdb"};
    ASSERT_EQ(meldungen.size(), qsizetype(std::size(schlecht))) << e.fehler.toStdString();
    for (std::size_t i = 0; i < std::size(schlecht); ++i)
        EXPECT_TRUE(meldungen[qsizetype(i)].startsWith(QStringLiteral("zelk-feldspur-suche: ") + pfad(schlecht[i]) + u':'))
            << meldungen[qsizetype(i)].toStdString();
    EXPECT_TRUE(meldungen[1].contains(QStringLiteral("beschädigt")));
    EXPECT_TRUE(meldungen[2].contains(QStringLiteral("Tabelle „V“: unvollständig durchsucht")));

    // Healthy files whole; the file damaged in the middle gives the hits
    // before and behind the damage and says that it is incomplete.
    const QByteArray gesund3 = kopf("gesund3.mdb", "Kunden")
                               + "Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\nSatz: 3\t\tName\tFeldinhalt: M\xDCLLER\r\n"
                               + kopf("gesund3.mdb", "Orte") + "Satz: 1\t\tOrt\tFeldinhalt: M\xFCllheim\r\n";
    const QByteArray gesund4 = kopf("unter/gesund4.MDB", "Personen") + "Satz: 2\t\tName\tFeldinhalt: Anna M\xFCller\r\n";
    ASSERT_TRUE(e.aus.startsWith(gesund3 + kopf("kaputt_mitte.mdb", "V"))) << e.aus.toStdString();
    QByteArray rest = e.aus.mid(gesund3.size() + kopf("kaputt_mitte.mdb", "V").size());
    int lesbar = 0;
    while (rest.startsWith("Satz: ") && rest.contains("\t\tName\tFeldinhalt: M\xFCller\r\n")) {
        rest = rest.mid(rest.indexOf('\n') + 1);
        ++lesbar;
    }
    EXPECT_GT(lesbar, 40);
    EXPECT_LT(lesbar, 60);  // 60 rows hold the name, some on the damaged pages
    ASSERT_TRUE(rest.startsWith("Suchlauf unvollst\xE4ndig: Tabelle V, Seite")) << rest.toStdString();
    rest = rest.mid(rest.indexOf('\n') + 1);
    EXPECT_EQ(rest, gesund4 + schluss(4 + lesbar, "\r\n"));

    // Without -r the subfolders stay out; a named table is searched in every file.
    QFile::remove(pfad("warteschlange.mdb"));
    const auto o = imOrdner({dir.path(), QStringLiteral("Orte"), QStringLiteral("heim")});
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(o.aus, kopf("gesund3.mdb", "Orte") + "Satz: 1\t\tOrt\tFeldinhalt: M\xFCllheim\r\n" + schluss(1, "\r\n"));
    EXPECT_FALSE(o.fehler.contains("gesund4")) << o.fehler.toStdString();
    EXPECT_TRUE(o.fehler.contains("kaputt_mitte.mdb: Tabelle „Orte“")) << o.fehler.toStdString();
}

// Several files at once write the bytes of one file after the other: every
// output form, the messages on standard error in their order, the exit code.
// The slow damaged file sits between quick ones, so later files finish first.
TEST_F(Ordnersuche, FilesAtOnceGiveTheBytesOfOneAfterTheOther)
{
    QTemporaryDir ablage;  // writable for the user the search runs as
    ASSERT_EQ(chmod(ablage.path().toLocal8Bit().constData(), 0777), 0);
    const QString protokoll = ablage.filePath(QStringLiteral("protokoll.txt"));
    for (const char* formText : {"--format=protokoll", "--format=text|--felder=Name,Ort", "--format=json", "-l", "-c", "-q", "-m|1", "--protokoll|@p"}) {
        const QStringList form = QString::fromUtf8(formText).replace(QStringLiteral("@p"), protokoll).split(u'|');
        const QStringList argumente = form + QStringList{QStringLiteral("--alle-tabellen"), QStringLiteral("-r"), dir.path(), QStringLiteral("m")};
        const auto lesen = [&](int gleichzeitig) {
            Ergebnis e = suche(argumente, "C.UTF-8", geteuid() == 0, gleichzeitig);
            QFile f(protokoll);
            if (f.open(QIODevice::ReadOnly))
                e.aus += "\n--- Datei ---\n" + f.readAll();
            QFile::remove(protokoll);
            return e;
        };
        const Ergebnis einzeln = lesen(1);
        EXPECT_FALSE(einzeln.fehler.isEmpty()) << form.join(u' ').toStdString();
        for (int gleichzeitig : {2, 5}) {
            const Ergebnis verteilt = lesen(gleichzeitig);
            EXPECT_EQ(verteilt.code, einzeln.code) << form.join(u' ').toStdString() << " " << gleichzeitig;
            EXPECT_EQ(verteilt.aus, einzeln.aus) << form.join(u' ').toStdString() << " " << gleichzeitig;
            EXPECT_EQ(verteilt.fehler, einzeln.fehler) << form.join(u' ').toStdString() << " " << gleichzeitig;
        }
    }
}

// Progress goes to standard error only when that is a terminal: script(1)
// gives the search one, standard output goes elsewhere.
TEST_F(Ordnersuche, ProgressOnATerminal)
{
    QProcess p;
    p.start(u"script"_s, {u"-qec"_s, u"'%1' --alle-tabellen '%2' x >/dev/null"_s.arg(QStringLiteral(SUCHE_PROGRAMM), pfad("gesund3.mdb")), u"/dev/null"_s});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    for (const char* tabelle : {"gesund3.mdb: Kunden", "gesund3.mdb: Orte", "gesund3.mdb: Leer"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(tabelle))) << tabelle << "\n" << text.toStdString();
    // Small tables say how far the run got, not "0 Sätze".
    EXPECT_TRUE(text.contains(QStringLiteral("gesund3.mdb: Leer  Satz 0 · Tabelle 3 · 4 Sätze bisher"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\033[K")));  // the line is cleared at the end
}

// --- real files ---------------------------------------------------------------

// Every table of a real file is searched, "Order Details" too (the table
// list of the window leaves it out: its unbracketed name fails); a linked
// table is named as skipped with its file, and that alone is no error.
TEST(EchteDateien, AllTablesSearchedLinkedTablesNamed)
{
    const auto stamm = suche({QStringLiteral("--alle-tabellen"), QStringLiteral(ECHTDATEN_EIGEN "/Stammdaten.mdb"), QStringLiteral("x")});
    EXPECT_EQ(stamm.code, 1) << stamm.fehler.toStdString();
    for (const char* t : {"Disziplin", "DisziplinWaffe", "Vereine"})
        EXPECT_TRUE(QString::fromUtf8(stamm.fehler).contains(QStringLiteral("Tabelle „%1“: verknüpfte Tabelle übersprungen, ihre Daten liegen in „C:\\workspace\\esadb\\src\\main\\resources\\data.mdb“").arg(QString::fromUtf8(t))))
            << stamm.fehler.toStdString();

    const QString northwind = qEnvironmentVariable("ECHTDATEN_GETEILT", QStringLiteral(ECHTDATEN_GETEILT)) + QStringLiteral("/Northwind.mdb");
    if (!QFileInfo::exists(northwind))
        GTEST_SKIP() << northwind.toStdString() << " fehlt";
    // "*" lists every field with a value: all five columns of every row.
    QProcess export_;
    export_.start(QStringLiteral(MDB_EXPORT), {northwind, QStringLiteral("Order Details")});
    ASSERT_TRUE(export_.waitForFinished(60000));
    const qsizetype zeilen = export_.readAllStandardOutput().count('\n') - 1;
    ASSERT_GT(zeilen, 0);
    const auto e = suche({QStringLiteral("-c"), QStringLiteral("--alle-tabellen"), northwind, QStringLiteral("*")});
    EXPECT_EQ(e.code, 0) << e.fehler.toStdString();
    EXPECT_TRUE(e.aus.contains(northwind.toUtf8() + "\tOrder Details\t" + QByteArray::number(zeilen * 5) + "\n")) << e.aus.toStdString();
}

}  // namespace
