#include "Protokoll.h"
#include "Trefferstelle.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Protokoll;
using namespace Qt::StringLiterals;

namespace {

// Counts the writes that reach it.
class Zaehlgeraet : public QIODevice {
public:
    int schreibvorgaenge = 0;
    QByteArray daten;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* d, qint64 n) override
    {
        ++schreibvorgaenge;
        daten.append(d, n);
        return n;
    }
};

}  // namespace

// Every line the protocol is made of, exactly; several lines joined by "|".
TEST(ProtokollZeilen, JedeZeileGenau)
{
    const auto kopf = [](std::vector<MaskenZeile> maske, const QStringList& felder) { return kopfZeilen(maske, felder).join(u'|'); };
    const QString kaputt = QStringLiteral("die Tabelle nennt 14 Sätze, lesbar sind nur 0");
    const std::vector<std::uint32_t> zwoelf{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::pair<QString, const char*> faelle[] = {
        {kopfAnfangZeile(), ">>Aktive Felder der Feldauswahl:"},
        {beginnZeile(), "------------------Beginn der Auswertung---------------"},
        {schlussStriche(), "-----------------------------"},
        {listenTrenner(), "-------------------------------------------"},
        {gesamtZeile(0), "gesamt gefundene Felder: 0"},
        {gesamtZeile(1234567), "gesamt gefundene Felder: 1234567"},
        {abbruchZeile(29), "Suchlauf abgebrochen nach Satz 29"},
        {abbruchZeile(1e7), "Suchlauf abgebrochen nach Satz 10000000"},
        {kopfFeldZeile(u"Straße", true), "Vergleichsfeld: Straße"},
        {kopfFeldZeile(u"Straße", false), "Infofeld: Straße"},
        {trefferZeile(5, u"Name", u"Mü\tller\r\nzwei"), "Satz: 5\t\tName\tFeldinhalt: Mü\tller\r\nzwei"},
        {trefferZeile(1, u"Leer", QStringView()), "Satz: 1\t\tLeer\tFeldinhalt: "},
        {unvollstaendigZeile(u"Kunden", {7}, kaputt), "Suchlauf unvollständig: Tabelle Kunden, Seite 7 beschädigt"},
        {unvollstaendigZeile(u"Kunden", {4, 9, 12}, kaputt), "Suchlauf unvollständig: Tabelle Kunden, Seiten 4, 9 und 12 beschädigt"},
        {unvollstaendigZeile(u"Kunden", zwoelf, kaputt),
         "Suchlauf unvollständig: Tabelle Kunden, Seiten 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 und 2 weitere beschädigt"},
        {unvollstaendigZeile(u"Kunden", {}, kaputt), "Suchlauf unvollständig: Tabelle Kunden, die Tabelle nennt 14 Sätze, lesbar sind nur 0"},
        // Counters without decimals, in exponent form from 1E+15 on.
        {zaehlerText(0), "0"},
        {zaehlerText(30), "30"},
        {zaehlerText(2147483648.0), "2147483648"},
        {zaehlerText(999999999999999.0), "999999999999999"},
        {zaehlerText(1e15), "1E+15"},
        {zaehlerText(1234567890123456.0), "1.23456789012346E+15"},
        // The head: mask order decides, names compare case-sensitively, every equal pair gives its line.
        {kopf({{QStringLiteral("Name"), true}, {QStringLiteral("Ort"), false}, {QStringLiteral("fehlt"), true}, {QStringLiteral("plz"), true}},
              {QStringLiteral("Ort"), QStringLiteral("Name"), QStringLiteral("PLZ")}),
         ">>Aktive Felder der Feldauswahl:|Vergleichsfeld: Name|Infofeld: Ort||------------------Beginn der Auswertung---------------"},
        {kopf({{QStringLiteral("B"), false}, {QStringLiteral("A"), true}, {QStringLiteral("B"), true}}, {QStringLiteral("A"), QStringLiteral("B")}),
         ">>Aktive Felder der Feldauswahl:|Infofeld: B|Vergleichsfeld: A|Vergleichsfeld: B||------------------Beginn der Auswertung---------------"},
        {kopf({}, {}), ">>Aktive Felder der Feldauswahl:||------------------Beginn der Auswertung---------------"},
        // A record's block: every column, null as empty.
        {blockZeilen(12, {{QStringLiteral("Name"), QStringLiteral("Müller")}, {QStringLiteral("Ort"), std::nullopt}, {QStringLiteral("Nr"), QStringLiteral("")}})
             .join(u'|'),
         "Satz: 12\t\tName\tFeldinhalt: Müller|Satz: 12\t\tOrt\tFeldinhalt: |Satz: 12\t\tNr\tFeldinhalt: "},
    };
    for (const auto& [ist, soll] : faelle)
        EXPECT_EQ(ist, QString::fromUtf8(soll));
}

TEST(ProtokollSchreiber, SchreibtInBloeckenVonEtwa64KB)
{
    Zaehlgeraet geraet;
    ASSERT_TRUE(geraet.open(QIODevice::WriteOnly));
    Schreiber s(&geraet, QStringLiteral("Gerät"));
    s.oeffnen();
    QByteArray erwartet;
    for (int i = 0; i < 10000; ++i) {
        const QString z = trefferZeile(i + 1, u"Name", QString(90, u'ä'));
        s.zeile(z);
        erwartet += alsWindows1252(z) + "\r\n";
    }
    ASSERT_GT(geraet.schreibvorgaenge, 0);
    EXPECT_GE(geraet.daten.size(), qint64(geraet.schreibvorgaenge) * Schreiber::Blockgroesse);
    EXPECT_LT(erwartet.size() - geraet.daten.size(), Schreiber::Blockgroesse);  // at most one block waits
    s.abschliessen();
    EXPECT_EQ(geraet.daten, erwartet);
    // About 1 MB in writes of at least 64 KB each, the rest at the end in one.
    EXPECT_LE(geraet.schreibvorgaenge, int(erwartet.size() / Schreiber::Blockgroesse) + 1);
    EXPECT_THROW(s.zeile(u"danach"), Schreibfehler);
}

TEST(ProtokollOrt, ProgrammverzeichnisOderBenutzerdaten)
{
    const QString prog = QStringLiteral("/usr/lib/zelk");
    const QString daten = QStringLiteral("/home/anna/.local/share/ZELK-Feldspur");
    QStringList gefragt;
    const auto ja = [&](const QString& d) { gefragt << d; return true; };
    const auto nein = [&](const QString& d) { gefragt << d; return false; };
    EXPECT_EQ(protokollPfad(prog, daten, ja), QStringLiteral("/usr/lib/zelk/Protokoll.txt"));
    EXPECT_EQ(gefragt, QStringList{prog});
    EXPECT_EQ(protokollPfad(prog, daten, nein), daten + QStringLiteral("/Protokoll.txt"));
    // Without a data directory the program directory stays, and the writer reports it.
    EXPECT_EQ(protokollVerzeichnis(prog, QString(), nein), prog);

    QTemporaryDir dir;
    EXPECT_TRUE(verzeichnisBeschreibbar(dir.path()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});  // no probe left behind
    EXPECT_FALSE(verzeichnisBeschreibbar(dir.filePath(QStringLiteral("gibtsnicht"))));
    EXPECT_FALSE(verzeichnisBeschreibbar(QStringLiteral("/proc")));  // not even for root
    const QString datei = dir.filePath(QStringLiteral("datei"));
    ASSERT_TRUE(QFile(datei).open(QIODevice::WriteOnly));
    EXPECT_FALSE(verzeichnisBeschreibbar(datei));

    // The data directory need not exist yet.
    Schreiber s(dir.filePath(QStringLiteral("neu/unter/Protokoll.txt")));
    s.oeffnen();
    s.abschliessen();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("neu/unter/Protokoll.txt"))));
}

// The system directory as the Windows call leaves it (260 characters, NUL
// after the path, blanks behind), the Windows folder before its first
// "system32" (case-sensitive), and the protocol's viewer: Notepad there,
// elsewhere the desktop's opener if the search path has it.
TEST(Systempfad, PufferWindowsverzeichnisUndBetrachter)
{
    using namespace SystempfadWindows;
    const QString puffer = systempfadPuffer(u"C:\\WINDOWS\\system32");
    EXPECT_EQ(puffer, u"C:\\WINDOWS\\system32"_s + QChar(0) + QString(240, u' '));
    EXPECT_EQ(systempfadPuffer(QString(300, u'x')), QString(260, u' '));
    EXPECT_EQ(systempfadPuffer(QString(259, u'x')), QString(259, u'x') + QChar(0));
    SystempfadLesen();  // this platform has no system directory
    EXPECT_EQ(Systempfad, QChar(0) + QString(259, u' '));
    for (const auto& [pfad, verzeichnis] : {std::pair{puffer, u"C:\\WINDOWS\\"_s}, {u"C:\\WINNT\\System32"_s, QString()},
                                           {u"D:\\a\\system32\\b\\system32"_s, u"D:\\a\\"_s}, {u"system32"_s, QString()}, {Systempfad, QString()}})
        EXPECT_EQ(windowsVerzeichnis(pfad), verzeichnis) << pfad.toStdString();
    EXPECT_EQ(notepadKommandozeile(u"C:\\WINDOWS\\", u"C:\\P\\Protokoll.txt"_s), u"C:\\WINDOWS\\Notepad.exe C:\\P\\Protokoll.txt"_s);
    EXPECT_EQ(notepadKommandozeile(QString(), u"C:\\P\\Protokoll.txt"_s), u"Notepad.exe C:\\P\\Protokoll.txt"_s);

    const QString protokoll = u"/opt/zelk/Protokoll.txt"_s;
    const struct { QString puffer, gefunden, programm; QStringList gesucht; } faelle[] = {
        {Systempfad, u"/usr/bin/xdg-open"_s, u"/usr/bin/xdg-open"_s, {u"xdg-open"_s}},
        {Systempfad, QString(), QString(), {u"xdg-open"_s}},
        {puffer, QString(), u"C:\\WINDOWS\\Notepad.exe"_s, {}},
    };
    for (const auto& f : faelle) {
        QStringList gesucht;
        const auto aufruf = betrachterAufruf(f.puffer, protokoll, [&](const QString& p) { gesucht << p; return f.gefunden; });
        EXPECT_EQ(aufruf.programm, f.programm);
        if (!f.programm.isEmpty()) {
            EXPECT_EQ(aufruf.argumente, QStringList{protokoll});
        }
        EXPECT_EQ(gesucht, f.gesucht);
    }
}

// The way back from a hit line of the result list to its record.
TEST(Trefferstelle, HitLinesAndOtherLines)
{
    using Trefferstelle::Stelle;
    struct Fall { QString zeile; std::optional<Stelle> erwartet; };
    const Fall faelle[] = {
        {QStringLiteral("Satz: 17\t\tName\tFeldinhalt: Müller"), Stelle{17, QStringLiteral("Name")}},
        {QStringLiteral("Satz: 1\t\tKunden Nr\tFeldinhalt: "), Stelle{1, QStringLiteral("Kunden Nr")}},
        // A value holding the marker itself, tabs or line breaks.
        {QStringLiteral("Satz: 250000\t\tNotiz\tFeldinhalt: a\tFeldinhalt: b\r\nc"), Stelle{250000, QStringLiteral("Notiz")}},
        {QStringLiteral("Satz: 999999999999999\t\tX\tFeldinhalt: 1"), Stelle{999999999999999, QStringLiteral("X")}},
        {QStringLiteral("-------------------------------------------"), std::nullopt},
        {QStringLiteral("gesamt gefundene Felder: 3"), std::nullopt},
        {QStringLiteral("Vergleichsfeld: Name"), std::nullopt},
        {QStringLiteral("Satz: \t\tName\tFeldinhalt: x"), std::nullopt},
        {QStringLiteral("Satz: 0\t\tName\tFeldinhalt: x"), std::nullopt},
        {QStringLiteral("Satz: 1E+15\t\tName\tFeldinhalt: x"), std::nullopt},
        {QStringLiteral("Satz: 12\tName\tFeldinhalt: x"), std::nullopt},
        {QStringLiteral("Satz: 12\t\tName ohne Inhalt"), std::nullopt},
        {QStringLiteral("Satz: 12\t\t\tFeldinhalt: x"), std::nullopt},
        {QStringLiteral("Satz: ١٢\t\tName\tFeldinhalt: x"), std::nullopt},  // digits of another script
    };
    for (const auto& f : faelle)
        EXPECT_EQ(Trefferstelle::lesen(f.zeile), f.erwartet) << f.zeile.toStdString();
}

