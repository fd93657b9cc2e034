// Files that are healthy but not plain: encoded by Access ("Datenbank
// verschlüsseln"), an Access 2007+ file named .mdb, one encrypted with a
// password, one beside its lock file. Each is read, or says why not; none is
// called damaged. And damaged ones: what can be read is read and the damage
// is named. Both readers, in process and in the child process.
// Findings of the fuzzer (tests/fuzz) get their regression case here.

#include "Fehler.h"
#include "Leser.h"
#include "MdbWriter.h"
#include "Strukturen.h"
#include "Werttext.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <numeric>

using namespace Datenzugriff;
using namespace mdbwriter;

namespace {

// RC4, as Jet uses it to encode pages: the key stream XORed over the data.
void rc4(const std::array<std::uint8_t, 4>& schluessel, unsigned char* daten, std::size_t n)
{
    std::array<std::uint8_t, 256> s{};
    std::iota(s.begin(), s.end(), 0);
    for (std::size_t i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + schluessel[i % 4]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (std::size_t k = 0, i = 0, j = 0; k < n; ++k) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        daten[k] ^= s[(s[i] + s[j]) & 0xff];
    }
}

std::array<std::uint8_t, 4> le(std::uint32_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}; }

class Dateiarten : public ::testing::TestWithParam<std::tuple<Format, bool>> {
protected:
    void SetUp() override
    {
        datei = dir.filePath(QStringLiteral("Archiv.mdb"));
        Database db(datei.toStdString(), format());
        const int t = db.addTable("Kunden", {{"Nr", ColumnType::Long}, {"Name", ColumnType::Text, 40}, {"Notiz", ColumnType::Memo}});
        for (int i = 0; i < 300; ++i)
            db.addRow(t, {Cell::integer(i), Cell::text("Müller " + std::to_string(i)), Cell::text(std::string(i % 50 == 0 ? 9000 : 20, 'n'))});
        db.finish();
        tdefSeite = db.tableId(t);
    }
    Format format() const { return std::get<0>(GetParam()); }
    std::size_t seite() const { return format() == Format::Jet3 ? 2048 : 4096; }
    // Every page but the header encoded with key ^ page number.
    void verschluesseln(QByteArray& b, std::uint32_t schluessel) const
    {
        for (std::size_t p = 1; p * seite() < std::size_t(b.size()); ++p)
            rc4(le(schluessel ^ std::uint32_t(p)), reinterpret_cast<unsigned char*>(b.data()) + p * seite(), seite());
    }
    std::unique_ptr<Leser> leser() const
    {
        return std::get<1>(GetParam()) ? erzeugeProzessLeser(QStringLiteral(LESER_PROGRAMM)) : erzeugeMdbLeser();
    }
    QByteArray inhalt() const
    {
        QFile f(datei);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    void schreiben(const QByteArray& b) const
    {
        QFile f(datei);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(b), b.size());
    }
    // Every row, as "Nr|Name|length of Notiz"; the pages the cursor names as damaged into schaeden.
    QStringList zeilen(Leser& l, std::vector<std::uint32_t>* schaeden = nullptr) const
    {
        const CursorNummer c = l.cursorOeffnen(QStringLiteral("Kunden"), {0, 1, 2});
        QStringList z;
        ZeilenBlock block;
        while (l.naechsterBlock(c, block, 64))
            for (int r = 0; r < block.zeilen(); ++r)
                z << QStringLiteral("%1|%2|%3").arg(block.wert(r, 0).ganzzahl).arg(block.wert(r, 1).text).arg(block.wert(r, 2).text.size());
        for (const Schaden& s : schaeden ? l.schaeden(c) : std::vector<Schaden>())
            schaeden->push_back(s.seite);
        return z;
    }
    int fehlernummer(Leser& l) const
    {
        try {
            l.oeffnen(datei);
        } catch (const DatenzugriffsFehler& f) {
            meldung = f.Description();
            return f.Number();
        }
        return 0;
    }

    QTemporaryDir dir;
    QString datei;
    std::uint32_t tdefSeite = 0;
    mutable QString meldung;
};

// Changed headers: a file encoded by Access is read like the plain one (the
// lock file beside left alone); an Access 2007 file (the Jet 4 page layout)
// named .mdb is read; one encrypted with a password says so and is not called
// damaged; a scrambled catalogue of an older file is damage.
TEST_P(Dateiarten, AChangedHeaderIsReadOrNamed)
{
    const QString sperre = dir.filePath(QStringLiteral("Archiv.ldb"));
    ASSERT_TRUE(QFile::copy(datei, sperre));
    const QDateTime vorher = QFileInfo(sperre).lastModified();
    const QByteArray heil = inhalt();
    const QStringList klar = [&] { auto l = leser(); l->oeffnen(datei); return zeilen(*l); }();
    ASSERT_EQ(klar.size(), 300);
    auto ace = [&](char art) {
        QByteArray b = heil;
        b.replace(4, 15, "Standard ACE DB");
        b[0x14] = art;
        return b;
    };
    // The key lies in the header's scrambled part: XORing the stored bytes
    // XORs the key. Then every page but the header is encoded with key ^ page.
    const std::uint32_t schluessel = 0x1234abcd;
    QByteArray kodiert = heil, verschluesselt = ace(0x03), katalog = heil;
    for (int i = 0; i < 4; ++i)
        kodiert[0x3e + i] = char(kodiert[0x3e + i] ^ le(schluessel)[std::size_t(i)]);
    verschluesseln(kodiert, schluessel);
    verschluesseln(verschluesselt, 0xdeadbeef);
    katalog[qsizetype(2 * seite())] = 0x07;
    const struct {
        const char* name;
        QByteArray bytes;
        int nummer;
        const char* meldung;
    } faelle[] = {{"encoded", kodiert, 0, ""}, {"Access 2007", ace(0x02), 0, ""}, {"password", verschluesselt, FehlerVerschluesselt, "verschlüsselt"},
                  {"catalogue", katalog, FehlerBeschaedigt, ""}};
    for (const auto& f : faelle) {
        if (format() == Format::Jet3 && f.bytes[0x14] != 0x00)
            continue;  // Access 2007 files are Jet 4 files
        SCOPED_TRACE(f.name);
        schreiben(f.bytes);
        auto l = leser();
        ASSERT_EQ(fehlernummer(*l), f.nummer) << meldung.toStdString();
        if (!f.nummer) {
            EXPECT_EQ(zeilen(*l), klar);
        }
        EXPECT_TRUE(meldung.contains(QString::fromUtf8(f.meldung)) && (!f.nummer || meldung.contains(QStringLiteral("Archiv.mdb"))))
            << meldung.toStdString();
    }
    QFile f(sperre);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), heil);
    EXPECT_EQ(QFileInfo(sperre).lastModified(), vorher);
}

class Jet4Dateien : public Dateiarten {};  // for the Jet 4 family only, read once per reader

// The plain column types Access 2007 and newer added, written by our writer
// in an ACE file, at their extremes: every value as its value text. (Calculated,
// multi-value and attachment columns: the real files of test_echtdaten.)
TEST_P(Jet4Dateien, TheNewColumnTypesOfAccess2007AreRead)
{
    const QString ace = dir.filePath(QStringLiteral("Neu.accdb"));
    const std::int64_t tag = QDate(1, 1, 1).daysTo(QDate(2021, 6, 14)), proTag = 864000000000LL;
    {
        Database db(ace.toStdString(), Format::Ace12);
        const int t = db.addTable("Neu", {{"Gross", ColumnType::LargeNumber}, {"Wann", ColumnType::DateTimeExtended}});
        db.addRow(t, {Cell::integer(-9223372036854775807LL - 1), Cell::integer(tag * proTag + 819123456789LL)});
        db.addRow(t, {Cell::integer(4000000000LL), Cell::integer(0)});
        db.finish();
    }
    auto l = leser();
    l->oeffnen(ace);
    const CursorNummer c = l->cursorOeffnen(QStringLiteral("Neu"), {0, 1});
    const Werttext werttext{QLocale(QLocale::German, QLocale::Germany)};
    QStringList zeilen;
    ZeilenBlock block;
    while (l->naechsterBlock(c, block, 8))
        for (int r = 0; r < block.zeilen(); ++r)
            zeilen << werttext.text(block.wert(r, 0)) + u'|' + werttext.text(block.wert(r, 1));
    EXPECT_EQ(zeilen, (QStringList{QStringLiteral("-9223372036854775808|14.06.2021 22:45:12,3456789"),
                                   QStringLiteral("4000000000|01.01.0001")}));
}

// One damage of each kind in the written table: a definition whose counts
// do not fit is refused; a page or row that cannot be read is read past and
// named, as are rows the stored count promises.
TEST_P(Dateiarten, DamageIsReadPastOrRefusedAndAlwaysNamed)
{
    const QByteArray heil = inhalt();
    const std::size_t s = seite();
    const bool jet3 = format() == Format::Jet3;
    auto u32 = [&](std::size_t stelle) { return std::uint32_t(std::uint8_t(heil[qsizetype(stelle)])) | std::uint32_t(std::uint8_t(heil[qsizetype(stelle + 1)])) << 8
                                                 | std::uint32_t(std::uint8_t(heil[qsizetype(stelle + 2)])) << 16; };
    // The table's data pages: those its definition owns.
    std::vector<std::uint32_t> daten;
    for (std::uint32_t p = 3; p < std::uint32_t(std::size_t(heil.size()) / s); ++p)
        if (heil[qsizetype(p * s)] == 1 && u32(p * s + 4) == tdefSeite)
            daten.push_back(p);
    ASSERT_GE(daten.size(), 3u);
    const std::size_t tdef = tdefSeite * s;
    const std::size_t rco = jet3 ? 8 : 12;
    const std::uint32_t mitte = daten[1];
    const std::size_t letzterSlot = mitte * s + rco + 2 * std::size_t(std::uint8_t(heil[qsizetype(mitte * s + rco)]));
    const std::uint32_t gespeichert = u32(tdef + (jet3 ? 0x0c : 0x10));
    ASSERT_EQ(gespeichert, 300u);

    const struct {
        const char* name;
        std::size_t stelle;
        QByteArray bytes;
        bool abgelehnt;                      // the cursor is refused
        bool alleZeilen;                     // all 300 rows are read
        std::vector<std::uint32_t> schaeden;  // pages named, 0 for the count
    } faelle[] = {
        {"index count beyond the definition", tdef + (jet3 ? 0x1b : 0x2f), QByteArray("\xc8\x00", 2), true, false, {}},
        {"real index count beyond the definition", tdef + (jet3 ? 0x1f : 0x33), QByteArray("\x3c\x00", 2), true, false, {}},
        {"stored count above the rows", tdef + (jet3 ? 0x0c : 0x10), QByteArray("\x31\x01", 2), false, true, {0}},
        {"zeroed data page", mitte * s, QByteArray(int(s), 0), false, false, {mitte}},
        {"data page of another table", mitte * s + 4, QByteArray("\x02\x00", 2), false, false, {mitte}},
        {"row slot outside its page", letzterSlot, QByteArray("\x01\x00", 2), false, false, {mitte}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        QByteArray b = heil;
        b.replace(qsizetype(f.stelle), f.bytes.size(), f.bytes);
        schreiben(b);
        auto l = leser();
        l->oeffnen(datei);
        try {
            std::vector<std::uint32_t> seiten;
            const qsizetype n = zeilen(*l, &seiten).size();
            EXPECT_FALSE(f.abgelehnt);
            EXPECT_TRUE(f.alleZeilen ? n == 300 : n > 200 && n < 300) << n;
            EXPECT_EQ(seiten, f.schaeden);
        } catch (const DatenzugriffsFehler& e) {
            EXPECT_TRUE(f.abgelehnt) << e.Description().toStdString();
            EXPECT_EQ(e.Number(), FehlerBeschaedigt);
            EXPECT_TRUE(e.Description().contains(QStringLiteral("„Kunden“"))) << e.Description().toStdString();
        }
    }
}

// Found by the fuzzer (tests/fuzz): three bytes of a property block
// changed, on which libmdb's own reading of the catalogue loops forever.
// The catalogue is read by our decoder, which never looks at LvProp: both
// readers list and read every table, the child process without a watchdog stop.
TEST_P(Jet4Dateien, ADamagedPropertyBlockInTheCatalogueLeavesEveryTableReadable)
{
    {
        Database db(datei.toStdString(), format());
        writeMovedRows(db, "Verschoben", 12);
        writeChangedColumns(db, "Spalten");
        writePropertyTables(db);
        db.finish();
    }
    QByteArray b = inhalt();
    std::vector<qsizetype> bloecke;
    for (qsizetype p = b.indexOf(QByteArray("MR2\0", 4)); p >= 0; p = b.indexOf(QByteArray("MR2\0", 4), p + 1))
        bloecke.push_back(p);
    ASSERT_EQ(bloecke.size(), 3u);
    for (const auto& [stelle, wert] : {std::pair{7, 105}, std::pair{35, 218}, std::pair{53, 160}})
        b[bloecke[2] + stelle] = char(wert);
    schreiben(b);
    auto l = leser();
    l->oeffnen(datei);
    QStringList tabellen;
    for (const KatalogEintrag& e : l->katalog())
        if (e.typ == QLatin1String("TABLE")) {
            tabellen << e.name;
            std::vector<int> alle(l->spalten(e.name).size());
            std::iota(alle.begin(), alle.end(), 0);
            const CursorNummer c = l->cursorOeffnen(e.name, alle);
            ZeilenBlock block;
            while (l->naechsterBlock(c, block, 16)) {
            }
        }
    EXPECT_TRUE(tabellen.contains(QStringLiteral("Verschoben")) && tabellen.contains(QStringLiteral("Spalten")))
        << tabellen.join(u',').toStdString();
}

std::string name(const ::testing::TestParamInfo<std::tuple<Format, bool>>& info)
{
    return std::string(std::get<0>(info.param) == Format::Jet3 ? "Jet3" : "Jet4") + (std::get<1>(info.param) ? "_Prozess" : "_ImProzess");
}

INSTANTIATE_TEST_SUITE_P(Leser, Dateiarten, ::testing::Combine(::testing::Values(Format::Jet3, Format::Jet4), ::testing::Bool()), name);
INSTANTIATE_TEST_SUITE_P(Leser, Jet4Dateien, ::testing::Combine(::testing::Values(Format::Jet4), ::testing::Bool()), name);

}  // namespace
