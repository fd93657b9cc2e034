// The command line of the search read into values, and the files a call
// names.

#include "Aufruf.h"
#include "Dateisammlung.h"
#include "Mehrfachsuche.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "Dateimuster.h"

#include <ostream>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* aus) { *aus << '"' << s.toStdString() << '"'; }

using namespace Kommandozeile;

namespace {

QStringList liste(std::initializer_list<const char*> w)
{
    QStringList l;
    for (const char* s : w)
        l << QString::fromUtf8(s);
    return l;
}

TEST(Aufruf, FreieAngabenUndOptionenAnJederStelle)
{
    const struct {
        QStringList argumente;
        QStringList pfade;
        const char* tabelle;
        const char* suchtext;
        bool alle, rekursiv, platzhalter, utf8;
        const char* protokoll;
    } faelle[] = {
        {liste({"k.mdb", "Kunden", "m*ller"}), liste({"k.mdb"}), "Kunden", "m*ller", false, false, true, false, ""},
        {liste({"--ohne-wildcards", "k.mdb", "Kunden Alt", "m*ller", "--protokoll", "p.txt"}), liste({"k.mdb"}),
         "Kunden Alt", "m*ller", false, false, false, false, "p.txt"},
        {liste({"a.mdb", "b.mdb", "ordner", "Kunden", "x", "--protokoll=p.txt"}), liste({"a.mdb", "b.mdb", "ordner"}),
         "Kunden", "x", false, false, true, false, "p.txt"},
        {liste({"--alle-tabellen", "-r", "ordner", "Müller", "--utf8"}), liste({"ordner"}), "", "Müller", true, true, true,
         true, ""},
        {liste({"ordner1", "--rekursiv", "ordner2", "--alle-tabellen", "x"}), liste({"ordner1", "ordner2"}), "", "x", true,
         true, true, false, ""},
        {liste({"--alle-tabellen", "k.mdb", "--", "-5"}), liste({"k.mdb"}), "", "-5", true, false, true, false, ""},
        {liste({"k.mdb", "T", "-"}), liste({"k.mdb"}), "T", "-", false, false, true, false, ""},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.argumente.join(u' ').toStdString());
        const Aufrufergebnis e = aufrufLesen(f.argumente);
        ASSERT_TRUE(e.aufruf) << e.fehler.toStdString();
        EXPECT_EQ(e.aufruf->pfade, f.pfade);
        EXPECT_EQ(e.aufruf->tabelle, QString::fromUtf8(f.tabelle));
        EXPECT_EQ(e.aufruf->suchtext, QString::fromUtf8(f.suchtext));
        EXPECT_EQ(e.aufruf->alleTabellen, f.alle);
        EXPECT_EQ(e.aufruf->rekursiv, f.rekursiv);
        EXPECT_EQ(e.aufruf->platzhalter, f.platzhalter);
        EXPECT_EQ(e.aufruf->utf8, f.utf8);
        EXPECT_EQ(e.aufruf->protokollDatei, QString::fromUtf8(f.protokoll));
    }
}

// --felder and --info give the mask's rows in the table's column order, named
// as the table spells them; a field in both lists is searched; names the
// table lacks are reported.
TEST(Aufruf, FeldauswahlWieDieMaske)
{
    const auto a = aufrufLesen(liste({"k.mdb", "--felder", "name,Ort", "Kunden", "--info=PLZ", "--info", "Ort", "m*ller"}));
    ASSERT_TRUE(a.aufruf) << a.fehler.toStdString();
    EXPECT_EQ(a.aufruf->felder, liste({"name", "Ort"}));
    EXPECT_EQ(a.aufruf->info, liste({"PLZ", "Ort"}));

    const QStringList spalten = liste({"Nr", "Name", "PLZ", "Ort", "Straße Nr"});
    const Feldwahl w = feldwahl(spalten, a.aufruf->felder, a.aufruf->info);
    EXPECT_TRUE(w.fehlend.isEmpty());
    ASSERT_EQ(w.zeilen.size(), 5u);
    const struct { const char* name; bool suchen, info; } erwartet[] = {
        {"Nr", false, false}, {"Name", true, false}, {"PLZ", false, true}, {"Ort", true, false}, {"Straße Nr", false, false}};
    for (std::size_t i = 0; i < w.zeilen.size(); ++i) {
        EXPECT_EQ(w.zeilen[i].feldname, QString::fromUtf8(erwartet[i].name));
        EXPECT_EQ(w.zeilen[i].suchen, erwartet[i].suchen) << erwartet[i].name;
        EXPECT_EQ(w.zeilen[i].info, erwartet[i].info) << erwartet[i].name;
    }
    EXPECT_EQ(feldwahl(spalten, liste({"Name", "Telefon"}), liste({"Fax", "Telefon"})).fehlend, liste({"Telefon", "Fax"}));
    EXPECT_EQ(feldwahl(spalten, liste({"straße nr"}), {}).zeilen[4].suchen, true);
}

TEST(Aufruf, FehlerSagenWasFehlt)
{
    const struct {
        QStringList argumente;
        const char* fehler;
    } faelle[] = {
        {liste({"k.mdb", "Kunden"}), "es fehlen Datei, Tabelle oder Suchtext"},
        {liste({"--alle-tabellen", "k.mdb"}), "es fehlen Datei oder Suchtext"},
        {liste({}), "es fehlen"},
        {liste({"-x", "k.mdb", "T", "a"}), "unbekannte Option „-x“"},
        {liste({"--felder", "k.mdb", "T", "a"}), "es fehlen Datei, Tabelle oder Suchtext"},  // k.mdb is the value
        {liste({"k.mdb", "T", "a", "--info="}), "„--info“ braucht einen Wert (C,D)"},
        {liste({"k.mdb", "T", "a", "--protokoll"}), "„--protokoll“ braucht einen Wert (DATEI)"},
        {liste({"k.mdb", "T", "a", "--protokoll="}), "„--protokoll“ braucht einen Wert (DATEI)"},
        {liste({"k.mdb", "T", "a", "--utf8=ja"}), "„--utf8“ nimmt keinen Wert"},
    };
    for (const auto& f : faelle) {
        const Aufrufergebnis e = aufrufLesen(f.argumente);
        EXPECT_FALSE(e.aufruf) << f.argumente.join(u' ').toStdString();
        EXPECT_TRUE(e.fehler.startsWith(QString::fromUtf8(f.fehler))) << e.fehler.toStdString();
    }
    // Help needs nothing else.
    const Aufrufergebnis hilfe = aufrufLesen(liste({"-h"}));
    ASSERT_TRUE(hilfe.aufruf);
    EXPECT_TRUE(hilfe.aufruf->hilfe);
}

TEST(Aufruf, UeberschriftenSobaldMehrAlsEineTabelleErreichbarIst)
{
    QTemporaryDir dir;
    Aufruf a;
    a.pfade = QStringList{dir.filePath(QStringLiteral("k.mdb"))};
    EXPECT_FALSE(mehrereTabellen(a));
    a.alleTabellen = true;
    EXPECT_TRUE(mehrereTabellen(a));
    a.alleTabellen = false;
    a.pfade << QStringLiteral("b.mdb");
    EXPECT_TRUE(mehrereTabellen(a));
    a.pfade = QStringList{dir.path()};
    EXPECT_TRUE(mehrereTabellen(a));
    EXPECT_EQ(ueberschrift(QStringLiteral("a/b.mdb"), QStringLiteral("Kunden Alt")),
              QStringLiteral(">>Datei: a/b.mdb\tTabelle: Kunden Alt"));
}

class Sammlung : public ::testing::Test {
protected:
    void anlegen(const char* name)
    {
        const QString p = dir.filePath(QString::fromUtf8(name));
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QStringList pfade(const std::vector<Fundstelle>& funde)
    {
        QStringList l;
        for (const auto& f : funde)
            l << f.pfad.mid(dir.path().size() + 1) + (f.fehler.isEmpty() ? QString() : QStringLiteral(" !"));
        return l;
    }
    QTemporaryDir dir;
};

TEST_F(Sammlung, OrdnerWieDieDateilisteUnterordnerNurMitR)
{
    for (const char* n : {"Kunden10.mdb", "kunden2.MDB", "b.Mdb", ".versteckt.mdb", ".mdb", "notiz.txt", "x.mdb.bak", "c.ACCDB",
                          "d.accdb", ".accdb", "e.accdb.bak", "f.accde",
                          "Archiv B/z.mdb", "archiv a/y.mdb", "archiv a/tief/w.mdb", "archiv a/tief/Kein.mdb/v.mdb"})
        anlegen(n);
    // The files in the order of the window's file list.
    QStringList liste1;
    for (const QString& n : Dateimuster::datenbankDateien(dir.path()))
        liste1 << n;
    EXPECT_EQ(liste1.size(), 6);
    EXPECT_EQ(pfade(dateienSammeln({dir.path()}, false)), liste1);
    EXPECT_EQ(pfade(dateienSammeln({dir.path()}, true)),
              liste1 + liste({"archiv a/y.mdb", "archiv a/tief/w.mdb", "archiv a/tief/Kein.mdb/v.mdb", "Archiv B/z.mdb"}));
    // A file named on the command line is taken as it is; a folder twice is read once.
    EXPECT_EQ(pfade(dateienSammeln({dir.filePath(QStringLiteral("notiz.txt")), dir.filePath(QStringLiteral("archiv a")),
                                    dir.filePath(QStringLiteral("archiv a/"))},
                                   false)),
              liste({"notiz.txt", "archiv a/y.mdb"}));
}

TEST_F(Sammlung, EineSchleifeUeberVerknuepfungenEndet)
{
    anlegen("a/x.mdb");
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("a/zurueck"))));
    EXPECT_EQ(pfade(dateienSammeln({dir.path()}, true)), liste({"a/x.mdb"}));
}

TEST_F(Sammlung, WasNichtZumLeserDarf)
{
    anlegen("gut.mdb");
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nirgends")), dir.filePath(QStringLiteral("weg.mdb"))));
    const struct {
        const char* name;
        const char* grund;
    } faelle[] = {{"gut.mdb", ""}, {"fehlt.mdb", "Datei nicht gefunden"}, {"weg.mdb", "Verknüpfung ins Leere"},
                  {".", "ist ein Ordner"}};
    for (const auto& f : faelle)
        EXPECT_EQ(dateiPruefen(dir.filePath(QString::fromUtf8(f.name))), QString::fromUtf8(f.grund)) << f.name;
    EXPECT_EQ(dateiPruefen(QStringLiteral("/dev/null")), QStringLiteral("ist keine gewöhnliche Datei"));
}

}  // namespace
