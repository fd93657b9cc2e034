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
    return p + QByteArray(255 - p.size(), ' ');
}

QByteArray dword(quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); }

struct Erwartet {
    const char* name;
    DWORD typ;
    QByteArray daten;
};

void pruefeWerte(const RegInhalt& inhalt, const QByteArray& key, const std::vector<Erwartet>& erwartet)
{
    const RegSchluessel* s = inhalt.finden(key);
    ASSERT_NE(s, nullptr) << key.constData();
    ASSERT_EQ(s->werte.size(), erwartet.size()) << key.constData();
    for (std::size_t i = 0; i < erwartet.size(); ++i) {
        EXPECT_EQ(s->werte[i].name, QByteArray(erwartet[i].name)) << i;
        EXPECT_EQ(s->werte[i].typ, erwartet[i].typ) << erwartet[i].name;
        EXPECT_EQ(s->werte[i].daten, erwartet[i].daten) << erwartet[i].name;
    }
}

using Odbc = StartupUmgebung;

}  // namespace

TEST_F(Odbc, TreiberSuche)
{
    schicht(englischerTreiber() + deutscherTreiber());
    QByteArray tp = leererPuffer();
    EXPECT_TRUE(TreiberEnglisch(tp));
    EXPECT_EQ(tp, puffer("/usr/lib/zelk/leser"));
    QByteArray de = leererPuffer();
    EXPECT_TRUE(TreiberDeutsch(de));
    EXPECT_EQ(de, puffer("/usr/lib/zelk/treiber-de"));
    EXPECT_EQ(treiberText(de), QByteArray("/usr/lib/zelk/treiber-de"));
}

TEST_F(Odbc, FehlenderTreiberLaesstDenPfadUnveraendert)
{
    schicht(deutscherTreiber());
    QByteArray tp = "vorher";
    EXPECT_FALSE(TreiberEnglisch(tp));
    EXPECT_EQ(tp, QByteArray("vorher"));
    EXPECT_TRUE(TreiberDeutsch(tp));
    EXPECT_EQ(tp.size(), 255);
}

TEST_F(Odbc, TreiberwertPasstMitGenau255Bytes)
{
    // 254 characters and the NUL fit; one more does not.
    schicht(englischerTreiber(QByteArray(254, 'e')) + deutscherTreiber(QByteArray(255, 'd')));
    QByteArray tp = leererPuffer();
    EXPECT_TRUE(TreiberEnglisch(tp));
    EXPECT_EQ(tp, QByteArray(254, 'e') + '\0');
    QByteArray de = leererPuffer();
    EXPECT_FALSE(TreiberDeutsch(de));
    EXPECT_EQ(de, leererPuffer());
}

TEST_F(Odbc, LeererTreiberwertZaehltAlsGefunden)
{
    schicht(englischerTreiber(""));
    QByteArray tp = leererPuffer();
    ASSERT_TRUE(TreiberEnglisch(tp));
    EXPECT_EQ(tp, puffer(""));
    EXPECT_EQ(treiberText(tp), QByteArray());
}

TEST_F(Odbc, DatenquelleGilltAlsVorhandenNurNachDerListe)
{
    EXPECT_FALSE(DSNVorhanden("ZELK-Access"));
    // Its own key alone does not count.
    benutzerDatei("[" + QByteArray("SOFTWARE\\\\ODBC\\\\ODBC.INI\\\\ZELK-Access") + "]\n\"UID\"=\"\"\n");
    neuerSpeicher();
    EXPECT_FALSE(DSNVorhanden("ZELK-Access"));
    // Listed without its key, with a value of any type: registered.
    benutzerDatei("[SOFTWARE\\\\ODBC\\\\ODBC.INI\\\\ODBC Data Sources]\n\"zelk-access\"=dword:00000001\n");
    neuerSpeicher();
    EXPECT_TRUE(DSNVorhanden("ZELK-Access"));
    EXPECT_FALSE(DSNVorhanden("Andere"));
}

TEST_F(Odbc, AnlegenSchreibtJedesByteInDieserReihenfolge)
{
    const QByteArray tp = puffer("/usr/lib/zelk/leser");
    ASSERT_TRUE(DSNAnlegen(tp, "ZELK-Access"));
    const RegInhalt inhalt = benutzerInhalt();
    pruefeWerte(inhalt, dsnKey,
                {{"UID", REG_SZ, QByteArray(1, '\0')},
                 {"Description", REG_SZ, QByteArray("ODBC Eintrag f\xfcr ZELK Programme")},
                 {"Driver", REG_SZ, tp},
                 {"FIL", REG_SZ, QByteArray("SQLite ODBC Driver;")},
                 {"DriverId", REG_DWORD, dword(25)},
                 {"SafeTransactions", REG_DWORD, dword(0)}});
    pruefeWerte(inhalt, jetKey,
                {{"ImplicitCommitSync", REG_SZ, QByteArray(1, '\0')},
                 {"UserCommitSync", REG_SZ, QByteArray("Yes")},
                 {"MaxBufferSize", REG_DWORD, dword(2048)},
                 {"PageTimeout", REG_DWORD, dword(5)},
                 {"Threads", REG_DWORD, dword(3)}});
    pruefeWerte(inhalt, listeKey, {{"ZELK-Access", REG_SZ, QByteArray("Microsoft Access Driver (*.mdb)")}});
    EXPECT_EQ(inhalt.finden(dsnKey)->wert("Description")->daten.size(), 31);
    EXPECT_EQ(inhalt.finden(dsnKey)->wert("FIL")->daten.size(), 19);
    EXPECT_EQ(inhalt.finden(dsnKey)->wert("Driver")->daten.size(), 255);
    EXPECT_TRUE(DSNVorhanden("ZELK-Access"));
}

TEST_F(Odbc, AnlegenUeberschreibtNurDieEigenenWerte)
{
    benutzerDatei("[SOFTWARE\\\\ODBC\\\\ODBC.INI\\\\ZELK-Access]\n\"DBQ\"=\"/daten/a.mdb\"\n\"DriverId\"=dword:00000001\n");
    neuerSpeicher();
    ASSERT_TRUE(DSNAnlegen(puffer("/x"), "ZELK-Access"));
    const RegInhalt inhalt = benutzerInhalt();
    const RegSchluessel* s = inhalt.finden(dsnKey);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->wert("DBQ")->daten, QByteArray("/daten/a.mdb\0", 13));
    EXPECT_EQ(s->wert("DriverId")->daten, dword(25));
    EXPECT_EQ(s->werte.size(), 7u);
}

TEST_F(Odbc, VerweigerungAmEngineSchluesselLaesstDieSechsWerteStehen)
{
    reg->anlegenVerweigern = "\\Engines\\Jet";
    EXPECT_FALSE(DSNAnlegen(puffer("/x"), "ZELK-Access"));
    const RegInhalt inhalt = benutzerInhalt();
    ASSERT_NE(inhalt.finden(dsnKey), nullptr);
    EXPECT_EQ(inhalt.finden(dsnKey)->werte.size(), 6u);
    EXPECT_FALSE(inhalt.vorhanden(jetKey));
    EXPECT_EQ(inhalt.finden(listeKey), nullptr);
    EXPECT_FALSE(DSNVorhanden("ZELK-Access"));
}

TEST_F(Odbc, VerweigerungAmErstenSchluesselSchreibtNichts)
{
    reg->anlegenVerweigern = "ZELK-Access";
    EXPECT_FALSE(DSNAnlegen(puffer("/x"), "ZELK-Access"));
    EXPECT_EQ(reg->schreibungen, 0);
    EXPECT_TRUE(benutzerDateiText().isEmpty());
}

TEST_F(Odbc, GescheiterterWertGiltAlsGescheiterteAnmeldung)
{
    reg->schreibenVerweigern = "Threads";
    EXPECT_FALSE(DSNAnlegen(puffer("/x"), "ZELK-Access"));
    // No rollback, but the list entry that would claim success is not written.
    const RegInhalt inhalt = benutzerInhalt();
    EXPECT_EQ(inhalt.finden(jetKey)->werte.size(), 4u);
    EXPECT_EQ(inhalt.finden(listeKey), nullptr);
}
