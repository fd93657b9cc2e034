// The data-access component against files of our Jet writer, Jet 3 and Jet 4.

#include "Datenzugriff.h"
#include "MdbWriter.h"
#include "Strukturen.h"
#include "Tabellenkatalog.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>


using namespace Datenzugriff;
using mdbwriter::Cell;
using mdbwriter::ColumnType;
using mdbwriter::Format;

namespace {

// Which tables a user made, and what the window's list says it leaves out.
TEST(Tabellenkatalog, BenutzertabellenUndWasDieListeAuslaesst)
{
    auto e = [](const char* typ, const char* name, const char* verweis = "") {
        return KatalogEintrag{QString::fromLatin1(typ), QString::fromUtf8(name), QString::fromLatin1(verweis)};
    };
    const std::vector<KatalogEintrag> katalog = {
        e("TABLE", "Kunden"), e("TABLE", "Order Details"), e("SYSTEM TABLE", "MSysObjects"), e("TABLE", "MSysEigene"),
        e("TABLE", "~TMPCLP1"), e("TABLE", "~tmpklein"), e("VIEW", "Abfrage"), e("TABLE", "Alt [2020]]"),
        e("TABLE", "Kaputt"), e("LINK", "Vereine", "C:\\daten.mdb")};
    const Benutzertabellen b = benutzertabellen(katalog);
    EXPECT_EQ(b.tabellen, (QStringList{QStringLiteral("Kunden"), QStringLiteral("Order Details"), QStringLiteral("~tmpklein"),
                                       QStringLiteral("Alt [2020]]"), QStringLiteral("Kaputt")}));
    ASSERT_EQ(b.verknuepft.size(), 1u);
    EXPECT_EQ(b.verknuepft[0].verweis, QStringLiteral("C:\\daten.mdb"));

    const struct {
        QStringList gelistet;
        const char* hinweis;
    } faelle[] = {
        {{QStringLiteral("Kunden"), QStringLiteral("~tmpklein")},
         "4 Tabellen fehlen in der Liste:\n„Order Details“, „Alt [2020]]“ (der Name gilt nur in eckigen Klammern)\n"
         "„Kaputt“ (nicht lesbar)\n1 verknüpfte (ihre Daten liegen in einer anderen Datei)\n"
         "zelk-feldspur-suche --alle-tabellen durchsucht jede Tabelle."},
        {b.tabellen, "1 Tabelle fehlt in der Liste:\n1 verknüpfte (ihre Daten liegen in einer anderen Datei)\n"
                     "zelk-feldspur-suche --alle-tabellen durchsucht jede Tabelle."},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(ausgelassenHinweis(katalog, f.gelistet), QString::fromUtf8(f.hinweis));
    EXPECT_EQ(ausgelassenHinweis({e("TABLE", "Kunden")}, {QStringLiteral("Kunden")}), QString());
}

// The program's form is read in test_anweisung.cpp; the file is all that counts here.
QString verbindungstext(const QString& datei) { return QStringLiteral("DSN=ZELK-Access;DBQ=") + datei + QStringLiteral(";UID=admin;"); }

int fehlernummer(const std::function<void()>& f)
{
    try {
        f();
    } catch (const DatenzugriffsFehler& e) {
        EXPECT_FALSE(e.Description().isEmpty());
        return e.Number();
    }
    return 0;
}

class Datenzugriff_ : public ::testing::TestWithParam<Format> {
protected:
    QString datei(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir_;
};

// The recordset's side of every type: field types and attributes, names,
// the end of the rows. The values themselves are the reader's matrix
// (test_strukturen.cpp).
TEST_P(Datenzugriff_, JederTypAlsFeld)
{
    const QString pfad = datei("typen.mdb");
    mdbwriter::TableContent t;
    {
        mdbwriter::Database db(pfad.toStdString(), GetParam());
        t = mdbwriter::writeAllTypes(db, GetParam(), "Typen");
        db.finish();
    }
    Connection c;
    c.Open(verbindungstext(pfad), {}, {}, -1);
    ASSERT_EQ(c.State(), adStateOpen);
    Recordset r;
    r.Open(QStringLiteral("Select * from [Typen];"), c, adOpenDynamic, adLockOptimistic, -1);
    ASSERT_EQ(r.State(), adStateOpen);
    EXPECT_EQ(r.CursorType(), adOpenDynamic);
    EXPECT_EQ(r.LockType(), adLockOptimistic);
    EXPECT_EQ(r.RecordCount(), 4);
    const Fields& f = r.fields();
    ASSERT_EQ(f.Count(), 13);
    EXPECT_EQ(f.Item(9).Name(), QStringLiteral("Straße Nr"));
    EXPECT_EQ(&f.Item(QStringLiteral("straße nr")), &f.Item(9));
    const int typen[] = {adInteger, adSmallInt, adUnsignedTinyInt, adSingle, adDouble, adCurrency, adDate, adBoolean, adGUID,
                         adVarWChar, adLongVarWChar, adLongVarBinary, adVarBinary};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(f.Item(i).Type(), typen[i]) << i;
    EXPECT_TRUE(f.Item(10).Attributes() & adFldLong);
    EXPECT_FALSE(f.Item(9).Attributes() & adFldLong);
    EXPECT_TRUE(f.Item(0).Attributes() & adFldFixed);
    EXPECT_TRUE(f.Item(0).Attributes() & adFldMayBeNull);

    std::size_t zeilen = 0;
    for (; !r.Eof(); r.MoveNext())
        ++zeilen;
    EXPECT_EQ(zeilen, t.rows.size());
    EXPECT_EQ(fehlernummer([&] { r.MoveNext(); }), FehlerBofEof);
    EXPECT_EQ(fehlernummer([&] { (void)f.Item(0).Value(); }), FehlerBofEof);

    // Back to the start: the same first row again.
    r.MoveFirst();
    ASSERT_FALSE(r.Eof());
    EXPECT_EQ(r.fields().Item(9).Value().text, QString::fromStdString(t.rows[0][9].textValue));
}

// Statements, names and the catalogue in the order the tables were made.
TEST_P(Datenzugriff_, AnweisungenNamenUndKatalog)
{
    const QString pfad = datei("namen.mdb");
    {
        mdbwriter::Database db(pfad.toStdString(), GetParam());
        db.addTable("Leer", {{"A", ColumnType::Long}});
        const auto t = db.addTable("Kunden Alt", {{"Name", ColumnType::Text, 40}, {"Straße Nr", ColumnType::Text, 40}, {"Ort", ColumnType::Text, 40}});
        db.addRow(t, {Cell::text("Müller"), Cell::text("Hauptstr. 1"), Cell::text("Köln")});
        db.addQuery("Abfrage1");
        db.addTable("~TMPCLP1", {{"A", ColumnType::Long}});
        db.addSystemTable("MSysEigene", {{"A", ColumnType::Long}});
        db.finish();
    }
    Connection c;
    c.Open(verbindungstext(pfad));
    Recordset probe;
    probe.setSource(QStringLiteral("Select * from Kunden Alt;"));
    EXPECT_EQ(fehlernummer([&] { probe.Open(c, -1, -1, -1); }), FehlerAnweisung);
    EXPECT_EQ(probe.State(), adStateClosed);
    probe.setSource(QStringLiteral("Select * from Leer;"));
    probe.Open(c, -1, -1, -1);
    EXPECT_TRUE(probe.Eof());
    EXPECT_EQ(probe.RecordCount(), 0);
    probe.Close();

    EXPECT_EQ(fehlernummer([&] { Recordset r; r.Open(QStringLiteral("Select * from [Kunden];"), c); }), FehlerTabelleUnbekannt);
    EXPECT_EQ(fehlernummer([&] { Recordset r; r.Open(QStringLiteral("Select [Plz] from [Kunden Alt];"), c); }), FehlerFeldUnbekannt);

    // The statement's order, not the table's; a field may come twice.
    Recordset r;
    r.Open(QStringLiteral("Select [Ort],  [Straße Nr],  [Ort] from [Kunden Alt];"), c, adOpenDynamic, adLockOptimistic, -1);
    ASSERT_EQ(r.fields().Count(), 3);
    EXPECT_EQ(r.fields().Item(0).Name(), QStringLiteral("Ort"));
    EXPECT_EQ(r.fields().Item(1).Value().text, QStringLiteral("Hauptstr. 1"));
    EXPECT_EQ(r.fields().Item(2).Value().text, QStringLiteral("Köln"));
    EXPECT_EQ(fehlernummer([&] { (void)r.fields().Item(QStringLiteral("Name")); }), FehlerFeldUnbekannt);

    auto schema = c.OpenSchema(adSchemaTables);
    std::vector<std::pair<QString, QString>> tabellen, system;
    for (; !schema->Eof(); schema->MoveNext()) {
        const QString typ = schema->fields().Item(QStringLiteral("TABLE_TYPE")).Value().text;
        (typ == QLatin1String("SYSTEM TABLE") ? system : tabellen).emplace_back(typ, schema->fields().Item(QStringLiteral("TABLE_NAME")).Value().text);
    }
    for (const char* name : {"MSysEigene", "MSysObjects"})
        EXPECT_NE(std::find(system.begin(), system.end(), std::pair{QStringLiteral("SYSTEM TABLE"), QString::fromLatin1(name)}), system.end());
    const std::vector<std::pair<QString, QString>> erwartet = {
        {QStringLiteral("TABLE"), QStringLiteral("Leer")}, {QStringLiteral("TABLE"), QStringLiteral("Kunden Alt")},
        {QStringLiteral("VIEW"), QStringLiteral("Abfrage1")}, {QStringLiteral("TABLE"), QStringLiteral("~TMPCLP1")}};
    EXPECT_EQ(tabellen, erwartet);
    EXPECT_EQ(fehlernummer([&] { (void)c.OpenSchema(4); }), FehlerAbfragetyp);

    // Closing the connection closes its recordsets.
    c.Close();
    EXPECT_EQ(r.State(), adStateClosed);
    EXPECT_EQ(c.State(), adStateClosed);
    EXPECT_EQ(fehlernummer([&] { (void)r.Eof(); }), FehlerObjektGeschlossen);
    c.Open(verbindungstext(pfad));
    r.Open(QStringLiteral("Select * from [Kunden Alt];"), c);
    EXPECT_EQ(r.fields().Item(0).Value().text, QStringLiteral("Müller"));
}

INSTANTIATE_TEST_SUITE_P(Jet, Datenzugriff_, ::testing::Values(Format::Jet4, Format::Jet3),
                         [](const auto& info) { return info.param == Format::Jet4 ? std::string("Jet4") : std::string("Jet3"); });

// Files that are no database, and one cut in the middle of a memo's pages:
// reading it must fail with an error, not deliver a shortened value.
TEST(Fehlerfaelle, KeineOderAbgeschnitteneDatenbankDateien)
{
    QTemporaryDir dir_;
    auto datei = [&](const char* name, const QByteArray& inhalt) {
        QFile f(dir_.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
        return verbindungstext(f.fileName());
    };
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("x.mdb")));
    const QString kurz = dir_.filePath(QStringLiteral("kurz.mdb"));
    {
        mdbwriter::Database db(kurz.toStdString(), Format::Jet4);
        db.addRow(db.addTable("T", {{"Memo", ColumnType::Memo}}), {Cell::text(std::string(50000, 'm'))});
        db.finish();
    }
    ASSERT_TRUE(QFile::resize(kurz, QFileInfo(kurz).size() - 4096 * 5));
    const std::pair<QString, int> faelle[] = {
        {verbindungstext(dir_.filePath(QStringLiteral("fehlt.mdb"))), FehlerDateiFehlt},
        {datei("text.mdb", QByteArray("Das ist keine Datenbank.\r\n").repeated(500)), FehlerKeineDatenbank},
        {datei("leer.mdb", {}), FehlerKeineDatenbank},
        {verbindungstext(dir_.filePath(QStringLiteral("x.mdb"))), FehlerKeineDatenbank},
        {QStringLiteral("DSN=ZELK-Access;UID=admin;"), FehlerVerbindungstext},
        {verbindungstext(kurz), -1},  // any error
    };
    Connection c;
    for (const auto& [text, nummer] : faelle) {
        const int ist = fehlernummer([&] {
            c.Open(text);
            Recordset r;
            for (r.Open(QStringLiteral("Select * from [T];"), c); !r.Eof(); r.MoveNext())
                EXPECT_NE(r.fields().Item(0).Value().text.size(), 0);
        });
        EXPECT_TRUE(nummer < 0 ? ist != 0 : ist == nummer) << text.toStdString() << ": " << ist;
        if (nummer < 0 && c.State() == adStateOpen)
            c.Close();
        EXPECT_EQ(c.State(), adStateClosed);
    }
    EXPECT_EQ(fehlernummer([&] { c.Close(); }), FehlerObjektGeschlossen);
}

}  // namespace
