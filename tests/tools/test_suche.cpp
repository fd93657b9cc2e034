// The command-line search, as a user runs it: same protocol as the window,
// whole folders with healthy and bad files, exit codes as grep has them.

#include "MdbWriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace mdbwriter;

namespace {

struct Ergebnis {
    int code;
    QByteArray aus, fehler;
};

// The search in a fixed locale, unless the case gives its own; as another
// user where root would read every file.
Ergebnis suche(const QStringList& argumente, const QByteArray& locale = "C.UTF-8", bool alsNiemand = false)
{
    QProcess p;
    QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment();
    umgebung.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
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

QByteArray zeilen(std::initializer_list<const char*> z)
{
    QByteArray b;
    for (const char* s : z)
        b += QByteArray(s) + "\r\n";
    return b;
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
        const int r = jet4.addTable("Russisch", {{"Name", ColumnType::Text, 30}});
        jet4.addRow(r, {Cell::text("Пётр Müller")});
        jet4.addTable("Kunden Alt", {{"Name", ColumnType::Text, 30}});
        jet4.finish();
    }
    QTemporaryDir dir;
    QString datei, datei4 = dir.filePath(QStringLiteral("k4.mdb"));
};

TEST_F(Kommandozeile, WritesTheProtocolToStandardOutputOrAFile)
{
    auto e = suche({datei, QStringLiteral("Kunden Alt"), QStringLiteral("m*ller")});
    EXPECT_EQ(e.code, 0) << e.fehler.toStdString();
    EXPECT_EQ(e.aus, QByteArray("Satz: 1\t\tName\tFeldinhalt: M\xFCller\r\nSatz: 2\t\tName\tFeldinhalt: m*ller\r\n"
                                "-----------------------------\r\ngesamt gefundene Felder: 2\r\n"));
    EXPECT_TRUE(e.fehler.isEmpty());  // no progress when standard error is no terminal
    const QString protokoll = dir.filePath(QStringLiteral("p.txt"));
    e = suche({QStringLiteral("--ohne-wildcards"), datei, QStringLiteral("Kunden Alt"), QStringLiteral("m*ller"),
               QStringLiteral("--protokoll"), protokoll});
    EXPECT_EQ(e.code, 0);
    EXPECT_TRUE(e.aus.isEmpty());
    QFile f(protokoll);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Satz: 2\t\tName\tFeldinhalt: m*ller\r\n-----------------------------\r\n"
                                      "gesamt gefundene Felder: 1\r\n"));
}

TEST_F(Kommandozeile, ExitCodesAsGrepHasThem)
{
    const struct {
        QStringList argumente;
        int code;
        const char* fehler;  // part of standard error
    } faelle[] = {
        {{datei, QStringLiteral("Kunden Alt"), QStringLiteral("ller")}, 0, ""},
        {{datei, QStringLiteral("Kunden Alt"), QStringLiteral("Schmidt")}, 1, ""},
        {{datei, QStringLiteral("Kunden Alt")}, 2, "Aufruf"},
        {{QStringLiteral("--gibtsnicht"), datei, QStringLiteral("T"), QStringLiteral("a")}, 2, "unbekannte Option"},
        {{datei, QStringLiteral("T"), QStringLiteral("a"), QStringLiteral("--protokoll")}, 2, "braucht einen Wert"},
        {{dir.filePath(QStringLiteral("fehlt.mdb")), QStringLiteral("T"), QStringLiteral("a")}, 2, "fehlt.mdb"},
        {{datei, QStringLiteral("Kunden"), QStringLiteral("a")}, 2, "„Kunden“"},
        {{QStringLiteral("--protokoll"), QStringLiteral("/proc/nein/p.txt"), datei, QStringLiteral("Kunden Alt"),
          QStringLiteral("a")}, 2, "/proc/nein/p.txt"},
    };
    for (const auto& f : faelle) {
        const auto e = suche(f.argumente);
        SCOPED_TRACE(f.argumente.join(u' ').toStdString());
        EXPECT_EQ(e.code, f.code) << e.fehler.toStdString();
        EXPECT_TRUE(QString::fromUtf8(e.fehler).contains(QString::fromUtf8(f.fehler))) << e.fehler.toStdString();
        if (f.code == 2) {
            EXPECT_TRUE(e.aus.isEmpty());  // nothing searched: no protocol that looks like one without hits
        }
    }
}

TEST_F(Kommandozeile, HelpInGermanNamesEveryOption)
{
    const auto e = suche({QStringLiteral("--help")});
    EXPECT_EQ(e.code, 0);
    const QString text = QString::fromUtf8(e.aus);
    for (const char* o : {"--alle-tabellen", "-r", "--ohne-wildcards", "--protokoll", "--utf8", "Rückgabewert"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(o))) << o;
    EXPECT_FALSE(text.contains(QLatin1String("--im-prozess")));
}

TEST_F(Kommandozeile, TheCodePageFollowsTheLocaleAndUtf8GoesToPipes)
{
    const QStringList argumente{datei4, QStringLiteral("Russisch"), QStringLiteral("ller")};
    const QByteArray ende = "-----------------------------\r\ngesamt gefundene Felder: 1\r\n";
    EXPECT_EQ(suche(argumente, "ru_RU.UTF-8").aus, "Satz: 1\t\tName\tFeldinhalt: \xCF\xB8\xF2\xF0 M?ller\r\n" + ende);
    EXPECT_EQ(suche(argumente, "de_DE.UTF-8").aus, "Satz: 1\t\tName\tFeldinhalt: ???? M\xFCller\r\n" + ende);
    const QString protokoll = dir.filePath(QStringLiteral("ru.txt"));
    suche(argumente + QStringList{QStringLiteral("--protokoll"), protokoll}, "ru_RU.UTF-8");
    QFile f(protokoll);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "Satz: 1\t\tName\tFeldinhalt: \xCF\xB8\xF2\xF0 M?ller\r\n" + ende);
    EXPECT_EQ(suche(argumente + QStringList{QStringLiteral("--utf8")}, "ru_RU.UTF-8").aus,
              QStringLiteral("Satz: 1\t\tName\tFeldinhalt: Пётр Müller\n-----------------------------\n"
                             "gesamt gefundene Felder: 1\n").toUtf8());
}

TEST_F(Kommandozeile, AllTablesOfAFileUnderTheirHeadings)
{
    // "Kunden Alt" fails the probe (a blank, unbracketed) as in the table list.
    const auto e = suche({QStringLiteral("--alle-tabellen"), datei4, QStringLiteral("ller")});
    EXPECT_EQ(e.code, 0) << e.fehler.toStdString();
    EXPECT_EQ(e.aus, (">>Datei: " + datei4.toUtf8() + "\tTabelle: Russisch\r\n")
                         + zeilen({"Satz: 1\t\tName\tFeldinhalt: ???? M\xFCller", "-----------------------------",
                                   "gesamt gefundene Felder: 1"}));
}

// --- a folder of files --------------------------------------------------------

void schreibeDatei(const QString& pfad, const QByteArray& inhalt)
{
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

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
            const int o = db.addTable("Orte", {{"Ort", ColumnType::Text, 30}});
            db.addRow(o, {Cell::text("Müllheim")});
            const int t = db.addTable("~TMPCLP1", {{"A", ColumnType::Text, 30}});
            db.addRow(t, {Cell::text("Müller")});
            db.addTable("Leer", {{"A", ColumnType::Text, 30}});
            db.finish();
        }
        {
            Database db(pfad("unter/gesund4.MDB").toStdString(), Format::Jet4);
            const int p = db.addTable("Personen", {{"Name", ColumnType::Text, 30}});
            db.addRow(p, {Cell::text("Bernd")});
            db.addRow(p, {Cell::text("Anna Müller")});
            db.finish();
        }
        {
            Database db(pfad("kaputt_mitte.mdb").toStdString(), Format::Jet4);
            const int v = db.addTable("V", {{"Name", ColumnType::Text, 30}});
            for (int i = 0; i < 30000; ++i)
                db.addRow(v, {Cell::text(i % 500 == 0 ? "Müller" : "Schmidt")});
            db.finish();
            QFile f(pfad("kaputt_mitte.mdb"));
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2);
            f.write(QByteArray(4096 * 8, char(0xFF)));
        }
        {
            ASSERT_TRUE(QFile::copy(pfad("gesund3.mdb"), pfad("kaputt_katalog.mdb")));
            QFile f(pfad("kaputt_katalog.mdb"));
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.seek(2 * 2048);  // the catalogue's page (Jet 3 pages are 2 KB)
            f.write("\x07");
        }
        schreibeDatei(pfad("leer.mdb"), QByteArray());
        schreibeDatei(pfad("text.mdb"), "Müller ist keine Datenbank\n");
        schreibeDatei(pfad("notiz.txt"), "Müller");  // not *.mdb: not searched
        ASSERT_TRUE(QFile::copy(pfad("gesund3.mdb"), pfad("gesperrt.mdb")));
        QFile::setPermissions(pfad("gesperrt.mdb"), QFile::WriteOwner);
        ASSERT_EQ(mkfifo(pfad("warteschlange.mdb").toLocal8Bit().constData(), 0644), 0);
    }

    QString pfad(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QByteArray kopf(const char* name, const char* tabelle) const
    {
        return ">>Datei: " + pfad(name).toUtf8() + "\tTabelle: " + tabelle + "\r\n";
    }
    Ergebnis imOrdner(const QStringList& argumente) const { return suche(argumente, "C.UTF-8", geteuid() == 0); }

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
    EXPECT_TRUE(meldungen[2].contains(QStringLiteral("Tabelle „V“")));

    // Healthy files whole; the file damaged in the middle gives the hits
    // before and behind the damage and says that it is incomplete.
    const QByteArray gesund3 = kopf("gesund3.mdb", "Kunden")
                               + zeilen({"Satz: 1\t\tName\tFeldinhalt: M\xFCller", "Satz: 3\t\tName\tFeldinhalt: M\xDCLLER"})
                               + kopf("gesund3.mdb", "Orte") + zeilen({"Satz: 1\t\tOrt\tFeldinhalt: M\xFCllheim"});
    const QByteArray gesund4 = kopf("unter/gesund4.MDB", "Personen") + zeilen({"Satz: 2\t\tName\tFeldinhalt: Anna M\xFCller"});
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
    EXPECT_EQ(rest, gesund4 + zeilen({"-----------------------------"})
                        + "gesamt gefundene Felder: " + QByteArray::number(4 + lesbar) + "\r\n");
}

TEST_F(Ordnersuche, WithoutRTheSubfoldersStayOutAndANamedTableIsSearchedInEveryFile)
{
    QFile::remove(pfad("warteschlange.mdb"));
    auto e = imOrdner({dir.path(), QStringLiteral("Orte"), QStringLiteral("heim")});
    EXPECT_EQ(e.code, 2);
    EXPECT_EQ(e.aus, kopf("gesund3.mdb", "Orte") + zeilen({"Satz: 1\t\tOrt\tFeldinhalt: M\xFCllheim",
                                                          "-----------------------------", "gesamt gefundene Felder: 1"}));
    EXPECT_FALSE(e.fehler.contains("gesund4")) << e.fehler.toStdString();
    EXPECT_TRUE(e.fehler.contains("kaputt_mitte.mdb: Tabelle „Orte“")) << e.fehler.toStdString();

    // Healthy files only: no hit is 1, hits 0.
    e = suche({pfad("gesund3.mdb"), pfad("unter/gesund4.MDB"), QStringLiteral("--alle-tabellen"), QStringLiteral("xyz")});
    EXPECT_EQ(e.code, 1) << e.fehler.toStdString();
    EXPECT_EQ(e.aus, zeilen({"-----------------------------", "gesamt gefundene Felder: 0"}));
    e = suche({QStringLiteral("-r"), QStringLiteral("--alle-tabellen"), pfad("unter"), QStringLiteral("anna")});
    EXPECT_EQ(e.code, 0) << e.fehler.toStdString();
}

// Progress goes to standard error only when that is a terminal.
TEST_F(Ordnersuche, ProgressOnATerminal)
{
    int herr = -1, diener = -1;
    ASSERT_EQ(openpty(&herr, &diener, nullptr, nullptr, nullptr), 0);
    posix_spawn_file_actions_t aktionen;
    posix_spawn_file_actions_init(&aktionen);
    posix_spawn_file_actions_addopen(&aktionen, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&aktionen, diener, 2);
    posix_spawn_file_actions_addclose(&aktionen, herr);
    const QByteArray programm = SUCHE_PROGRAMM, datei = pfad("gesund3.mdb").toLocal8Bit();
    char* argv[] = {const_cast<char*>(programm.constData()), const_cast<char*>("--alle-tabellen"),
                    const_cast<char*>(datei.constData()), const_cast<char*>("x"), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &aktionen, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&aktionen);
    close(diener);
    QByteArray terminal;
    char puffer[4096];
    ssize_t n = 0;
    while ((n = read(herr, puffer, sizeof puffer)) > 0)  // EIO once the child is gone
        terminal.append(puffer, n);
    close(herr);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const QString text = QString::fromUtf8(terminal);
    for (const char* tabelle : {"gesund3.mdb: Kunden", "gesund3.mdb: Orte", "gesund3.mdb: Leer"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(tabelle))) << tabelle << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Sätze/s")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\033[K")));  // the line is cleared at the end
}

}  // namespace
