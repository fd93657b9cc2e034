// The registry store: Win32 semantics of the five operations, the file
// format, the read-only layer, refusals and damaged files.

#include "Ansi.h"
#include "RegistryRead.h"
#include "Umgebung.h"

using namespace Plattform;

namespace {

QByteArray lesen(const QString& pfad)
{
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A value of HKEY_LOCAL_MACHINE as the program's registry reader gets it; empty when missing.
QByteArray wert(const QByteArray& pfad, const QByteArray& name)
{
    std::int32_t typ = 0;
    return RegistryRead::RegWertLesen(QStringLiteral("HKEY_LOCAL_MACHINE"), pfad, name, typ);
}

LONG wertSchreiben(Registry& reg, const QByteArray& pfad, const QByteArray& name, DWORD typ, const QByteArray& daten)
{
    HKEY h = 0;
    const LONG r = reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, pfad, &h);
    if (r != ERROR_SUCCESS)
        return r;
    const LONG s = reg.RegSetValueExA(h, name, typ, daten.constData(), DWORD(daten.size()));
    reg.RegCloseKey(h);
    return s;
}

// The store of the start-up surroundings: the user's files in rw, the layer in ro.
using RegistryTest = StartupUmgebung;

}  // namespace

TEST(Ansi, Windows1252HinUndZurueck)
{
    EXPECT_EQ(nachAnsi(u"für €"), QByteArray("f\xfcr \x80"));
    EXPECT_EQ(vonAnsi(QByteArray("f\xfcr \x80")), QStringLiteral("für €"));
    EXPECT_EQ(nachAnsi(u"\u4e2d"), QByteArray("?"));
    EXPECT_FALSE(ansiDarstellbar(u"\u4e2d"));
    QByteArray alle;
    for (int i = 0; i < 256; ++i)
        alle += char(i);
    EXPECT_EQ(nachAnsi(vonAnsi(alle)), alle);  // the gaps survive too
}

TEST(RegDatei, FormatBehaeltJedesByte)
{
    RegInhalt inhalt;
    RegSchluessel& s = inhalt.anlegen("SOFTWARE\\ODBC\\ODBC.INI\\ZELK-Access");
    QByteArray treiber = QByteArray("/opt/x/leser") + '\0';
    treiber += QByteArray(255 - treiber.size(), ' ');
    s.setzen({"UID", REG_SZ, QByteArray(1, '\0')});
    s.setzen({"Description", REG_SZ, nachAnsi(u"ODBC Eintrag für ZELK Programme")});
    s.setzen({"Driver", REG_SZ, treiber});
    s.setzen({"DriverId", REG_DWORD, QByteArray("\x19\0\0\0", 4)});
    s.setzen({"Bin", REG_BINARY, QByteArray("\x00\xff\x10", 3)});
    s.setzen({"Leer", REG_BINARY, QByteArray()});
    s.setzen({"Quote\"\\", REG_EXPAND_SZ, QByteArray("a\\b\"\x81\xfc") + '\0'});
    s.setzen({"", 77, QByteArray(200, 'x')});

    const QByteArray text = regDateiText(inhalt, QStringLiteral("HKEY_LOCAL_MACHINE"));
    EXPECT_TRUE(text.startsWith("WINE REGISTRY Version 2\n"));
    EXPECT_TRUE(text.contains("[SOFTWARE\\\\ODBC\\\\ODBC.INI\\\\ZELK-Access]\n"));
    EXPECT_TRUE(text.contains("\n\"UID\"=\"\"\n"));
    EXPECT_TRUE(text.contains("\"DriverId\"=dword:00000019\n"));
    EXPECT_TRUE(text.contains("\"Bin\"=hex:00,ff,10\n"));
    // No NUL: kept as 31 hex bytes, shown readable in a comment.
    EXPECT_TRUE(text.contains("; \"Description\" = \"ODBC Eintrag f\xc3\xbcr ZELK Programme\"\n"));

    QString fehler;
    const auto zurueck = regDateiLesen(text, &fehler);
    ASSERT_TRUE(zurueck) << fehler.toStdString();
    ASSERT_EQ(zurueck->schluessel.size(), 4u);  // with the three keys above
    const RegSchluessel* z = zurueck->finden("software\\odbc\\odbc.ini\\zelk-access");
    ASSERT_NE(z, nullptr);
    ASSERT_EQ(z->werte.size(), s.werte.size());
    for (std::size_t i = 0; i < s.werte.size(); ++i) {
        EXPECT_EQ(z->werte[i].name, s.werte[i].name) << i;
        EXPECT_EQ(z->werte[i].typ, s.werte[i].typ) << i;
        EXPECT_EQ(z->werte[i].daten, s.werte[i].daten) << i;
    }
}

TEST(RegDatei, BeschaedigteDateiNenntDieZeile)
{
    const QByteArray kopf = "WINE REGISTRY Version 2\n";
    const std::pair<QByteArray, int> faelle[] = {
        {"kein Kopf\n", 1},
        {kopf + "\"a\"=\"b\"\n", 2},  // a value outside a key
        {kopf + "[K]\n\"a\"=hex:0g\n", 3},
        {kopf + "[K]\n\"a\"=\"offen\n", 3},
        {kopf + "[K]\n\"a\"=dword:123\n", 3},
        {kopf + "[K]\n\"a\"=\"\xe4\xb8\xad\"\n", 3},  // not in the code page
    };
    for (const auto& [text, zeile] : faelle) {
        QString fehler;
        EXPECT_FALSE(regDateiLesen(text, &fehler)) << text.constData();
        EXPECT_TRUE(fehler.startsWith(QStringLiteral("Zeile %1:").arg(zeile))) << fehler.toStdString();
    }
    // Hex over several lines, CR LF and comments are fine.
    QString fehler;
    const auto ok = regDateiLesen("WINE REGISTRY Version 2\r\n; c\r\n[K]\r\n\"a\"=hex(1):41,\\\r\n  42\r\n", &fehler);
    ASSERT_TRUE(ok) << fehler.toStdString();
    EXPECT_EQ(ok->finden("K")->wert("A")->daten, QByteArray("AB"));
}

TEST_F(RegistryTest, AnlegenSchreibenLesenOhneBeachtungDerSchreibweise)
{
    RegistryDateien& reg = *speicher;
    HKEY h = 0;
    ASSERT_EQ(reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\B", &h), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(h, "Wert", REG_SZ, "abc", 3), ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueExA(h, "WERT", REG_SZ, "xy\0", 3), ERROR_SUCCESS);  // replaces
    EXPECT_EQ(reg.RegCloseKey(h), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegCloseKey(h), ERROR_INVALID_HANDLE);

    // Intermediate keys exist; paths and names ignore case.
    HKEY z = 0;
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &z), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegOpenKeyExA(z, "a\\b", 0, KEY_READ, &h), ERROR_SUCCESS);
    DWORD typ = 0, groesse = 0;
    EXPECT_EQ(reg.RegQueryValueExA(h, "wert", &typ, nullptr, &groesse), ERROR_SUCCESS);
    EXPECT_EQ(groesse, 3u);
    EXPECT_EQ(typ, REG_SZ);
    char klein[2] = {'-', '-'};
    groesse = 2;
    EXPECT_EQ(reg.RegQueryValueExA(h, "wert", &typ, klein, &groesse), ERROR_MORE_DATA);
    EXPECT_EQ(groesse, 3u);
    EXPECT_EQ(klein[0], '-');
    char gross[8] = {};
    groesse = 8;
    EXPECT_EQ(reg.RegQueryValueExA(h, "wert", &typ, gross, &groesse), ERROR_SUCCESS);
    EXPECT_EQ(QByteArray(gross, int(groesse)), QByteArray("xy\0", 3));
    EXPECT_EQ(reg.RegQueryValueExA(h, "fehlt", &typ, gross, &groesse), ERROR_FILE_NOT_FOUND);
    // A missing key, a prefix of a key, another root, no root.
    for (const auto& [wurzel, pfad, code] : {std::tuple{HKEY_LOCAL_MACHINE, "SOFTWARE\\C", ERROR_FILE_NOT_FOUND},
                                             {HKEY_LOCAL_MACHINE, "SOFT", ERROR_FILE_NOT_FOUND},
                                             {HKEY_CURRENT_USER, "SOFTWARE\\A", ERROR_FILE_NOT_FOUND},
                                             {HKEY(0x1234), "x", ERROR_INVALID_HANDLE}})
        EXPECT_EQ(reg.RegOpenKeyExA(wurzel, pfad, 0, KEY_READ, &z), code) << pfad;

    // A handle opened for reading cannot write.
    EXPECT_EQ(reg.RegSetValueExA(h, "Neu", REG_SZ, "a", 1), ERROR_ACCESS_DENIED);
    reg.RegCloseKey(h);

    // A second store on the same directory sees it: it is in the file.
    neuerSpeicher();
    EXPECT_EQ(wert("Software\\a\\b", "Wert"), QByteArray("xy\0", 3));
    EXPECT_TRUE(benutzerDateiText().contains("\"Wert\"=\"xy\"\n"));
}

TEST_F(RegistryTest, ZweiLaufendeKopienVerlierenNichts)
{
    RegistryDateien zwei(QDir(dir.path()).filePath("rw"));
    const std::tuple<RegistryDateien*, const char*, const char*> werte[] = {{speicher.get(), "a", "1"}, {&zwei, "b", "2"}, {speicher.get(), "c", "3"}};
    for (const auto& [reg, name, daten] : werte)
        EXPECT_EQ(wertSchreiben(*reg, "K", name, REG_SZ, daten), ERROR_SUCCESS);
    neuerSpeicher();
    for (const auto& [reg, name, daten] : werte)
        EXPECT_EQ(wert("K", name), QByteArray(daten)) << name;
    EXPECT_FALSE(QFile::exists(speicher->datei(HKEY_LOCAL_MACHINE) + ".lock"));
}

TEST_F(RegistryTest, SchichtWirdGelesenAberNieBeschrieben)
{
    const QByteArray treiber = "SOFTWARE\\ODBC\\ODBCINST.INI\\Treiber";
    schicht("[SOFTWARE\\\\ODBC\\\\ODBCINST.INI\\\\Treiber]\n\"Driver\"=\"/x/y\"\n\"Alt\"=\"s\"\n");
    const QString schichtDatei = QDir(dir.path()).filePath("ro/HKEY_LOCAL_MACHINE.reg");
    const QByteArray schichtText = lesen(schichtDatei);
    EXPECT_EQ(wert(treiber, "Driver"), QByteArray("/x/y\0", 5));
    // A write goes to the user's store and hides the layer's value.
    EXPECT_EQ(wertSchreiben(*speicher, treiber, "Driver", REG_SZ, "neu"), ERROR_SUCCESS);
    EXPECT_EQ(wert(treiber, "Driver"), QByteArray("neu"));
    EXPECT_EQ(wert(treiber, "Alt"), QByteArray("s\0", 2));
    EXPECT_EQ(lesen(schichtDatei), schichtText);
}

TEST_F(RegistryTest, NichtBeschreibbarerOrtVerweigertAnlegenUndSchreiben)
{
    // A directory below a plain file cannot be made, not even by root.
    QFile datei(QDir(dir.path()).filePath("datei"));
    ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
    schicht("[Da]\n\"v\"=\"1\"\n");
    RegistryDateien reg(datei.fileName() + "/Registry", QDir(dir.path()).filePath("ro"));
    HKEY h = 0;
    EXPECT_EQ(reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "Neu", &h), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "Da", &h), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Da", 0, KEY_WRITE, &h), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Da", 0, KEY_READ, &h), ERROR_SUCCESS);  // reading still works
    EXPECT_EQ(reg.RegSetValueExA(HKEY_LOCAL_MACHINE, "v", REG_SZ, "1", 1), ERROR_ACCESS_DENIED);  // the root itself
    EXPECT_TRUE(meldungen->eintraege().empty());
}

TEST_F(RegistryTest, BeschaedigteDateiWirdGemeldetUndNichtUeberschrieben)
{
    benutzerDatei("[K]\n\"a\"=dword:zz\n");
    const QByteArray kaputt = benutzerDateiText();
    RegistryDateien& reg = *speicher;
    HKEY h = 0;
    EXPECT_EQ(reg.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_READ, &h), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "K", &h), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(reg.RegCreateKeyA(HKEY_LOCAL_MACHINE, "L", &h), ERROR_REGISTRY_CORRUPT);
    ASSERT_EQ(meldungen->eintraege().size(), 1u);  // once, not per call
    const auto& m = meldungen->eintraege()[0];
    EXPECT_TRUE(m.text.contains(QDir::toNativeSeparators(reg.datei(HKEY_LOCAL_MACHINE)))) << m.text.toStdString();
    EXPECT_TRUE(m.text.contains(QStringLiteral("Zeile 3")));
    EXPECT_EQ(m.symbol, Symbol::Kritisch);
    EXPECT_EQ(benutzerDateiText(), kaputt);
    // Other roots are not affected.
    EXPECT_EQ(reg.RegCreateKeyA(HKEY_CURRENT_USER, "K", &h), ERROR_SUCCESS);
}
