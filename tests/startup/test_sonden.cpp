// The data-access check, the general registry reader, the user name and
// the working directory.

#include "PfadDatenbank.h"
#include "RegistryRead.h"
#include "Umgebung.h"
#include "Username.h"

using namespace Plattform;

namespace {

const QString KeinMdac = QStringLiteral("Es konnte keine MDAC Installation gefunden werden!\rDas Programm wird vermutlich nicht laufen!");
const QString MdacZuAlt = QStringLiteral("Die MDAC Version ist < 2.80!\rBitte installieren Sie eine neuere Version!");
const QString UserUnbekannt = QStringLiteral("Aktueller User konnte nicht ermittelt werden, Programm wird beendet!");

const QByteArray controlKey = "[System\\\\CurrentControlSet\\\\Control]\n";

using Sonden = StartupUmgebung;

}  // namespace

TEST(Versionszahl, FuehrendeZahlMitPunkt)
{
    EXPECT_DOUBLE_EQ(PfadDatenbank::versionsZahl("2.8"), 2.8);
    EXPECT_DOUBLE_EQ(PfadDatenbank::versionsZahl("2.8.1117.0"), 2.8);
    EXPECT_DOUBLE_EQ(PfadDatenbank::versionsZahl("6.1"), 6.1);
    EXPECT_DOUBLE_EQ(PfadDatenbank::versionsZahl("2.10"), 2.1);
    EXPECT_DOUBLE_EQ(PfadDatenbank::versionsZahl("10 (Leser)"), 10.0);
    EXPECT_DOUBLE_EQ(PfadDatenbank::versionsZahl("abc"), 0.0);
    EXPECT_DOUBLE_EQ(PfadDatenbank::versionsZahl(""), 0.0);
    EXPECT_DOUBLE_EQ(PfadDatenbank::versionsZahl("2,9"), 2.0);  // a comma is no decimal point, in any locale
}

TEST_F(Sonden, MdacVersionUndIhreWarnungen)
{
    struct Fall {
        const char* text;
        bool warnung;
    };
    for (const Fall f : {Fall{"2.8", false}, Fall{"2.7", true}, Fall{"2.10", true}, Fall{"abc", true}, Fall{"6.1", false},
                         Fall{"2.8 (ZELK-Feldspur-Leser über libmdb 1.0.0)", false}}) {
        meldungen->leeren();
        version = QString::fromUtf8(f.text);
        const PfadDatenbank::MdacErgebnis e = PfadDatenbank::MDACPruefen();
        EXPECT_EQ(e.version, QString::fromUtf8(f.text));
        EXPECT_EQ(e.label2, QStringLiteral("MDAC-Version: ") + QString::fromUtf8(f.text));
        ASSERT_EQ(meldungen->eintraege().size(), f.warnung ? 1u : 0u) << f.text;
        if (f.warnung) {
            EXPECT_EQ(meldungen->eintraege()[0].text, MdacZuAlt);
            EXPECT_EQ(meldungen->eintraege()[0].symbol, Symbol::Kritisch);
            EXPECT_EQ(meldungen->eintraege()[0].knoepfe, Knoepfe::OK);
        }
    }
    EXPECT_FALSE(ende->beendet());
}

TEST_F(Sonden, OhneKomponenteMeldungUndWeiter)
{
    version.reset();
    const PfadDatenbank::MdacErgebnis e = PfadDatenbank::MDACPruefen();
    EXPECT_TRUE(e.version.isEmpty());
    EXPECT_EQ(e.label2, QStringLiteral("MDAC-Treiber fehlen!"));
    ASSERT_EQ(meldungen->eintraege().size(), 1u);
    EXPECT_EQ(meldungen->eintraege()[0].text, KeinMdac);
    EXPECT_FALSE(ende->beendet());
}

TEST_F(Sonden, EchteKomponenteIstNeuGenug)
{
    PfadDatenbank::setzeKomponente({});
    const std::optional<QString> v = PfadDatenbank::datenzugriffVersion();
    ASSERT_TRUE(v);
    EXPECT_GE(PfadDatenbank::versionsZahl(*v), 2.8) << v->toStdString();
    EXPECT_TRUE(v->contains(QStringLiteral("libmdb"))) << v->toStdString();
    EXPECT_EQ(PfadDatenbank::MDACPruefen().label2, QStringLiteral("MDAC-Version: ") + *v);
    EXPECT_TRUE(meldungen->eintraege().empty());
}

TEST_F(Sonden, WurzelnNurInGenauerSchreibweise)
{
    EXPECT_EQ(RegistryRead::wurzel("HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegistryRead::wurzel("HKEY_DYN_DATA"), HKEY_DYN_DATA);
    EXPECT_EQ(RegistryRead::wurzel("HKEY_CURRENT_CONFIG"), HKEY_CURRENT_CONFIG);
    EXPECT_FALSE(RegistryRead::wurzel("hkey_local_machine"));
    EXPECT_FALSE(RegistryRead::wurzel("HKLM"));

    schicht(controlKey + "\"Current User\"=\"anna\"\n");
    std::int32_t typ = 42;
    EXPECT_TRUE(RegistryRead::RegWertLesen("hkey_local_machine", "System\\CurrentControlSet\\Control", "Current User", typ).isEmpty());
    EXPECT_EQ(typ, 42);
    EXPECT_EQ(reg->aufrufe, 0);  // no registry access at all
}

TEST_F(Sonden, RegWertLesenGibtAlleBytesMitNul)
{
    schicht(controlKey + "\"Current User\"=\"anna\"\n\"Roh\"=hex(3):41,42\n\"Zahl\"=dword:00000007\n");
    std::int32_t typ = 0;
    EXPECT_EQ(RegistryRead::RegWertLesen("HKEY_LOCAL_MACHINE", "system\\currentcontrolset\\control", "Current User", typ),
              QByteArray("anna\0", 5));
    EXPECT_EQ(typ, std::int32_t(REG_SZ));
    EXPECT_EQ(RegistryRead::RegWertLesen("HKEY_LOCAL_MACHINE", "System\\CurrentControlSet\\Control", "Roh", typ), QByteArray("AB"));
    EXPECT_EQ(typ, std::int32_t(REG_BINARY));
    EXPECT_EQ(RegistryRead::RegWertLesen("HKEY_LOCAL_MACHINE", "System\\CurrentControlSet\\Control", "Zahl", typ),
              QByteArray("\x07\0\0\0", 4));
    EXPECT_EQ(typ, std::int32_t(REG_DWORD));

    typ = 9;
    EXPECT_TRUE(RegistryRead::RegWertLesen("HKEY_LOCAL_MACHINE", "System\\CurrentControlSet\\Control", "Fehlt", typ).isEmpty());
    EXPECT_EQ(typ, 9);
    EXPECT_TRUE(RegistryRead::RegWertLesen("HKEY_LOCAL_MACHINE", "System\\Fehlt", "Current User", typ).isEmpty());
    EXPECT_EQ(typ, 9);
    EXPECT_TRUE(meldungen->eintraege().empty());
}

TEST_F(Sonden, RegWertLesenFehlerBeimSchliessenUndUnerwarteteFehler)
{
    schicht(controlKey + "\"Current User\"=\"anna\"\n");
    std::int32_t typ = 0;
    reg->schliessenScheitert = true;
    EXPECT_EQ(RegistryRead::RegWertLesen("HKEY_LOCAL_MACHINE", "System\\CurrentControlSet\\Control", "Current User", typ),
              QByteArray("anna\0", 5));
    EXPECT_EQ(typ, -1);

    reg->schliessenScheitert = false;
    reg->abfrageWirft = true;
    typ = 0;
    EXPECT_TRUE(RegistryRead::RegWertLesen("HKEY_LOCAL_MACHINE", "System\\CurrentControlSet\\Control", "Current User", typ).isEmpty());
    EXPECT_EQ(typ, -1);
    ASSERT_EQ(meldungen->eintraege().size(), 1u);
    EXPECT_EQ(meldungen->eintraege()[0].text, QStringLiteral("7 > Nicht genügend Speicher"));
    EXPECT_EQ(meldungen->eintraege()[0].symbol, Symbol::Kritisch);
}

TEST_F(Sonden, BenutzernameVomSystem)
{
    sys->name = QByteArray("J\xfcrgen");
    EXPECT_EQ(Username::UserErmitteln(), QStringLiteral("Jürgen"));
    EXPECT_EQ(reg->aufrufe, 0);

    // 254 characters and the NUL fill the buffer; 255 do not and fall back.
    sys->name = QByteArray(254, 'n');
    EXPECT_EQ(Username::UserErmitteln(), QString(254, u'n'));
    schicht(controlKey + "\"Current User\"=\"ersatz\"\n");
    sys->name = QByteArray(255, 'n');
    EXPECT_EQ(Username::UserErmitteln(), QStringLiteral("ersatz"));
}

TEST_F(Sonden, BenutzernameAusDerRegistry)
{
    sys->name.reset();
    schicht(controlKey + "\"CurrentUser\"=\"zweiter\"\n");
    EXPECT_EQ(Username::UserErmitteln(), QStringLiteral("zweiter"));

    // The first value wins when both are there.
    schicht(controlKey + "\"Current User\"=\"erster\"\n\"CurrentUser\"=\"zweiter\"\n");
    neuerSpeicher();
    EXPECT_EQ(Username::UserErmitteln(), QStringLiteral("erster"));

    // Stored without NUL it counts as missing; an empty string is a name.
    schicht(controlKey + "\"Current User\"=hex(1):6f,68,6e,65\n\"CurrentUser\"=\"\"\n");
    neuerSpeicher();
    EXPECT_EQ(Username::UserErmitteln(), QString());
    EXPECT_TRUE(meldungen->eintraege().empty());
    EXPECT_FALSE(ende->beendet());
}

TEST_F(Sonden, OhneBenutzernameMeldungUndEnde)
{
    sys->name.reset();
    EXPECT_THROW(Username::UserErmitteln(), ProgrammBeendet);
    EXPECT_TRUE(ende->beendet());
    ASSERT_EQ(meldungen->eintraege().size(), 1u);
    EXPECT_EQ(meldungen->eintraege()[0].text, UserUnbekannt);
    EXPECT_EQ(meldungen->eintraege()[0].symbol, Symbol::Kritisch);
    EXPECT_EQ(meldungen->eintraege()[0].knoepfe, Knoepfe::OK);
}

TEST_F(Sonden, ProgrammpfadWirdArbeitsverzeichnis)
{
    sys->programm = QStringLiteral("/opt/anderswo");
    PfadDatenbank::ProgrammpfadSetzen();
    ASSERT_EQ(sys->wechsel.size(), 1u);
    EXPECT_EQ(sys->wechsel[0], QStringLiteral("/opt/anderswo"));
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
