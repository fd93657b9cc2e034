// Driver probes, the data-source listing and the registration, against a
// store on a temporary directory.

#include "Ansi.h"
#include "ODBCSchluessel.h"
#include "Umgebung.h"

using namespace Plattform;
using namespace ODBCSchluessel;

namespace {

const QByteArray dsnKey = "SOFTWARE\\ODBC\\ODBC.INI\\ZELK-Access";
const QByteArray jetKey = "SOFTWARE\\ODBC\\ODBC.INI\\ZELK-Access\\Engines\\Jet";
const QByteArray listeKey = "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources";

QByteArray puffer(const QByteArray& text)
{
    QByteArray p = text + '\0';
    return p + QByteArray(PufferLaenge - p.size(), ' ');
}

QByteArray dword(quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); }

using Odbc = StartupUmgebung;

}  // namespace

namespace Plattform {
bool operator==(const RegWert& a, const RegWert& b) { return a.name == b.name && a.typ == b.typ && a.daten == b.daten; }
void PrintTo(const RegWert& w, std::ostream* o) { *o << w.name.constData() << ' ' << w.typ << ' ' << w.daten.toHex().constData(); }
}  // namespace Plattform

TEST_F(Odbc, TreiberSucheInDenPuffer)
{
    using P = std::optional<QByteArray>;  // the driver's path, none: not found
    struct Fall { const char* was; QByteArray schicht; P englisch, deutsch; };
    const Fall faelle[] = {
        {"beide", englischerTreiber() + deutscherTreiber(), "/usr/lib/zelk/leser", "/usr/lib/zelk/treiber-de"},
        {"nur deutsch", deutscherTreiber(), {}, "/usr/lib/zelk/treiber-de"},
        {"leerer Wert", englischerTreiber(""), "", {}},
        // 254 characters and the NUL fit; one more does not.
        {"254 Zeichen", englischerTreiber(QByteArray(254, 'e')), QByteArray(254, 'e'), {}},
        {"255 Zeichen", deutscherTreiber(QByteArray(255, 'd')), {}, {}},
    };
    for (const Fall& f : faelle) {
        schicht(f.schicht);
        neuerSpeicher();
        // A driver that is missing or does not fit leaves the buffer alone.
        QByteArray en = "vorher", de = leererPuffer();
        EXPECT_EQ(TreiberEnglisch(en), f.englisch.has_value()) << f.was;
        EXPECT_EQ(TreiberDeutsch(de), f.deutsch.has_value()) << f.was;
        EXPECT_EQ(en, f.englisch ? puffer(*f.englisch) : QByteArray("vorher")) << f.was;
        EXPECT_EQ(de, f.deutsch ? puffer(*f.deutsch) : leererPuffer()) << f.was;
        if (f.englisch) {
            EXPECT_EQ(treiberText(en), *f.englisch) << f.was;
        }
    }
}

TEST_F(Odbc, AnlegenSchreibtDieWerteDesTreibersUndLaesstFremdeStehen)
{
    const QByteArray tp = puffer("/usr/lib/zelk/leser");
    ASSERT_TRUE(DSNAnlegen(tp, "ZELK-Access"));
    // What the Access driver reads from a data source, byte for byte and in the order written.
    const std::vector<std::pair<QByteArray, std::vector<RegWert>>> soll = {
        {dsnKey,
         {{"UID", REG_SZ, QByteArray(1, '\0')}, {"Description", REG_SZ, nachAnsi(u"ODBC Eintrag für ZELK Programme")},
          {"Driver", REG_SZ, tp}, {"FIL", REG_SZ, "SQLite ODBC Driver;"}, {"DriverId", REG_DWORD, dword(25)},
          {"SafeTransactions", REG_DWORD, dword(0)}}},
        {jetKey,
         {{"ImplicitCommitSync", REG_SZ, QByteArray(1, '\0')}, {"UserCommitSync", REG_SZ, "Yes"},
          {"MaxBufferSize", REG_DWORD, dword(2048)}, {"PageTimeout", REG_DWORD, dword(5)}, {"Threads", REG_DWORD, dword(3)}}},
        {listeKey, {{"ZELK-Access", REG_SZ, "Microsoft Access Driver (*.mdb)"}}}};
    const RegInhalt ist = benutzerInhalt();
    for (const auto& [key, werte] : soll) {
        const RegSchluessel* s = ist.finden(key);
        ASSERT_NE(s, nullptr) << key.constData();
        EXPECT_EQ(s->werte, werte) << key.constData();
    }
    EXPECT_TRUE(DSNVorhanden("ZELK-Access"));

    // Again over a value of the user's own: it stays, ours are replaced.
    benutzerDatei("[SOFTWARE\\\\ODBC\\\\ODBC.INI\\\\ZELK-Access]\n\"DBQ\"=\"/daten/a.mdb\"\n\"DriverId\"=dword:00000001\n");
    neuerSpeicher();
    ASSERT_TRUE(DSNAnlegen(tp, "ZELK-Access"));
    const RegInhalt danach = benutzerInhalt();
    const RegSchluessel* s = danach.finden(dsnKey);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->wert("DBQ")->daten, QByteArray("/daten/a.mdb\0", 13));
    EXPECT_EQ(s->wert("DriverId")->daten, dword(25));
    EXPECT_EQ(s->werte.size(), 7u);
}

TEST_F(Odbc, GescheiterteAnmeldungSchreibtKeinenListeneintrag)
{
    struct Fall {
        QByteArray anlegenVerweigern, schreibenVerweigern;
        int dsnWerte, jetWerte;  // -1: the key is not there
    };
    // No rollback, but the list entry that would claim success is not written.
    const Fall faelle[] = {{"ZELK-Access", "", -1, -1}, {"\\Engines\\Jet", "", 6, -1}, {"", "Threads", 6, 4}};
    for (const Fall& f : faelle) {
        ersterStart();
        reg->anlegenVerweigern = f.anlegenVerweigern;
        reg->schreibenVerweigern = f.schreibenVerweigern;
        EXPECT_FALSE(DSNAnlegen(puffer("/x"), "ZELK-Access"));
        EXPECT_FALSE(DSNVorhanden("ZELK-Access"));
        if (f.dsnWerte < 0) {
            EXPECT_EQ(reg->schreibungen, 0);
            EXPECT_TRUE(benutzerDateiText().isEmpty());
            continue;
        }
        const RegInhalt inhalt = benutzerInhalt();
        const RegSchluessel* dsn = inhalt.finden(dsnKey);
        const RegSchluessel* jet = inhalt.finden(jetKey);
        EXPECT_EQ(dsn ? int(dsn->werte.size()) : -1, f.dsnWerte) << f.anlegenVerweigern.constData();
        EXPECT_EQ(jet ? int(jet->werte.size()) : -1, f.jetWerte) << f.anlegenVerweigern.constData();
        EXPECT_EQ(inhalt.finden(listeKey), nullptr);
    }
}
