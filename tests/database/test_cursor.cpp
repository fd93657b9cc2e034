// Rows by range and several cursors at once on one file, for the reader in
// this process and the reader in its own process alike: a grid asks for
// rows N to N + k while the search walks the same table forward.

#include "Datenzugriff.h"
#include "Leser.h"
#include "MdbWriter.h"
#include "Zeilen.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <tuple>

using namespace Datenzugriff;
using namespace mdbwriter;

namespace {

enum class Art { ImProzess, EigenerProzess };

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
        leser_ = std::get<1>(GetParam()) == Art::ImProzess ? erzeugeMdbLeser() : erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM));
        leser_->oeffnen(datei_);
    }

    CursorNummer cursor(const std::vector<int>& spalten) { return leser_->cursorOeffnen(QStringLiteral("Gemischt"), spalten); }

    // All rows of a fresh forward cursor over the columns.
    std::vector<QString> vorwaerts(const std::vector<int>& spalten)
    {
        const CursorNummer c = cursor(spalten);
        std::vector<QString> alle;
        ZeilenBlock b;
        while (leser_->naechsterBlock(c, b, 500))
            anhaengen(alle, b);
        leser_->cursorSchliessen(c);
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
        struct Fall {
            std::int64_t von;
            int anzahl;
        };
        // Asked for before the cursor has read a row: the range counts the rows first.
        for (const Fall f : {Fall{0, 1}, Fall{0, 50}, Fall{123, 300}, Fall{96, 3}, Fall{Anzahl - 10, 50}, Fall{0, Anzahl},
                             Fall{Anzahl, 5}, Fall{Anzahl + 1000, 5}, Fall{-1, 5}, Fall{7, 0}, Fall{7, -3}}) {
            SCOPED_TRACE(testing::Message() << f.von << " + " << f.anzahl);
            EXPECT_EQ(bereich(c, f.von, f.anzahl), ausschnitt(alle, f.von, f.anzahl));
        }
        EXPECT_EQ(leser_->gezaehlteZeilen(c), Anzahl);
        // The ranges do not move the cursor: its forward read starts at row 0,
        // and ranges within and beyond what it has read leave it where it was.
        // Blocks of changing sizes: a request smaller than the rows read ahead
        // gets part of them, a larger one gets them all and more, in order.
        ZeilenBlock b;
        ASSERT_TRUE(leser_->naechsterBlock(c, b, 400));
        std::vector<QString> gelesen = Zeilen::zeilen(b);
        for (const Fall f : {Fall{10, 20}, Fall{390, 30}, Fall{2500, 600}})
            EXPECT_EQ(bereich(c, f.von, f.anzahl), ausschnitt(alle, f.von, f.anzahl)) << f.von;
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

// A filter made for other columns than the cursor's is not used: it would
// judge fields by the wrong column's place.
TEST_P(Cursor_, AFilterForOtherColumnsFiltersNothing)
{
    auto keiner = std::make_shared<Kandidatenfilter>();
    keiner->klasse.assign(65536, 0);
    keiner->alle = 1;
    keiner->gesucht = {1, 1, 1, 1};
    const CursorNummer c = cursor({1});
    EXPECT_EQ(leser_->kandidatenfilter(c, keiner), 0);
    ZeilenBlock b;
    ASSERT_TRUE(leser_->naechsterBlock(c, b, 50));
    EXPECT_EQ(Zeilen::zeilen(b).front(), QStringLiteral("1:Zeile 0|"));
}

INSTANTIATE_TEST_SUITE_P(Leser, Cursor_,
                         ::testing::Combine(::testing::Values(Format::Jet4, Format::Jet3),
                                            ::testing::Values(Art::ImProzess, Art::EigenerProzess)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == Format::Jet4 ? "Jet4" : "Jet3")
                                 + (std::get<1>(info.param) == Art::ImProzess ? "ImProzess" : "EigenerProzess");
                         });

}  // namespace
