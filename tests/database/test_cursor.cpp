// Rows by range and several cursors at once on one file, for the reader in
// this process, the reader in its own process and two of either reading one
// table side by side (runs of two pages and of one, every table split): a
// grid asks for rows N to N + k while the search walks the same table forward.

#include "Datenzugriff.h"
#include "Leser.h"
#include "MdbWriter.h"
#include "Zeilen.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

using namespace Datenzugriff;
using namespace mdbwriter;

namespace {

enum class Art { ImProzess, EigenerProzess, ZweiImProzess, ZweiProzesse };

std::unique_ptr<Leser> erzeuge(Art art)
{
    const auto prozess = [] { return erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM)); };
    const auto hier = [] { return erzeugeMdbLeser(); };
    switch (art) {
    case Art::ImProzess: return hier();
    case Art::EigenerProzess: return prozess();
    case Art::ZweiImProzess: return erzeugeVerbundLeser(hier, Teilung{2, 0});
    case Art::ZweiProzesse: return erzeugeVerbundLeser(prozess, Teilung{1, 0});
    }
    return nullptr;
}

const char* name(Art art)
{
    static const char* const namen[] = {"ImProzess", "EigenerProzess", "ZweiImProzess", "ZweiProzesse"};
    return namen[int(art)];
}

constexpr int Anzahl = 3000;

// Memo values short and, every 97th row, over several pages; Nulls in the
// text; so that ranges cross data pages and long-value pages.
void gemischteTabelle(const QString& datei, Format format)
{
    Database db(datei.toStdString(), format);
    const int t = db.addTable("Gemischt", {{"Nr", ColumnType::Long}, {"Text", ColumnType::Text, 40}, {"Memo", ColumnType::Memo},
                                           {"Betrag", ColumnType::Currency}});
    for (int i = 0; i < Anzahl; ++i)
        db.addRow(t, {Cell::integer(i), i % 7 == 3 ? Cell::null() : Cell::text("Zeile " + std::to_string(i)),
                      Cell::text(i % 97 == 0 ? std::string(9000, char('a' + i % 26)) : "kurz " + std::to_string(i)),
                      Cell::currency(std::int64_t(i) * 12345)});
    db.finish();
}

class Cursor_ : public ::testing::TestWithParam<std::tuple<Format, Art>> {
protected:
    void SetUp() override
    {
        datei_ = dir_.filePath(QStringLiteral("g.mdb"));
        gemischteTabelle(datei_, std::get<0>(GetParam()));
        leser_ = erzeuge(std::get<1>(GetParam()));
        leser_->oeffnen(datei_);
    }

    CursorNummer cursor(const std::vector<int>& spalten) { return leser_->cursorOeffnen(QStringLiteral("Gemischt"), spalten); }

    // All rows of a fresh forward cursor over the columns, then the damage it names.
    std::vector<QString> vorwaerts(const std::vector<int>& spalten, Leser* l = nullptr, const QString& tabelle = QStringLiteral("Gemischt"))
    {
        l = l ? l : leser_.get();
        const CursorNummer c = l->cursorOeffnen(tabelle, spalten);
        std::vector<QString> alle;
        ZeilenBlock b;
        while (l->naechsterBlock(c, b, 500))
            anhaengen(alle, b);
        for (const Schaden& sch : l->schaeden(c))
            alle.push_back(QStringLiteral("Schaden %1 ").arg(sch.seite) + sch.grund);
        l->cursorSchliessen(c);
        return alle;
    }

    std::vector<QString> bereich(CursorNummer c, std::int64_t von, int anzahl)
    {
        ZeilenBlock b;
        const int n = leser_->zeilenBereich(c, von, anzahl, b);
        EXPECT_EQ(n, b.zeilen());
        return Zeilen::zeilen(b);
    }

    static void anhaengen(std::vector<QString>& zeilen, const ZeilenBlock& b)
    {
        const auto neu = Zeilen::zeilen(b);
        zeilen.insert(zeilen.end(), neu.begin(), neu.end());
    }

    static std::vector<QString> ausschnitt(const std::vector<QString>& alle, std::int64_t von, int anzahl)
    {
        if (von < 0 || von >= std::int64_t(alle.size()) || anzahl <= 0)
            return {};
        const auto bis = std::min<std::int64_t>(von + anzahl, std::int64_t(alle.size()));
        return {alle.begin() + von, alle.begin() + bis};
    }

    QTemporaryDir dir_;
    QString datei_;
    std::unique_ptr<Leser> leser_;
};

// Both in the table's column order and in another (Memo, Nr).
TEST_P(Cursor_, ARangeIsTheRowsOfTheForwardReadAtThatPlace)
{
    for (const std::vector<int>& spalten : {std::vector<int>{0, 1, 2, 3}, std::vector<int>{2, 0}}) {
        const auto alle = vorwaerts(spalten);
        ASSERT_EQ(alle.size(), std::size_t(Anzahl));
        const CursorNummer c = cursor(spalten);
        using Fall = std::pair<std::int64_t, int>;  // from, count
        // Asked for before the cursor has read a row: the range counts the rows first.
        for (const auto& [von, anzahl] : {Fall{0, 1}, Fall{0, 50}, Fall{123, 300}, Fall{96, 3}, Fall{Anzahl - 10, 50}, Fall{0, Anzahl},
                                          Fall{Anzahl, 5}, Fall{Anzahl + 1000, 5}, Fall{-1, 5}, Fall{7, 0}, Fall{7, -3}})
            EXPECT_EQ(bereich(c, von, anzahl), ausschnitt(alle, von, anzahl)) << von << " + " << anzahl;
        EXPECT_EQ(leser_->gezaehlteZeilen(c), Anzahl);
        // The ranges do not move the cursor: its forward read starts at row 0,
        // and ranges within and beyond what it has read leave it where it was.
        // Blocks of changing sizes: a request smaller than the rows read ahead
        // gets part of them, a larger one gets them all and more, in order.
        ZeilenBlock b;
        ASSERT_TRUE(leser_->naechsterBlock(c, b, 400));
        std::vector<QString> gelesen = Zeilen::zeilen(b);
        for (const auto& [von, anzahl] : {Fall{10, 20}, Fall{390, 30}, Fall{2500, 600}})
            EXPECT_EQ(bereich(c, von, anzahl), ausschnitt(alle, von, anzahl)) << von;
        for (int groesse : {300, 100, 50, 149, 1, 1000, 256, 10000, 5}) {
            leser_->naechsterBlock(c, b, groesse);
            EXPECT_LE(b.zeilen(), groesse);
            anhaengen(gelesen, b);
        }
        EXPECT_EQ(gelesen, alle);
    }
}

// The search's forward cursor, a second forward cursor and a grid's keyset
// cursor in turns, with blocks large enough for the reader process to read
// ahead for each: every cursor gets its own rows, complete and in order.
TEST_P(Cursor_, SeveralCursorsAtOnceNeverGetEachOthersRows)
{
    const std::vector<int> suchSpalten = {0, 1, 2, 3};
    const std::vector<int> zweitSpalten = {3, 1};
    const auto alle = vorwaerts(suchSpalten);
    const auto alleZweit = vorwaerts(zweitSpalten);

    const CursorNummer suche = cursor(suchSpalten);
    const CursorNummer zweite = cursor(zweitSpalten);
    const CursorNummer gitter = cursor(suchSpalten);
    std::vector<QString> gelesen, gelesenZweit;
    std::mt19937 zufall(7);
    ZeilenBlock a, b;
    bool sucheEnde = false, zweiteEnde = false;
    int runde = 0;
    while (!sucheEnde || !zweiteEnde) {
        ++runde;
        if (!sucheEnde) {
            sucheEnde = !leser_->naechsterBlock(suche, a, 300);
            anhaengen(gelesen, a);
        }
        if (!zweiteEnde) {
            zweiteEnde = !leser_->naechsterBlock(zweite, b, 256 + runde % 3);
            anhaengen(gelesenZweit, b);
        }
        const std::int64_t von = std::int64_t(zufall() % (Anzahl + 40));
        const int anzahl = 1 + int(zufall() % 60);
        ASSERT_EQ(bereich(gitter, von, anzahl), ausschnitt(alle, von, anzahl)) << von << " + " << anzahl;
        if (runde == 3) {
            // The grid counts its rows and the second cursor starts over: the
            // search goes on where it was.
            EXPECT_EQ(leser_->gezaehlteZeilen(gitter), Anzahl);
            leser_->zuruecksetzen(zweite);
            gelesenZweit.clear();
        }
    }
    EXPECT_EQ(gelesen, alle);
    EXPECT_EQ(gelesenZweit, alleZweit);

    // A cursor closed while another reads ahead takes nothing of the other's.
    leser_->zuruecksetzen(suche);
    ASSERT_TRUE(leser_->naechsterBlock(suche, a, 300));
    leser_->cursorSchliessen(zweite);
    std::vector<QString> nochmal = Zeilen::zeilen(a);
    while (leser_->naechsterBlock(suche, a, 300))
        anhaengen(nochmal, a);
    EXPECT_EQ(nochmal, alle);
    EXPECT_THROW(leser_->naechsterBlock(zweite, b, 10), DatenzugriffsFehler);
}

// A candidate filter: rows whose Text or Memo holds an "e" (any case) and a
// "7" come whole, the others as Nulls, every row counted. A new filter
// judges the rows from the count it returns on; the rows before it, read
// ahead, were judged by the old one.
TEST_P(Cursor_, AFilterGivesItsCandidatesWholeAndTheOtherRowsAsNulls)
{
    const std::vector<int> spalten = {0, 1, 2, 3};
    const auto alle = vorwaerts(spalten);
    auto filter = std::make_shared<Kandidatenfilter>();
    filter->klasse.assign(65536, 0);
    filter->klasse[u'e'] = filter->klasse[u'E'] = 1;
    filter->klasse[u'7'] = 2;
    filter->alle = 3;
    filter->gesucht = {0, 1, 1, 0};
    const QString nullen = QStringLiteral("0:|0:|0:|0:|");
    const auto gefiltert = [&](const QString& zeile) {
        const QStringList felder = zeile.split(u'|');
        for (const QString& f : {felder[1], felder[2]})
            if (f.startsWith(QStringLiteral("1:")) && f.contains(u'e', Qt::CaseInsensitive) && f.contains(u'7'))
                return zeile;
        return nullen;
    };
    // The second filter: every row whose Nr is not Null, so every row.
    auto jede = std::make_shared<Kandidatenfilter>(*filter);
    jede->gesucht = {1, 0, 0, 0};
    jede->arten = std::uint16_t(1u << unsigned(WertArt::Ganzzahl));

    const CursorNummer c = cursor(spalten);
    EXPECT_EQ(leser_->kandidatenfilter(c, filter), 0);
    ZeilenBlock b;
    ASSERT_TRUE(leser_->naechsterBlock(c, b, 400));
    std::vector<QString> gelesen = Zeilen::zeilen(b);
    const std::int64_t ab = leser_->kandidatenfilter(c, jede);
    EXPECT_GE(ab, 400);
    EXPECT_LE(ab, Anzahl);
    while (leser_->naechsterBlock(c, b, 400))
        anhaengen(gelesen, b);
    ASSERT_EQ(gelesen.size(), alle.size());
    int kandidaten = 0;
    for (std::size_t n = 0; n < alle.size(); ++n) {
        const QString erwartet = std::int64_t(n) < ab ? gefiltert(alle[n]) : alle[n];
        EXPECT_EQ(gelesen[n], erwartet) << "Zeile " << n;
        kandidaten += erwartet != nullen && std::int64_t(n) < ab;
    }
    EXPECT_GT(kandidaten, 10);
    EXPECT_LT(kandidaten, 390);
    // A filter for other columns than the cursor's filters nothing.
    const CursorNummer d = cursor({1});
    leser_->kandidatenfilter(d, filter);
    ASSERT_TRUE(leser_->naechsterBlock(d, b, 50));
    EXPECT_EQ(Zeilen::zeilen(b).front(), QStringLiteral("1:Zeile 0|"));
}

// Damage and a stored count above the rows, as one reader in this process
// names them: pages of both shares damaged, damage in either share hiding
// the count's shortfall, the shortfall found only over both shares.
TEST_P(Cursor_, DamageAndAShortCountAreNamedAsOneReaderNamesThem)
{
    const bool jet3 = std::get<0>(GetParam()) == Format::Jet3;
    const QString heilDatei = dir_.filePath(QStringLiteral("n.mdb"));
    const std::uint32_t tdef = Zeilen::nummernTabelle(heilDatei, "N", Anzahl, std::get<0>(GetParam()));
    QFile f(heilDatei);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray heil = f.readAll();
    const qsizetype s = jet3 ? 2048 : 4096;
    std::vector<qsizetype> daten;  // the table's data pages
    for (qsizetype p = 3; p < heil.size() / s; ++p)
        if (heil[p * s] == 1 && qFromLittleEndian<std::uint32_t>(heil.constData() + p * s + 4) == tdef)
            daten.push_back(p);
    ASSERT_GE(daten.size(), 8u);
    const qsizetype anzahl = tdef * s + (jet3 ? 0x0c : 0x10);
    const QByteArray mehr("\xd0\x0b", 2);  // 3024 rows stored
    const QByteArray leer(s, 0);
    // With runs of one page and of two alike, the first share reads the
    // fifth data page, the second share the fourth.
    const struct {
        const char* name;
        std::vector<std::pair<qsizetype, QByteArray>> aenderungen;
        int schaeden;
    } faelle[] = {
        {"count above the rows", {{anzahl, mehr}}, 1},
        {"pages of both shares", {{daten[3] * s, leer}, {daten[4] * s, leer}}, 2},
        {"count and a page of the first share", {{anzahl, mehr}, {daten[4] * s, leer}}, 1},
        {"count and a page of the second share", {{anzahl, mehr}, {daten[3] * s, leer}}, 1},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.name);
        QByteArray b = heil;
        for (const auto& [stelle, bytes] : fall.aenderungen)
            b.replace(stelle, bytes.size(), bytes);
        const QString kaputt = dir_.filePath(QStringLiteral("k%1.mdb").arg(&fall - faelle));
        QFile k(kaputt);
        ASSERT_TRUE(k.open(QIODevice::WriteOnly) && k.write(b) == b.size());
        k.close();
        const std::unique_ptr<Leser> einer = erzeugeMdbLeser();
        einer->oeffnen(kaputt);
        leser_->oeffnen(kaputt);
        const auto erwartet = vorwaerts({0, 1}, einer.get(), QStringLiteral("N"));
        EXPECT_EQ(vorwaerts({0, 1}, leser_.get(), QStringLiteral("N")), erwartet);
        EXPECT_EQ(std::count_if(erwartet.begin(), erwartet.end(), [](const QString& z) { return z.startsWith(u"Schaden"); }), fall.schaeden);
    }
}

INSTANTIATE_TEST_SUITE_P(Leser, Cursor_,
                         ::testing::Combine(::testing::Values(Format::Jet4, Format::Jet3),
                                            ::testing::Values(Art::ImProzess, Art::EigenerProzess, Art::ZweiImProzess, Art::ZweiProzesse)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == Format::Jet4 ? "Jet4" : "Jet3") + name(std::get<1>(info.param));
                         });

// A grid's recordset on a connection of its own (its own reader process)
// reads on while the search's connection is closed at the end of a run.
// Both read ahead: requests in between keep the order.
TEST(ZweiteVerbindung, AGridOnItsOwnConnectionOutlivesTheSearchsConnection)
{
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("n.mdb"));
    Zeilen::nummernTabelle(datei, "N", 5000);
    const auto prozess = [] { return erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM)); };
    Connection suche(prozess);
    suche.Open(QStringLiteral("DBQ=") + datei + u';');
    Connection gitter(prozess);
    gitter.Open(suche.ConnectionString());
    Recordset satzmenge, raster;
    satzmenge.Open(QStringLiteral("Select * from [N];"), suche, adOpenDynamic, adLockOptimistic);
    raster.Open(QStringLiteral("Select [Text],  [Nr] from [N];"), gitter, adOpenKeyset, adLockPessimistic);
    ZeilenBlock b;
    ASSERT_EQ(raster.zeilenBereich(4990, 20, b), 10);
    EXPECT_EQ(b.wert(9, 0).text, QStringLiteral("Zeile 4999"));
    // Row N of its own recordset between two blocks does not disturb the running read.
    int n = 0;
    std::vector<Wert> zeile;
    for (; !satzmenge.Eof(); satzmenge.MoveNext(), ++n) {
        ASSERT_EQ(satzmenge.fields().Item(0).Value().ganzzahl, n);
        if (n == 2500) {
            ASSERT_TRUE(satzmenge.zeileLesen(4999, zeile));
            EXPECT_EQ(zeile[0].ganzzahl, 4999);
        }
    }
    EXPECT_EQ(n, 5000);
    satzmenge.MoveFirst();
    EXPECT_EQ(satzmenge.fields().Item(0).Value().ganzzahl, 0);
    satzmenge.Close();
    suche.Close();
    EXPECT_EQ(raster.State(), adStateOpen);
    ASSERT_EQ(raster.zeilenBereich(100, 3, b), 3);
    EXPECT_EQ(b.wert(0, 1).ganzzahl, 100);
    EXPECT_EQ(b.wert(2, 0).text, QStringLiteral("Zeile 102"));
    EXPECT_EQ(raster.gezaehlteZeilen(), 5000);
}

}  // namespace
