// The data-access check, the general registry reader, the user name and
// the working directory.

#include "PfadDatenbank.h"
#include "RegistryRead.h"
#include "Umgebung.h"
#include "Username.h"

using namespace Plattform;

namespace {


const QByteArray controlKey = "[System\\\\CurrentControlSet\\\\Control]\n";

using Sonden = StartupUmgebung;

}  // namespace

TEST(Versionszahl, FuehrendeZahlMitPunkt)
{
    const std::pair<const char*, double> faelle[] = {{"2.8", 2.8}, {"2.8.1117.0", 2.8}, {"6.1", 6.1}, {"2.10", 2.1},
                                                     {"10 (Leser)", 10.0}, {"abc", 0.0}, {"", 0.0},
                                                     {"2,9", 2.0}};  // a comma is no decimal point, in any locale
    for (const auto& [text, zahl] : faelle)
        EXPECT_DOUBLE_EQ(PfadDatenbank::versionsZahl(text), zahl) << text;
}

TEST_F(Sonden, MdacVersionUndIhreWarnungen)
{
    const QString keinMdac = QStringLiteral("Es konnte keine MDAC Installation gefunden werden!\rDas Programm wird vermutlich nicht laufen!");
    const QString zuAlt = QStringLiteral("Die MDAC Version ist < 2.80!\rBitte installieren Sie eine neuere Version!");
    // The label shows what the component said; a warning is critical with OK alone.
    const std::pair<std::optional<QString>, QString> faelle[] = {
        {QStringLiteral("2.8"), {}}, {QStringLiteral("2.7"), zuAlt}, {QStringLiteral("2.10"), zuAlt}, {QStringLiteral("abc"), zuAlt},
        {QStringLiteral("6.1"), {}}, {QStringLiteral("2.8 (Leser über libmdb 1.0.0)"), {}}, {std::nullopt, keinMdac}};
    for (const auto& [v, warnung] : faelle) {
        meldungen->leeren();
        version = v;
        const PfadDatenbank::MdacErgebnis e = PfadDatenbank::MDACPruefen();
        QString gemeldet;
        for (const auto& m : meldungen->eintraege())
            gemeldet += m.text + (m.symbol == Symbol::Kritisch && m.knoepfe == Knoepfe::OK ? u'!' : u'?');
        EXPECT_EQ(e.version + u'|' + e.label2 + u'|' + gemeldet,
                  v.value_or(QString()) + u'|' + (v ? QStringLiteral("MDAC-Version: ") + *v : QStringLiteral("MDAC-Treiber fehlen!")) + u'|'
                      + (warnung.isEmpty() ? QString() : warnung + u'!'));
    }
    EXPECT_FALSE(ende->beendet());
}

TEST_F(Sonden, EchteKomponenteIstNeuGenug)
{
    PfadDatenbank::setzeKomponente({});
    const std::optional<QString> v = PfadDatenbank::datenzugriffVersion();
    ASSERT_TRUE(v);
    EXPECT_GE(PfadDatenbank::versionsZahl(*v), 2.8) << v->toStdString();
    EXPECT_TRUE(v->contains(QStringLiteral("libmdb"))) << v->toStdString();
    EXPECT_TRUE(meldungen->eintraege().empty());
}

TEST_F(Sonden, RegWertLesenGibtAlleBytesMitNulFehlerAlsTypMinusEins)
{
    schicht(controlKey + "\"Current User\"=\"anna\"\n\"Roh\"=hex(3):41,42\n\"Zahl\"=dword:00000007\n");
    const QByteArray control = "System\\CurrentControlSet\\Control";
    struct Fall { const char* wurzel; QByteArray key, name, daten; std::int32_t typ; bool schliessenScheitert = false, abfrageWirft = false; };
    const Fall faelle[] = {
        {"HKEY_LOCAL_MACHINE", control.toLower(), "Current User", QByteArray("anna\0", 5), REG_SZ},
        {"HKEY_LOCAL_MACHINE", control, "Roh", "AB", REG_BINARY},
        {"HKEY_LOCAL_MACHINE", control, "Zahl", QByteArray("\x07\0\0\0", 4), REG_DWORD},
        // Missing: empty, the type stays.
        {"HKEY_LOCAL_MACHINE", control, "Fehlt", {}, 9},
        {"HKEY_LOCAL_MACHINE", "System\\Fehlt", "Current User", {}, 9},
        // Roots only in their exact spelling, without a registry access.
        {"hkey_local_machine", control, "Current User", {}, 9},
        {"HKLM", control, "Current User", {}, 9},
        // A failed close keeps the bytes read; an exception of the store gives none. Both say -1.
        {"HKEY_LOCAL_MACHINE", control, "Current User", QByteArray("anna\0", 5), -1, true},
        {"HKEY_LOCAL_MACHINE", control, "Current User", {}, -1, false, true},
    };
    for (const Fall& f : faelle) {
        reg->schliessenScheitert = f.schliessenScheitert;
        reg->abfrageWirft = f.abfrageWirft;
        std::int32_t typ = 9;
        EXPECT_EQ(RegistryRead::RegWertLesen(QString::fromLatin1(f.wurzel), f.key, f.name, typ), f.daten) << f.name.constData();
        EXPECT_EQ(typ, f.typ) << f.name.constData();
    }
    EXPECT_EQ(RegistryRead::wurzel("HKEY_DYN_DATA"), HKEY_DYN_DATA);
    EXPECT_EQ(RegistryRead::wurzel("HKEY_CURRENT_CONFIG"), HKEY_CURRENT_CONFIG);
    const int aufrufe = reg->aufrufe;
    std::int32_t typ = 0;
    RegistryRead::RegWertLesen("HKLM", control, "Current User", typ);
    EXPECT_EQ(reg->aufrufe, aufrufe);
    ASSERT_EQ(meldungen->eintraege().size(), 1u);  // the exception's alone
    EXPECT_EQ(meldungen->eintraege()[0].text, QStringLiteral("7 > Nicht genügend Speicher"));
    EXPECT_EQ(meldungen->eintraege()[0].symbol, Symbol::Kritisch);
}

TEST_F(Sonden, BenutzernameVomSystemSonstAusDerRegistry)
{
    struct Fall { std::optional<QByteArray> system; QByteArray werte; QString name; };
    const Fall faelle[] = {
        {"J\xfcrgen", {}, QStringLiteral("Jürgen")},
        // 254 characters and the NUL fill the buffer; 255 do not and fall back.
        {QByteArray(254, 'n'), {}, QString(254, u'n')},
        {QByteArray(255, 'n'), "\"Current User\"=\"ersatz\"\n", QStringLiteral("ersatz")},
        {{}, "\"CurrentUser\"=\"zweiter\"\n", QStringLiteral("zweiter")},
        {{}, "\"Current User\"=\"erster\"\n\"CurrentUser\"=\"zweiter\"\n", QStringLiteral("erster")},  // the first wins
        // Stored without NUL it counts as missing; an empty string is a name.
        {{}, "\"Current User\"=hex(1):6f,68,6e,65\n\"CurrentUser\"=\"\"\n", QString()},
    };
    for (const Fall& f : faelle) {
        sys->name = f.system;
        schicht(controlKey + f.werte);
        neuerSpeicher();
        EXPECT_EQ(Username::UserErmitteln(), f.name);
        if (f.werte.isEmpty()) {
            EXPECT_EQ(reg->aufrufe, 0);
        }
    }
    EXPECT_TRUE(meldungen->eintraege().empty());
    EXPECT_FALSE(ende->beendet());
}

TEST(EchtesSystem, BenutzernameUndVerzeichnisse)
{
    EchtesSystem s;
    QByteArray puffer(255, ' ');
    std::uint32_t groesse = 255;
    ASSERT_TRUE(s.GetUserNameA(puffer, groesse));
    EXPECT_GT(groesse, 1u);
    EXPECT_EQ(puffer.indexOf('\0'), qsizetype(groesse - 1));
    QByteArray klein(2, ' ');
    std::uint32_t kleineGroesse = 2;
    if (groesse > 2) {
        EXPECT_FALSE(s.GetUserNameA(klein, kleineGroesse));
        EXPECT_EQ(kleineGroesse, groesse);
    }
    const QString vorher = s.arbeitsverzeichnis();
    QTemporaryDir d;
    ASSERT_TRUE(s.arbeitsverzeichnisSetzen(d.path()));
    EXPECT_EQ(QFileInfo(s.arbeitsverzeichnis()).canonicalFilePath(), QFileInfo(d.path()).canonicalFilePath());
    ASSERT_TRUE(s.arbeitsverzeichnisSetzen(vorher));
}
