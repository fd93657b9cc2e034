// The search's prefilters lose no hit: on every real file, every table is
// searched with them and with every value matched, through the reader in
// this process and the reader process, and the two protocols are the same
// bytes. The search texts reach every kind of value text: digits, separators
// of numbers, dates and times, Yes/No, GUIDs, the exponent, names, umlauts,
// a non-Latin letter, inner stars; some change while the run goes on, some
// search only some fields.

#include "Datenzugriff.h"
#include "Echtdaten.h"
#include "Suchlauf.h"
#include "Tabellenkatalog.h"

#include "MdbWriter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Files of many megabytes hold no kind of value the small ones lack, only
// more rows: they get the cases marked gross (a filter that admits few rows,
// one changed mid-run, one with a field selection), so the suite stays quick
// under the sanitizers too.
struct Fall {
    const char* text;
    bool platzhalter;
    const char* spaeter = nullptr;  // the text from the third look at the settings on
    bool auswahl = false;           // every other field searched only
    bool gross = false;
};

const Fall faelle[] = {
    {"1", false}, {"0,5", false}, {",", false}, {":", false}, {"1.", false}, {"wahr", false}, {"falsch", false},
    {"-", false}, {"{", false}, {"E+", false}, {"*A", true}, {"2*0", true}, {"e", false},
    {"ü", false}, {"12:*0", true}, {"*", true}, {"müller", false, nullptr, false, true}, {"STRASSE", false}, {"ж", false},
    {"a*e*n", true}, {"an", false, "ö", false, true}, {"qx", false, "e"}, {"e", true, "a*o"}, {"er", false, nullptr, true, true},
    {"1", false, "a", true},
};
constexpr qint64 grosseDatei = 5 * 1024 * 1024;

// Every other field of the table searched, all shown in the block.
class JedesZweite : public Suche::Feldmaske {
public:
    explicit JedesZweite(const Datenzugriff::Fields& felder)
    {
        for (int i = 0; i < felder.Count(); ++i)
            namen_ << felder.Item(i).Name();
    }
    int zeilenAnzahl() const override { return int(namen_.size()); }
    QString feldname(int zeile) const override { return namen_[zeile]; }
    bool suchen(int zeile) const override { return zeile % 2 == 0; }

private:
    QStringList namen_;
};

// The protocol of a search over every table of the file; hits and records added up.
QByteArray protokoll(const QString& datei, const Fall& fall, bool vorfilter, bool prozess, double& treffer, double& saetze)
{
    QBuffer puffer;
    puffer.open(QIODevice::WriteOnly);
    Protokoll::Schreiber schreiber(&puffer, QStringLiteral("Puffer"));
    schreiber.oeffnen();
    Datenzugriff::Connection verbindung(prozess ? Datenzugriff::Connection::LeserFabrik([] {
        return Datenzugriff::erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM));
    }) : Datenzugriff::Connection::LeserFabrik([] { return Datenzugriff::erzeugeMdbLeser(); }));
    try {
        verbindung.Open(QStringLiteral("DBQ=") + datei + QLatin1Char(';'));
        for (const QString& tabelle : Datenzugriff::benutzertabellen(verbindung.leser().katalog()).tabellen) {
            schreiber.zeile(tabelle);
            Datenzugriff::Recordset satzmenge;
            try {
                satzmenge.Open(Datenzugriff::Anweisung{tabelle, true, {}}, verbindung);
                const JedesZweite maske(satzmenge.fields());
                Suche::Suchlauf lauf(satzmenge, schreiber, nullptr, &maske, fall.auswahl ? 1 : 0,
                                     QLocale(QLocale::German, QLocale::Germany));
                int blicke = 0;
                lauf.suchtext = [&fall, &blicke] {
                    return QString::fromUtf8(++blicke >= 3 && fall.spaeter ? fall.spaeter : fall.text);
                };
                lauf.platzhalter = [fall] { return fall.platzhalter; };
                lauf.ereignisse = [] {};
                lauf.vorfilter = vorfilter;
                lauf.felddruck();
                lauf.durchsuchen();
                lauf.schlusszeilen();
                treffer += lauf.treffer();
                saetze += lauf.satz();
            } catch (const Datenzugriff::DatenzugriffsFehler& e) {
                schreiber.zeile(e.Description());  // damage stops both runs at the same place
            }
        }
    } catch (const Datenzugriff::DatenzugriffsFehler& e) {
        schreiber.zeile(e.Description());
    }
    schreiber.abschliessen();
    return puffer.data();
}

class Vorfilter : public ::testing::TestWithParam<EchteDatei> {};

TEST_P(Vorfilter, GleicheTrefferWieOhne)
{
    const bool gross = QFileInfo(GetParam().pfad).size() > grosseDatei;
    for (const bool prozess : {false, true}) {
        double treffer[2] = {0, 0}, saetze[2] = {0, 0};
        for (const auto& fall : faelle)
            if (!gross || fall.gross) {
                EXPECT_TRUE(protokoll(GetParam().pfad, fall, true, prozess, treffer[0], saetze[0])
                            == protokoll(GetParam().pfad, fall, false, prozess, treffer[1], saetze[1]))
                    << fall.text << (prozess ? " (Leseprozess)" : "");
            }
        EXPECT_EQ(treffer[0], treffer[1]);
        EXPECT_EQ(saetze[0], saetze[1]);
        // Records read give hits for "*" at least; none would mean the search
        // texts never reached the run, and nothing was compared.
        EXPECT_TRUE(saetze[1] == 0 || treffer[1] > 0) << saetze[1] << " Sätze gelesen";
    }
}

INSTANTIATE_TEST_SUITE_P(Echtdaten, Vorfilter, ::testing::ValuesIn(echteDateien().dateien),
                         [](const ::testing::TestParamInfo<EchteDatei>& i) { return testname(i.param.pfad); });

// Cased letters beyond the BMP fold as pairs of units: a search for one
// finds it in the other case, in text and memo, with and without the filter.
TEST(VorfilterErzeugt, BuchstabenJenseitsDerBmp)
{
    using namespace mdbwriter;
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("paare.mdb"));
    {
        Database db(datei.toStdString(), Format::Jet4);
        const int t = db.addTable("Paare", {{"Nr", ColumnType::Long}, {"Text", ColumnType::Text, 50}, {"Memo", ColumnType::Memo}});
        for (int i = 0; i < 200; ++i)
            db.addRow(t, {Cell::integer(i), Cell::text(i % 3 ? "nichts " + std::to_string(i) : i % 2 ? "ab\U00010400" : "\U00010428 klein"),
                          Cell::text(i % 5 ? "x" : "Memo \U00010402")});
        db.finish();
    }
    const Fall faelle[] = {{"\U00010400", false}, {"\U00010428", false, "\U0001042A"}, {"a*\U00010428", true}};
    for (const bool prozess : {false, true})
        for (const Fall& fall : faelle) {
            double treffer[2] = {0, 0}, saetze[2] = {0, 0};
            EXPECT_EQ(protokoll(datei, fall, true, prozess, treffer[0], saetze[0]), protokoll(datei, fall, false, prozess, treffer[1], saetze[1]))
                << fall.text;
            EXPECT_GT(treffer[1], 0) << fall.text;
        }
}

}  // namespace
