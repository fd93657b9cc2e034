// Everything that can go wrong between the program and its reader process
// reaches the caller as a DatenzugriffsFehler with a number and a German
// text: answers that are garbage, cut, too long or too large, a child that
// dies or falls silent, an exception inside the child. Sent through the
// real ProzessLeser by a reader process that fails on purpose.

#include "Datenzugriff.h"
#include "Fehler.h"
#include "Leser.h"
#include "MdbWriter.h"
#include "Zeilen.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    Connection c(falscherLeser(1000));
    const long vorher = vmPeakMiB();
    try {
        c.Open(verbindung(datei));
        (void)c.OpenSchema(adSchemaTables);
        FAIL() << "kein Fehler";
    } catch (const DatenzugriffsFehler& e) {
        EXPECT_EQ(e.Number(), f.nummer);
        EXPECT_TRUE(e.Description().contains(QString::fromUtf8(f.text))) << e.Description().toStdString();
        if (!f.kindLebt) {
            EXPECT_TRUE(e.Description().contains(datei)) << e.Description().toStdString();
        }
    }
    EXPECT_LT(vmPeakMiB() - vorher, 256);
    EXPECT_EQ(c.State(), f.kindLebt ? adStateOpen : adStateClosed);
    if (c.State() == adStateOpen)
        c.Close();

    // The same connection goes on with a healthy file.
    const QString gut = dir.filePath(QStringLiteral("gut.mdb"));
    Zeilen::nummernTabelle(gut, "T", 3);
    c.Open(verbindung(gut));
    auto katalog = c.OpenSchema(adSchemaTables);
    QStringList tabellen;
    for (; !katalog->Eof(); katalog->MoveNext())
        if (katalog->fields().Item(QStringLiteral("TABLE_TYPE")).Value().text == QLatin1String("TABLE"))
            tabellen << katalog->fields().Item(QStringLiteral("TABLE_NAME")).Value().text;
    EXPECT_EQ(tabellen, QStringList{QStringLiteral("T")});
}

INSTANTIATE_TEST_SUITE_P(
    Antworten, Fehlerkanal,
    ::testing::Values(
        Fall{"muell.mdb", FehlerBeschaedigt, "der Leseprozess antwortet unverständlich (Textlänge außerhalb der Nachricht)", false},
        Fall{"zulang.mdb", FehlerBeschaedigt, "der Leseprozess antwortet unverständlich (Antwort zu lang)", false},
        Fall{"abgeschnitten.mdb", FehlerBeschaedigt, "der Leseprozess ist abgebrochen", false},
        Fall{"riesig.mdb", FehlerBeschaedigt, "der Leseprozess antwortet unverständlich", false},
        Fall{"schweigt.mdb", FehlerBeschaedigt, "beim Lesen kam 1.0 s lang kein Fortschritt", false},
        Fall{"art.mdb", FehlerBeschaedigt, "der Leseprozess antwortet unverständlich", false},
        Fall{"stirbt.mdb", FehlerBeschaedigt, "der Leseprozess ist abgebrochen", false},
        Fall{"fehlerkaputt.mdb", FehlerBeschaedigt, "der Leseprozess meldet einen Fehler unverständlich", false},
        Fall{"ausnahme.mdb", FehlerBeschaedigt, "Interner Fehler des Leseprozesses: Katalog ohne Ende", true},
        Fall{"fremd.mdb", FehlerBeschaedigt, "Interner Fehler des Leseprozesses.", true}),
    [](const auto& info) {
        std::string n = info.param.datei;
        return n.substr(0, n.find('.'));
    });

// A block with more rows than asked for would let a recordset read past
// its values: the program takes it for what it is.
TEST(Fehlerkanal_, ABlockThatDoesNotFitTheRequestIsRefused)
{
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("zeilen.mdb"));
    Zeilen::nummernTabelle(datei, "T", 100);
    Connection c(falscherLeser());
    c.Open(verbindung(datei));
    Recordset r;
    try {
        r.Open(QStringLiteral("Select * from [T];"), c);
        FAIL() << "kein Fehler";
    } catch (const DatenzugriffsFehler& e) {
        EXPECT_EQ(e.Number(), FehlerBeschaedigt);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("Block passt nicht zur Anfrage"))) << e.Description().toStdString();
    }
    EXPECT_EQ(r.State(), adStateClosed);
}

// The recordset of a reader process that gave up mid-table is closed with
// the next open of its connection, so that it can be opened again: the
// shared Satzmenge is reopened after every reconnect.
TEST(Fehlerkanal_, ARecordsetOfAReaderThatGaveUpOpensAgainAfterTheReconnect)
{
    QTemporaryDir dir;
    const QString spaeter = dir.filePath(QStringLiteral("spaeter.mdb"));
    const QString gut = dir.filePath(QStringLiteral("gut.mdb"));
    Zeilen::nummernTabelle(spaeter, "T", 100);
    Zeilen::nummernTabelle(gut, "T", 100);
    Connection c(falscherLeser());
    c.Open(verbindung(spaeter));
    Recordset r;
    r.Open(QStringLiteral("Select * from [T];"), c);  // the first row comes in a block of its own
    EXPECT_EQ(r.fields().Item(0).Value().ganzzahl, 0);
    EXPECT_THROW(r.MoveNext(), DatenzugriffsFehler);
    EXPECT_EQ(c.State(), adStateClosed);

    c.Open(verbindung(gut));
    EXPECT_EQ(r.State(), adStateClosed);
    r.Open(QStringLiteral("Select * from [T];"), c);
    int n = 0;
    while (!r.Eof()) {
        EXPECT_EQ(r.fields().Item(0).Value().ganzzahl, n);
        ++n;
        r.MoveNext();
    }
    EXPECT_EQ(n, 100);
}

}  // namespace
