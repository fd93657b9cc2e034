// The table content window and its grid, offscreen, through the main
// window's Command4 and the grid's own controls; the rows come through the
// reader process beside the test.

#include "Anordnung.h"
#include "Fenster.h"
#include "Fensteranbindung.h"
#include "Programmkennung.h"
#include "Trefferstelle.h"
#include "frmTabelleninhalt.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <gtest/gtest.h>

using namespace mdbwriter;
namespace DB = Datenbankfunktion;
namespace DZ = Datenzugriff;

namespace {

// Processes events until bedingung holds or 10 s have passed.
template <class F>
bool warteBis(F bedingung) { return QTest::qWaitFor(bedingung, 10000); }

// Overwrites a table's stored row count in its definition page: 0 as in a
// file that was not closed properly (the recordset's count is then -1), or a
// stale one. The rows themselves stay.
void zeilenzahlSetzen(const QString& datei, std::uint32_t tdefSeite, std::uint32_t anzahl)
{
    const char le[4] = {char(anzahl), char(anzahl >> 8), char(anzahl >> 16), char(anzahl >> 24)};
    schreiben(datei, QByteArray(le, 4), qint64(tdefSeite) * 4096 + 16);
}

class Tabelleninhalt : public FensterPruefung {
protected:
    void SetUp() override
    {
        Plattform::setzeBildschirm(std::make_shared<Plattform::FesterBildschirm>(15360, 11520));
        FensterPruefung::SetUp();
        fensterAnbinden(*fenster);
    }
    void TearDown() override
    {
        ::Tabelleninhalt::zerstoeren();
        FensterPruefung::TearDown();
    }
    void dateienAnlegen() override
    {
        Database db(dir.filePath(QStringLiteral("kunden.mdb")).toStdString(), Format::Jet4);
        const int k = db.addTable("Kunden", {{"Nr", ColumnType::Long}, {"Name", ColumnType::Text, 30},
                                             {"Ort", ColumnType::Text, 30}, {"Notiz", ColumnType::Memo},
                                             {"Bild", ColumnType::OleObject}});
        db.addRow(k, {Cell::integer(1), Cell::text("Müller"), Cell::text("Köln"), Cell::text("Zeile 1\r\nZeile 2"), Cell::null()});
        db.addRow(k, {Cell::integer(2), Cell::text("MOLLER"), Cell::null(), Cell::text(""), Cell::bytes(std::vector<std::uint8_t>(2048, 7))});
        db.addRow(k, {Cell::integer(3), Cell::text("Meller"), Cell::text("Müllerstadt"), Cell::null(), Cell::null()});
        db.addTable("Leer", {{"A", ColumnType::Long}});
        vieleTabelle(db, 3000);
        db.finish();
        vieleSeite = db.tableId(k + 2);  // after Leer
    }
    std::uint32_t vieleSeite = 0;

    frmTabelleninhalt& inhalt() { return frmTabelleninhalt::instanz(); }
    Inhaltsmodell& modell() { return *inhalt().DataGrid1->modell; }
    Gittertabelle& tabelle() { return *inhalt().DataGrid1->tabelle; }
    QString zelle(int zeile, int spalte) { return modell().data(modell().index(zeile, spalte), Qt::DisplayRole).toString(); }
    QStringList kopf()
    {
        QStringList k;
        for (int s = 0; s < modell().columnCount(); ++s)
            k << modell().headerData(s, Qt::Horizontal, Qt::DisplayRole).toString();
        return k;
    }
    bool geladen(int zeile) { return modell().zeileGeladen(zeile); }
    void suchen(const QString& text)  // every field, wildcards off
    {
        fenster->Text1->setText(text);
        fenster->Check1->setChecked(false);
        fenster->Command1_Click();
    }

    // Command4 on a table of kunden.mdb; waits for the first screen of rows.
    void oeffnen(const QString& tabelle = QStringLiteral("Kunden"))
    {
        waehle(QStringLiteral("kunden.mdb"));
        fenster->ImageCombo1->setzeText(tabelle);
        fenster->Command4_Click();
        ASSERT_TRUE(frmTabelleninhalt::vorhanden());
        ASSERT_TRUE(warteBis([&] { return modell().istGeoeffnet() && geladen(0); })) << meldungen().join(u'|').toStdString();
    }
};

TEST_F(Tabelleninhalt, CoversTheScreenWithTheRecordsetsRowsInOrderAndTheirLook)
{
    oeffnen();
    EXPECT_EQ(kopf(), (QStringList{QStringLiteral("Nr"), QStringLiteral("Name"), QStringLiteral("Ort"), QStringLiteral("Notiz"), QStringLiteral("Bild")}));
    ASSERT_EQ(modell().rowCount(), 3);
    EXPECT_EQ(zelle(0, 1), QStringLiteral("Müller"));
    EXPECT_EQ(modell().headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("3"));
    // The grid starts at the first row.
    EXPECT_EQ(tabelle().currentIndex(), modell().index(0, 0));
    // The cells as the value texts make them, the whole memo in the tool tip;
    // Null greyed and empty, a zero-length text white and empty.
    const struct { int zeile, spalte; const char* text; bool null; } zellen[] = {
        {0, 3, "Zeile 1 …", false}, {1, 2, "", true}, {1, 3, "", false}};
    for (const auto& z : zellen) {
        const QModelIndex i = modell().index(z.zeile, z.spalte);
        EXPECT_EQ(zelle(z.zeile, z.spalte), QString::fromUtf8(z.text));
        EXPECT_EQ(modell().data(i, Inhaltsmodell::NullRolle).toBool(), z.null) << z.zeile << z.spalte;
        EXPECT_EQ(modell().data(i, Qt::BackgroundRole).isValid(), z.null) << z.zeile << z.spalte;
    }
    EXPECT_TRUE(modell().data(modell().index(0, 3), Qt::ToolTipRole).toString().contains(QStringLiteral("Zeile 1\r\nZeile 2")));
    // Numbers to the right.
    EXPECT_EQ(modell().data(modell().index(0, 0), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
    // Read-only.
    EXPECT_FALSE(modell().flags(modell().index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_EQ(tabelle().editTriggers(), QAbstractItemView::NoEditTriggers);
    // Columns fitted to header and first screen.
    EXPECT_GE(tabelle().columnWidth(1), tabelle().fontMetrics().horizontalAdvance(QStringLiteral("MOLLER")));
    EXPECT_LT(tabelle().columnWidth(0), 100);

    // The window over the whole screen, its controls laid out.
    EXPECT_EQ(inhalt().windowTitle(), Programmkennung::fensterTitel());
    EXPECT_TRUE(inhalt().isVisible());
    EXPECT_EQ(inhalt().windowModality(), Qt::NonModal);
    EXPECT_EQ(inhalt().frameGeometry(), QRect(0, 0, 1024, 768));
    EXPECT_EQ(QApplication::focusWidget(), &tabelle());
    const auto pixel = [](const Anordnung::Rechteck& r) {  // edges are converted, not sizes
        const auto px = [](int twips) { return Plattform::twipsZuPixel(twips, 96.0); };
        return QRect(QPoint(px(r.links), px(r.oben)), QPoint(px(r.links + r.breite) - 1, px(r.oben + r.hoehe) - 1));
    };
    const auto twips = [](int pixel) { return Plattform::pixelZuTwips(pixel, 96.0); };
    const auto gitter = Anordnung::gitter(twips(inhalt().width()), twips(inhalt().height()));
    EXPECT_EQ(inhalt().Command1->geometry(), pixel(Anordnung::knopf(gitter.breite)));
    // The grid follows every resize, the button stays.
    const QRect knopf = inhalt().Command1->geometry();
    for (const QSize s : {inhalt().size(), QSize(800, 600), QSize(20, 60)}) {
        inhalt().resize(s);
        EXPECT_EQ(inhalt().DataGrid1->geometry(), pixel(Anordnung::gitter(twips(s.width()), twips(s.height())))) << s.width();
        EXPECT_EQ(inhalt().Command1->geometry(), knopf);
    }
    EXPECT_TRUE(meldungen().isEmpty()) << meldungen().join(u'|').toStdString();
}

TEST_F(Tabelleninhalt, CloseReleasesSatzmengeAndTheNextSearchWorksOnAFreshOne)
{
    oeffnen();
    EXPECT_EQ(DB::Satzmenge->State(), DZ::adStateOpen);
    fenster->hide();
    inhalt().close();  // the close box
    EXPECT_FALSE(DB::Satzmenge);
    EXPECT_FALSE(modell().gebunden());
    EXPECT_TRUE(fenster->isVisible());  // the main window comes back

    suchen(QStringLiteral("ller"));
    EXPECT_TRUE(protokollBytes().endsWith("Satz: 3\t\tOrt\tFeldinhalt: M\xfcllerstadt\r\n-----------------------------\r\n"
                                          "gesamt gefundene Felder: 4\r\n"));
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});

    // Opened again, it loads anew, now a selection of two fields on a keyset.
    DB::AbfrageSQL = QStringLiteral("Select [Ort],  [Name] from [Kunden];");
    DB::AuswahlAnzahl = 2;
    fenster->Command4_Click();
    ASSERT_TRUE(warteBis([&] { return modell().istGeoeffnet() && geladen(2); }));
    EXPECT_EQ(kopf(), (QStringList{QStringLiteral("Ort"), QStringLiteral("Name")}));
    EXPECT_EQ(zelle(2, 0) + u'|' + zelle(2, 1), QStringLiteral("Müllerstadt|Meller"));
    EXPECT_EQ(DB::Satzmenge->CursorType(), DZ::adOpenKeyset);
    EXPECT_EQ(DB::Satzmenge->LockType(), DZ::adLockPessimistic);

    // The program's end unloads it.
    fenster->mnubeenden_Click();
    EXPECT_FALSE(inhalt().isVisible());
    EXPECT_FALSE(DB::Satzmenge);
    EXPECT_FALSE(fenster->isVisible());
}

TEST_F(Tabelleninhalt, ASearchWhileTheGridIsOpenLeavesItsRowsAndTheirCopy)
{
    oeffnen(QStringLiteral("Viele"));
    ASSERT_EQ(modell().rowCount(), 3000);
    suchen(QStringLiteral("treffer"));
    EXPECT_EQ(protokollBytes(), vieleProtokoll(3000));
    EXPECT_EQ(DB::Verbindung().State(), DZ::adStateClosed);  // the search closed the shared connection

    // The grid still has its rows: a selection of loaded cells is copied at once.
    auto& t = tabelle();
    t.setFocus();
    QApplication::clipboard()->clear();
    t.selectionModel()->select(QItemSelection(modell().index(8, 0), modell().index(10, 1)), QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(&t, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("9\tleer\n10\tTreffer\n11\tleer"));

    // It reads new ones through its own cursor, for the view and, off the
    // window thread, for a copy.
    QTest::keyClick(&t, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(t.currentIndex().row(), 2999);
    ASSERT_TRUE(warteBis([&] { return geladen(2999); }));
    EXPECT_EQ(zelle(2999, 0), QStringLiteral("3000"));
    QApplication::clipboard()->clear();
    QTest::keyClick(&t, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&t, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(warteBis([] { return !QApplication::clipboard()->text().isEmpty(); }));
    const QStringList zeilen = QApplication::clipboard()->text().split(u'\n');
    ASSERT_EQ(zeilen.size(), 3000);
    EXPECT_EQ(zeilen[0], QStringLiteral("1\tleer"));
    EXPECT_EQ(zeilen[2999], QStringLiteral("3000\tTreffer"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Closing during a copy restores the cursor and leaves the search's recordset alone.
    QTest::keyClick(&t, Qt::Key_C, Qt::ControlModifier);
    inhalt().close();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(meldungen(), QStringList{QStringLiteral("Ende des Suchlaufes!")});
}

TEST_F(Tabelleninhalt, HitLineLeadsToItsRecordAndFieldBeyondTheFirstEstimate)
{
    // The table's stored count is unknown: the grid first knows only the rows it read.
    zeilenzahlSetzen(dir.filePath(QStringLiteral("kunden.mdb")), vieleSeite, 0);
    waehle(QStringLiteral("kunden.mdb"));
    fenster->ImageCombo1->setzeText(QStringLiteral("Viele"));
    suchen(QStringLiteral("treffer"));
    const auto stelle = Trefferstelle::lesen(fenster->ergebnisse().zeile(2 * 200));  // hit and separator per record
    ASSERT_TRUE(stelle);
    EXPECT_EQ(*stelle, (Trefferstelle::Stelle{2010, QStringLiteral("Text")}));

    // As the main window will do it on a double-click: reconnect, then the entry point.
    DB::DatenbankVerbinden();
    ::Tabelleninhalt::zeigenBeiSatz(stelle->satz, stelle->feld);
    ASSERT_TRUE(warteBis([&] { return modell().istGezaehlt() && geladen(2009); }));
    EXPECT_EQ(tabelle().currentIndex(), modell().index(2009, 1));
    EXPECT_TRUE(tabelle().selectionModel()->isRowSelected(2009, {}));
    EXPECT_EQ(zelle(2009, 0) + u'|' + zelle(2009, 1), QStringLiteral("2010|Treffer"));
    EXPECT_TRUE(tabelle().viewport()->rect().intersects(tabelle().visualRect(tabelle().currentIndex())));

    // Another hit in the open window: it moves there without loading anew.
    const Inhaltsmodell* vorher = &modell();
    ::Tabelleninhalt::zeigenBeiSatz(20, QStringLiteral("Nr"));
    EXPECT_EQ(tabelle().currentIndex(), modell().index(19, 0));
    EXPECT_EQ(&modell(), vorher);
    EXPECT_TRUE(modell().gebunden());
    EXPECT_TRUE(meldungen() == QStringList{QStringLiteral("Ende des Suchlaufes!")}) << meldungen().join(u'|').toStdString();
}

TEST_F(Tabelleninhalt, AnEmptyTableOrAFailedStatementIsSaidOnceAndTheWindowStaysUsable)
{
    const struct { const char* tabelle; QString abfrage, meldung, teil; } faelle[] = {
        {"Leer", {}, QStringLiteral("Keine Tabelleninhalte gegeben!"), {}},
        // The statement no longer opens when the window reopens it (the main
        // window's own opening went well): the message names file and field.
        {"Kunden", QStringLiteral("Select [Gibtsnicht] from [Kunden];"),
         QStringLiteral("Die Tabelleninhalte von „") + dir.filePath(QStringLiteral("kunden.mdb")), QStringLiteral("Gibtsnicht")},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.tabelle);
        waehle(QStringLiteral("kunden.mdb"));
        fenster->ImageCombo1->setzeText(QString::fromUtf8(f.tabelle));
        DB::DatenbankVerbinden();
        if (!f.abfrage.isEmpty())
            DB::AbfrageSQL = f.abfrage;
        recorder->leeren();
        ::Tabelleninhalt::zeigen();
        ::Tabelleninhalt::zeigen();  // shown again while open: no second load, no second message
        const QString m = gezeigt();  // one critical message
        EXPECT_TRUE(m.startsWith(u'!' + f.meldung) && m.contains(f.teil) && !m.contains(QStringLiteral(" | "))) << m.toStdString();
        ASSERT_TRUE(DB::Satzmenge);
        EXPECT_EQ(DB::Satzmenge->State(), DZ::adStateClosed);
        EXPECT_TRUE(inhalt().isVisible());
        EXPECT_EQ(modell().rowCount(), 0);
        EXPECT_FALSE(modell().gebunden());
        EXPECT_EQ(inhalt().cursor().shape(), Qt::ArrowCursor);
        // Closing does not close Satzmenge a second time (that would be an error of the component).
        inhalt().Command1->click();
        EXPECT_FALSE(inhalt().isVisible());
        EXPECT_EQ(gezeigt(), m);
        EXPECT_TRUE(fenster->isVisible());
    }
}

// --- the model alone ---------------------------------------------------------

class Modell : public ::testing::Test {
protected:
    void SetUp() override
    {
        datei = dir.filePath(QStringLiteral("m.mdb"));
        Database db(datei.toStdString(), Format::Jet4);
        const int leer = db.addTable("Leer", {{"A", ColumnType::Long}});
        vieleTabelle(db, Zeilen);
        db.finish();
        seite = db.tableId(leer + 1);
    }
    // More than the rows the grid reads before it counts.
    static constexpr int Zeilen = 3000;
    QString verbindungstext() const { return QStringLiteral("DBQ=") + datei + u';'; }
    QTemporaryDir dir;
    QString datei;
    std::uint32_t seite = 0;
};

std::shared_ptr<const Zeilenblock> block(int zeilen)
{
    auto b = std::make_shared<Zeilenblock>();
    b->spalten = 1;
    b->zellen.resize(std::size_t(zeilen));
    for (int i = 0; i < zeilen; ++i)
        b->zellen[std::size_t(i)] = {Gitterzelle::Art::Text, QString::number(i), {}};
    b->bytes = 1000;
    return b;
}

// The count corrects the first estimate; a damaged table shows the rows that
// can be read and says which are missing.
TEST_F(Modell, FirstRowsComeBeforeTheCountScrollingKeepsTheCacheBoundDamageIsNamed)
{
    const auto seiten = datenseiten(datei);
    ASSERT_GT(seiten.size(), 3u);
    const auto [loch, verloren] = seiten[2];
    constexpr std::int64_t B = Gitterbereich::ZeilenProBlock;
    struct Fall { const char* name; std::int64_t gespeichert, geschaetzt, zeilen; QString grund; };
    const Fall faelle[] = {
        // Unknown (0 stored, -1 counted) or too few: the rows read.
        {"unbekannt", 0, B, Zeilen, {}},
        {"zu wenige", 20, B, Zeilen, {}},
        {"genau", Zeilen, Zeilen, Zeilen, {}},
        // A stored count no page gives; a zeroed data page (last: it stays).
        {"zu viele", 5000, 5000, Zeilen, QStringLiteral("die Tabelle nennt 5000 Sätze, lesbar sind nur 3000")},
        {"Nullseite", Zeilen, Zeilen, Zeilen - verloren, QStringLiteral("Seite %1: ").arg(loch)},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Inhaltsmodell m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
        m.grenzen = {3, 1u << 30};
        std::int64_t beimOeffnen = -2;
        QStringList gruende;
        QObject::connect(&m, &Inhaltsmodell::geoeffnet, [&] { beimOeffnen = m.rowCount(); });
        QObject::connect(&m, &Inhaltsmodell::beschaedigt, [&](const QStringList& g) { gruende = g; });
        QObject::connect(&m, &Inhaltsmodell::ladefehler, [&](const QString& t) { ADD_FAILURE() << t.toStdString(); });
        zeilenzahlSetzen(datei, seite, std::uint32_t(f.gespeichert));
        if (f.zeilen < Zeilen)
            schreiben(datei, QByteArray(4096, 0), loch * 4096);
        m.binden([] { return DZ::erzeugeProzessLeser(); }, verbindungstext(), QStringLiteral("Select * from [Viele];"));
        ASSERT_TRUE(warteBis([&] { return m.istGezaehlt() && gruende.isEmpty() == f.grund.isEmpty(); }));
        EXPECT_EQ(beimOeffnen, f.geschaetzt);
        EXPECT_EQ(m.rowCount(), f.zeilen);
        EXPECT_EQ(m.columnCount(), 2);
        EXPECT_TRUE(gruende.join(u'|').startsWith(f.grund)) << gruende.join(u'|').toStdString();
        // Until its block is there a row shows the placeholder.
        EXPECT_FALSE(m.data(m.index(500, 0), Inhaltsmodell::GeladenRolle).toBool());
        EXPECT_EQ(m.data(m.index(500, 0), Qt::DisplayRole).toString(), QStringLiteral("…"));
        for (int erste = 0; f.zeilen == Zeilen && erste < Zeilen; erste += 97) {
            m.sichtSetzen(erste, erste + 30);
            ASSERT_TRUE(warteBis([&] { return m.zeileGeladen(erste) && m.zeileGeladen(std::min(Zeilen - 1, erste + 30)); })) << erste;
            EXPECT_EQ(m.data(m.index(erste, 0), Qt::DisplayRole).toString(), QString::number(erste + 1));
            // The cache keeps its bound, the view's own blocks aside.
            EXPECT_LE(m.gecachteBloecke().size(), 4u);
        }
        m.sichtSetzen(f.zeilen - 10, f.zeilen - 1);
        ASSERT_TRUE(warteBis([&] { return m.zeileGeladen(f.zeilen - 1); }));
        EXPECT_EQ(m.data(m.index(f.zeilen - 1, 0), Qt::DisplayRole).toString(), QString::number(Zeilen));
        EXPECT_FALSE(m.zeileGeladen(f.zeilen));
        m.entbinden();
        EXPECT_EQ(m.rowCount(), 0);
    }
}

TEST_F(Modell, AnswersForALeftViewAreDroppedAndRequestsAreNotRepeated)
{
    Inhaltsmodell m;
    m.spaltenErhalten({QStringLiteral("A")}, 100000);
    m.sichtSetzen(0, 40);
    EXPECT_EQ(m.angefordert(), (std::vector<std::int64_t>{0, 1}));
    const auto t1 = m.token();
    m.sichtSetzen(2, 42);  // the same blocks: no new request
    EXPECT_EQ(m.token(), t1);
    m.blockErhalten(t1, 0, block(Gitterbereich::ZeilenProBlock));
    EXPECT_TRUE(m.zeileGeladen(5));
    EXPECT_EQ(m.angefordert(), (std::vector<std::int64_t>{1}));

    // A jump to the end replaces the request; block 1 comes late and is dropped.
    m.sichtSetzen(99960, 99999);
    const auto t2 = m.token();
    EXPECT_GT(t2, t1);
    EXPECT_EQ(m.angefordert(), (std::vector<std::int64_t>{780, 781, 779}));
    m.blockErhalten(t1, 1, block(Gitterbereich::ZeilenProBlock));
    EXPECT_FALSE(m.zeileGeladen(Gitterbereich::ZeilenProBlock + 1));
    // An old answer the new view needs is taken.
    m.blockErhalten(t1, 780, block(Gitterbereich::ZeilenProBlock));
    EXPECT_TRUE(m.zeileGeladen(780 * Gitterbereich::ZeilenProBlock));
    m.blockErhalten(t2, 781, block(99999 - 781 * Gitterbereich::ZeilenProBlock + 1));
    EXPECT_EQ(m.data(m.index(99999, 0), Qt::DisplayRole).toString(),
              QString::number(99999 - 781 * Gitterbereich::ZeilenProBlock));

    // A block that cannot be read shows so and is not asked for again and again.
    m.sichtSetzen(50000, 50040);
    const auto b = Gitterbereich::blockDerZeile(50000);
    m.blockFehlerErhalten(b, QStringLiteral("beschädigt"));
    EXPECT_EQ(m.data(m.index(50000, 0), Qt::DisplayRole).toString(), QStringLiteral("#Fehler"));
    const auto t3 = m.token();
    m.sichtSetzen(50001, 50041);
    EXPECT_EQ(m.token(), t3);
}

TEST_F(Modell, ACopyOfTooManyRowsIsRefused)
{
    Inhaltsmodell m;
    m.spaltenErhalten({QStringLiteral("A")}, 1000000);
    QString fehler;
    QObject::connect(&m, &Inhaltsmodell::kopierFehler, [&](const QString& t) { fehler = t; });
    EXPECT_TRUE(m.kopieren({{0, Inhaltsmodell::KopierGrenze, 0, 0}}));
    EXPECT_TRUE(fehler.contains(QStringLiteral("höchstens 100000 Zeilen"))) << fehler.toStdString();
    EXPECT_FALSE(m.kopieren({}));
}

// The grid's own reader cannot open the file: the window's steps on the shared
// recordset do not see that, the model must say it.
TEST_F(Modell, AFileThatCannotBeOpenedIsReported)
{
    Inhaltsmodell m;
    QString fehler;
    QObject::connect(&m, &Inhaltsmodell::ladefehler, [&](const QString& t) { fehler = t; });
    m.binden([] { return DZ::erzeugeProzessLeser(); }, QStringLiteral("DBQ=") + dir.filePath(QStringLiteral("fehlt.mdb")) + u';',
             QStringLiteral("Select * from [Viele];"));
    ASSERT_TRUE(warteBis([&] { return fehler.contains(QStringLiteral("fehlt.mdb")); })) << fehler.toStdString();
    EXPECT_FALSE(m.gebunden());
    EXPECT_EQ(m.rowCount(), 0);
}

}  // namespace
