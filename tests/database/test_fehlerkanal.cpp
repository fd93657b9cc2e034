// Everything that can go wrong between the program and its reader process
// reaches the caller as a DatenzugriffsFehler with a number and a German
// text: answers that are garbage, cut, too long or too large, a child that
// cannot start, dies, is killed or falls silent, an exception inside the
// child. Sent through the real ProzessLeser by a reader process that fails
// on purpose. A failure of the reader process never calls the file damaged.

#include "Datenzugriff.h"
#include "Fehler.h"
#include "Leser.h"
#include "MdbWriter.h"
#include "Systemfehler.h"
#include "Zeilen.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>

using namespace Datenzugriff;

namespace {

QString verbindung(const QString& datei) { return QStringLiteral("DBQ=") + datei + QLatin1Char(';'); }

Connection::LeserFabrik falscherLeser(int wartezeitMs = 3000)
{
    return [wartezeitMs] { return erzeugeProzessLeser(QStringLiteral(FALSCHER_LESER), wartezeitMs); };
}

// The peak of the address space, in MiB: an answer's buffer that took its
// size from the frame head would show here even before any byte came.
long vmPeakMiB()
{
    std::ifstream f("/proc/self/status");
    std::string zeile;
    while (std::getline(f, zeile))
        if (zeile.rfind("VmPeak:", 0) == 0)
            return std::atol(zeile.c_str() + 7) / 1024;
    return -1;
}

struct Fall {
    const char* datei;     // the name tells the reader process how to fail
    int nummer;
    const char* text;      // part of the message
    bool kindLebt;         // the child reported the error itself and goes on
};

class Fehlerkanal : public ::testing::TestWithParam<Fall> {
protected:
    QTemporaryDir dir;
};

TEST_P(Fehlerkanal, EveryFailureIsADatenzugriffsFehlerAndTheNextOpenWorks)
{
    const Fall& f = GetParam();
    const QString datei = dir.filePath(QString::fromLatin1(f.datei));
    Zeilen::nummernTabelle(datei, "T", 100);
    Connection c(falscherLeser(1000));
    const long vorher = vmPeakMiB();
    Recordset r;
    try {
        c.Open(verbindung(datei));
        (void)c.OpenSchema(adSchemaTables);
        r.Open(QStringLiteral("Select * from [T];"), c);
        for (; !r.Eof(); r.MoveNext())
            ASSERT_LT(r.fields().Item(0).Value().ganzzahl, 100);
        FAIL() << "kein Fehler";
    } catch (const DatenzugriffsFehler& e) {
        EXPECT_EQ(e.Number(), f.nummer);
        EXPECT_TRUE(e.Description().contains(QString::fromUtf8(f.text))) << e.Description().toStdString();
        if (!f.kindLebt) {
            EXPECT_TRUE(e.Description().contains(datei)) << e.Description().toStdString();
            EXPECT_FALSE(e.Description().contains(QStringLiteral("beschädigt"))) << e.Description().toStdString();
        }
    }
    EXPECT_LT(vmPeakMiB() - vorher, 256);
    EXPECT_EQ(c.State(), f.kindLebt ? adStateOpen : adStateClosed);
    if (c.State() == adStateOpen)
        c.Close();

    // The same connection and recordset go on with a healthy file.
    const QString gut = dir.filePath(QStringLiteral("gut.mdb"));
    Zeilen::nummernTabelle(gut, "T", 3);
    c.Open(verbindung(gut));
    EXPECT_EQ(r.State(), adStateClosed);
    r.Open(QStringLiteral("Select * from [T];"), c);
    std::vector<std::int64_t> nummern;
    for (; !r.Eof(); r.MoveNext())
        nummern.push_back(r.fields().Item(0).Value().ganzzahl);
    EXPECT_EQ(nummern, (std::vector<std::int64_t>{0, 1, 2}));
}

INSTANTIATE_TEST_SUITE_P(
    Antworten, Fehlerkanal,
    ::testing::Values(
        Fall{"muell.mdb", FehlerLeseprozess, "unverständlich (Textlänge außerhalb der Nachricht)", false},
        Fall{"zulang.mdb", FehlerLeseprozess, "unverständlich (Antwort zu lang)", false},
        Fall{"abgeschnitten.mdb", FehlerLeseprozess, "unerwartet beendet worden (Exitcode 0)", false},
        Fall{"riesig.mdb", FehlerLeseprozess, "unverständlich (Kopf einer Antwort)", false},
        Fall{"schweigt.mdb", FehlerLeseprozess, "1,0 s lang nicht geantwortet", false},
        Fall{"art.mdb", FehlerLeseprozess, "unverständlich (Kopf einer Antwort)", false},
        Fall{"stirbt.mdb", FehlerLeseprozess, "unerwartet beendet worden (Exitcode 5)", false},
        Fall{"getoetet.mdb", FehlerLeseprozess, "unerwartet beendet worden (Signal 9: von außen beendet)", false},
        Fall{"fehlerkaputt.mdb", FehlerLeseprozess, "unverständlich (eine Fehlermeldung ist nicht lesbar)", false},
        Fall{"textkurz.mdb", FehlerLeseprozess, "unverständlich (eine Fehlermeldung ist nicht lesbar)", false},
        Fall{"ausnahme.mdb", FehlerBeschaedigt, "Interner Fehler des Leseprozesses: unbekannter Auftrag", true},
        Fall{"fremd.mdb", FehlerBeschaedigt, "Interner Fehler des Leseprozesses.", true},
        // A block with more rows than asked for, or rows of another width than
        // the cursor's, would let a recordset read past its values.
        Fall{"zeilen.mdb", FehlerLeseprozess, "Block passt nicht zur Anfrage", false},
        Fall{"breite.mdb", FehlerLeseprozess, "Block passt nicht zur Anfrage", false},
        // The same in the middle of a table: its recordset is closed with the
        // connection's next open, so that it can be opened again.
        Fall{"spaeter.mdb", FehlerLeseprozess, "Block passt nicht zur Anfrage", false}),
    [](const auto& info) {
        std::string n = info.param.datei;
        return n.substr(0, n.find('.'));
    });

// A reader process that cannot be started says why, in German, and names
// the program, not the file; one that hangs ends with an error, too. (A
// reader's own error keeps its number across the process boundary: the
// file kinds' tests, test_dateiarten.cpp.)
TEST(Fehlerkanal_, AReaderProcessThatCannotStartOrHangsSaysWhy)
{
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("gut.mdb"));
    Zeilen::nummernTabelle(datei, "T", 3);
    auto programm = [&](const char* name, const QByteArray& inhalt, QFile::Permissions rechte) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
        f.setPermissions(rechte);
        return f.fileName();
    };
    const QString ohneRecht = programm("ohne-recht", "#!/bin/sh\n", QFile::ReadOwner | QFile::WriteOwner);
    const QString keinProgramm = programm("kein-programm", "\x7f\x01 kein Programm\n", QFile::ReadOwner | QFile::ExeOwner);
    const QString haengt = programm("haengt.sh", "#!/bin/sh\nexec sleep 60\n", QFile::ReadOwner | QFile::ExeOwner);
    const QString start = QStringLiteral("Der Leseprozess „%1“ kann nicht gestartet werden: %2.");
    const std::pair<QString, QString> faelle[] = {
        {dir.filePath(QStringLiteral("fehlt")), start.arg(dir.filePath(QStringLiteral("fehlt")), QStringLiteral("Datei oder Verzeichnis nicht gefunden"))},
        {ohneRecht, start.arg(ohneRecht, QStringLiteral("Keine Berechtigung"))},
        {keinProgramm, start.arg(keinProgramm, QStringLiteral("Die Datei ist kein ausführbares Programm"))},
        {haengt, QStringLiteral("1,0 s lang nicht geantwortet")},
    };
    for (const auto& [programm, text] : faelle) {
        Connection c([&] { return erzeugeProzessLeser(programm, 1000); });
        try {
            c.Open(verbindung(datei));
            ADD_FAILURE() << "kein Fehler";
        } catch (const DatenzugriffsFehler& e) {
            EXPECT_EQ(e.Number(), FehlerLeseprozess);
            EXPECT_TRUE(e.Description().contains(text)) << e.Description().toStdString();
            EXPECT_EQ(e.Description().contains(datei), programm == haengt) << e.Description().toStdString();
        }
        EXPECT_EQ(c.State(), adStateClosed);
    }
}

// System texts in a German message: the English of the C library (also as
// Qt passes it on) becomes German, and waiting times take the German form.
TEST(Fehlerkanal_, SystemTextsAndTimesAreGerman)
{
    for (int nummer : {ENOENT, EACCES, EPERM, EIO, ENOSPC, EROFS, EDQUOT, ENOEXEC, ESTALE, ETIMEDOUT}) {
        const QString englisch = QString::fromLocal8Bit(std::strerror(nummer));
        EXPECT_NE(systemfehlerDeutsch(englisch), englisch) << nummer;
        EXPECT_EQ(systemfehlerDeutsch(englisch), systemfehlerText(nummer)) << nummer;
    }
    EXPECT_EQ(systemfehlerDeutsch(QStringLiteral("Unknown error 4711")), QStringLiteral("Systemfehler 4711"));
    EXPECT_EQ(systemfehlerText(4711), QStringLiteral("Systemfehler 4711"));
    EXPECT_EQ(systemfehlerDeutsch(QStringLiteral("Datei gesperrt")), QStringLiteral("Datei gesperrt"));
    const std::pair<int, const char*> zeiten[] = {{5000, "5,0 s"}, {950, "1,0 s"}, {120000, "120,0 s"}, {249, "0,2 s"}};
    for (const auto& [ms, text] : zeiten)
        EXPECT_EQ(sekundenText(ms), QString::fromUtf8(text));
    EXPECT_EQ(signalText(SIGSEGV), QStringLiteral("Signal 11: Speicherzugriffsfehler"));
}

// A disk slower than the watchdog: every page read takes longer than the
// watchdog waits. The reader says it waits for the disk, so the table is
// read completely and nothing is called damaged; only a disk that stays
// silent longer than the limit for disks ends the read, and says so.
TEST(ProzessLeser, ASlowDiskIsWaitedForAndOnlyItsLimitEndsTheRead)
{
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("langsam.mdb"));
    Zeilen::nummernTabelle(datei, "L", 200);
    qputenv("ZELK_LESER_SEITENPAUSE_MS", "600");
    struct Aufraeumen {
        ~Aufraeumen() { qunsetenv("ZELK_LESER_SEITENPAUSE_MS"); }
    } aufraeumen;
    auto lesen = [&](int plattenGrenzeMs) {
        Connection c([=] { return erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM), 250, plattenGrenzeMs); });
        c.Open(verbindung(datei));
        Recordset r;
        r.Open(QStringLiteral("Select * from [L];"), c);
        std::vector<std::int64_t> nummern;
        for (; !r.Eof(); r.MoveNext())
            nummern.push_back(r.fields().Item(0).Value().ganzzahl);
        return nummern;
    };
    const auto nummern = lesen(60000);
    ASSERT_EQ(nummern.size(), 200u);
    EXPECT_EQ(nummern[199], 199);
    try {
        lesen(250);
        ADD_FAILURE() << "kein Fehler";
    } catch (const DatenzugriffsFehler& e) {
        EXPECT_EQ(e.Number(), FehlerLeseprozess);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("hat 0,3 s lang keine Daten geliefert"))) << e.Description().toStdString();
    }
}

}  // namespace
