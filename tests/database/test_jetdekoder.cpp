// The page and row decoder on pages built byte by byte: where a row's fields
// lie, what they hold, which slots are rows, and which bytes are damage.

#include "Fehler.h"
#include "Jetdekoder.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

using namespace Datenzugriff;
using Bytes = std::vector<unsigned char>;

namespace {

constexpr std::uint32_t Tdef = 5;
constexpr std::uint16_t Geloescht = 0x8000, Verweis = 0x4000;

struct Seiten : Jet::Seitenquelle {
    std::map<std::uint32_t, Bytes> s;
    bool seiteLesen(std::uint32_t n, unsigned char* ziel) override
    {
        const auto it = s.find(n);
        if (it == s.end())
            return false;
        std::memcpy(ziel, it->second.data(), it->second.size());
        return true;
    }
};

void le(Bytes& b, std::uint64_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

Bytes utf16(const QString& t)
{
    Bytes b;
    for (QChar c : t)
        le(b, c.unicode(), 2);
    return b;
}

Bytes memoInline(const Bytes& inhalt)
{
    Bytes b;
    le(b, 0x80000000u | inhalt.size(), 4);
    le(b, 0, 8);
    b.insert(b.end(), inhalt.begin(), inhalt.end());
    return b;
}

// A Jet 4 row of `spalten` columns: the fixed bytes, the variable values, and
// the columns whose null-mask bit is set (value present, Yes/No true).
Bytes zeile(int spalten, const Bytes& fest, const std::vector<Bytes>& var, const std::vector<int>& gesetzt)
{
    Bytes b;
    le(b, std::uint64_t(spalten), 2);
    b.insert(b.end(), fest.begin(), fest.end());
    std::vector<std::size_t> offsets;
    for (const Bytes& v : var) {
        offsets.push_back(b.size());
        b.insert(b.end(), v.begin(), v.end());
    }
    offsets.push_back(b.size());
    for (auto o = offsets.rbegin(); o != offsets.rend(); ++o)
        le(b, *o, 2);
    le(b, var.size(), 2);
    Bytes maske(std::size_t((spalten + 7) / 8), 0);
    for (int g : gesetzt)
        maske[std::size_t(g / 8)] |= static_cast<unsigned char>(1 << (g % 8));
    b.insert(b.end(), maske.begin(), maske.end());
    return b;
}

// A data page of table tdef; rows lie from the page's end downwards.
Bytes datenseite(const std::vector<std::pair<Bytes, std::uint16_t>>& zeilen, std::uint32_t tdef = Tdef)
{
    Bytes p(4096, 0);
    p[0] = Jet::SeiteDaten;
    std::memcpy(&p[4], &tdef, 4);
    p[12] = static_cast<unsigned char>(zeilen.size());
    std::size_t ende = p.size();
    for (std::size_t i = 0; i < zeilen.size(); ++i) {
        const Bytes& z = zeilen[i].first;
        ende -= z.size();
        std::memcpy(&p[ende], z.data(), z.size());
        const std::uint16_t slot = std::uint16_t(ende) | zeilen[i].second;
        std::memcpy(&p[14 + 2 * i], &slot, 2);
    }
    return p;
}

// Long, Text, Currency, Memo, Yes/No, and a Long added after the rows were written.
std::shared_ptr<Jet::Tabelle> tabelle()
{
    auto t = std::make_shared<Jet::Tabelle>();
    t->definitionsSeite = Tdef;
    t->varSpalten = true;
    t->karte = {0, 6, 0, 0, 0, 0x01};  // page 6 only
    t->spalten = {{JetTyp::Long, true, 0, 0, 0, 0, 4, 0, {}},  {JetTyp::Text, false, 1, 0, -1, 0, 0, 0, {}},
                  {JetTyp::Currency, true, 2, 0, 1, 4, 8, 0, {}}, {JetTyp::Memo, false, 3, 1, -1, 0, 0, 0, {}},
                  {JetTyp::JaNein, true, 4, 0, 2, 12, 0, 0, {}},  {JetTyp::Long, true, 5, 0, 3, 12, 4, 0, {}}};
    return t;
}

QString alsText(const Wert& w)
{
    switch (w.art) {
    case WertArt::Null: return QStringLiteral("Null");
    case WertArt::Text: return w.text;
    case WertArt::Ganzzahl: return QString::number(w.ganzzahl);
    case WertArt::Currency: return QStringLiteral("C%1").arg(w.waehrung);
    case WertArt::JaNein: return w.janein ? QStringLiteral("Ja") : QStringLiteral("Nein");
    default: return QStringLiteral("?");
    }
}

// Every row of page 6, the only one in the map (and of what it reaches), as
// "value|value|..." joined by "; ", then "!" and the pages noted as damaged
// (0 for the count); with a filter, the rows it rejects as Nulls.
QString lesen(const std::map<std::uint32_t, Bytes>& karte, std::int64_t gespeichert, std::shared_ptr<const Kandidatenfilter> filter = nullptr)
{
    Seiten seiten;
    seiten.s = karte;
    Jet::Format f;
    f.seitenAnzahl = 16;
    f.datei = QStringLiteral("t.accdb");
    Jet::Dekoder d(f, seiten);
    Jet::Cursor c;
    auto t = tabelle();
    t->gespeicherteZeilen = gespeichert;
    c.tabelle = t;
    c.auswahl = {0, 1, 2, 3, 4, 5};
    c.seite.resize(4096);
    c.filter = std::move(filter);
    std::vector<Wert> werte(6 * 8);
    Jet::InWerte ziel(d, werte.data());
    const int n = d.zeilenLesen(c, ziel, 8);
    QStringList zeilen, schaeden;
    for (int r = 0; r < n; ++r) {
        QStringList teile;
        for (int k = 0; k < 6; ++k)
            teile << alsText(werte[std::size_t(r * 6 + k)]);
        zeilen << teile.join(u'|');
    }
    for (const Schaden& s : c.schaeden)
        schaeden << QString::number(s.seite);
    return zeilen.join(QStringLiteral("; ")) + (schaeden.isEmpty() ? QString() : u'!' + schaeden.join(u','));
}

// The page of `zeilen` with the slot of its last row set to `slot`.
Bytes mitSlot(const std::vector<std::pair<Bytes, std::uint16_t>>& zeilen, std::uint16_t slot)
{
    Bytes p = datenseite(zeilen);
    std::memcpy(&p[14 + 2 * (zeilen.size() - 1)], &slot, 2);
    return p;
}

Bytes fest(std::int32_t lang, std::int64_t waehrung)
{
    Bytes b;
    le(b, std::uint32_t(lang), 4);
    le(b, std::uint64_t(waehrung), 8);
    return b;
}

struct Fall {
    const char* name;
    std::map<std::uint32_t, Bytes> seiten;
    const char* erwartet;         // lesen()'s summary
    std::int64_t gespeichert = 0;  // the definition's row count
};

TEST(Jetdekoder, RowsOfBuiltPages)
{
    const Bytes voll = zeile(5, fest(7, 125000), {utf16(QStringLiteral("Zürich")), memoInline(utf16(QStringLiteral("Notiz")))}, {0, 1, 2, 3, 4});
    // Jet 4 compression: FF FE, then single bytes; a zero byte switches to UTF-16 pairs.
    const Bytes komprimiert = {0xff, 0xfe, 'a', 'b', 0x00, 0xac, 0x20};
    Bytes einzeln = {0x04, 0, 0, 0x40};  // memo of 4 bytes on its own page: page 8, row 0
    le(einzeln, 8u << 8, 4);
    le(einzeln, 0, 4);
    Bytes verweis;
    le(verweis, (7u << 8) | 0, 4);
    const Bytes weit = zeile(5, fest(1, 0), {utf16(QStringLiteral("x")), {}}, {0, 1, 2});
    // Three columns, but only the Long's bytes: the Currency lies beyond the row.
    Bytes nurLong;
    le(nurLong, 9, 4);
    const Bytes festZuWeit = zeile(3, nurLong, {}, {0, 2});
    Bytes zuWeit = weit;
    zuWeit[zuWeit.size() - 7] = 0xff;  // the text's end, past the row's end

    const std::vector<Fall> faelle = {
        {"all columns, the added one Null", {{6, datenseite({{voll, 0}})}}, "7|Zürich|C125000|Notiz|Ja|Null"},
        {"compressed text, Null fields, No", {{6, datenseite({{zeile(5, fest(-2, -1), {komprimiert, {}}, {0, 1, 2}), 0}})}},
         "-2|ab€|C-1|Null|Nein|Null"},
        // Fields a row does not hold are Null whatever lies beyond it: a row of
        // no columns before a slot of 0xff bytes; null bits set for the memo
        // and the added Long, which an older row of four columns lacks.
        {"a row without columns", {{6, datenseite({{Bytes(4, 0xff), Geloescht}, {zeile(0, {}, {}, {}), 0}})}},
         "Null|Null|Null|Null|Nein|Null"},
        {"null bits set for columns an older row lacks",
         {{6, datenseite({{zeile(4, fest(7, 125000), {utf16(QStringLiteral("Zürich"))}, {0, 1, 2, 3, 5}), 0}})}},
         "7|Zürich|C125000|Null|Nein|Null"},
        {"deleted slot skipped", {{6, datenseite({{voll, Geloescht}, {weit, 0}})}}, "1|x|C0|Null|Nein|Null"},
        {"moved row followed, its flagged data read",
         {{6, datenseite({{verweis, Verweis}})}, {7, datenseite({{voll, Geloescht}})}},
         "7|Zürich|C125000|Notiz|Ja|Null"},
        {"memo on a page of its own",
         {{6, datenseite({{zeile(5, fest(3, 0), {{}, einzeln}, {0, 3}), 0}})}, {8, datenseite({{{'n', 0, 'e', 0, 'u', 0}, 0}}, 0)}},
         "3|Null|Null|ne|Nein|Null"},
        // Damage: what can be read is read, the page is named. Pages of the
        // map that are zeroed or another table's, and a stored count above
        // the rows, are damage in written files of both formats (test_dateiarten).
        {"field beyond its row", {{6, datenseite({{zuWeit, 0}})}}, "!6"},
        {"fixed field beyond its row", {{6, datenseite({{festZuWeit, 0}})}}, "!6"},
        {"the last fixed field one byte beyond its row", {{6, datenseite({{zeile(6, Bytes(10, 0), {}, {0, 2, 5}), 0}})}}, "!6"},
        {"moved row pointing to no page", {{6, datenseite({{Bytes{0, 0, 0, 0x0f}, Verweis}})}}, "!6"},
        {"memo pointing to a missing page", {{6, datenseite({{zeile(5, fest(3, 0), {{}, einzeln}, {0, 3}), 0}})}}, "!6"},
        {"a broken row between whole ones", {{6, datenseite({{voll, 0}, {zuWeit, 0}, {weit, 0}})}},
         "7|Zürich|C125000|Notiz|Ja|Null; 1|x|C0|Null|Nein|Null!6"},
        {"a slot before the page's row area", {{6, mitSlot({{voll, 0}, {weit, 0}}, 5)}}, "7|Zürich|C125000|Notiz|Ja|Null!6"},
        {"a moved row whose data slot lies outside its page",
         {{6, datenseite({{verweis, Verweis}})}, {7, mitSlot({{voll, Geloescht}}, 0x8000 | 0x1fff)}}, "!6"},
        // A stale count no larger than the deleted rows passed is no damage.
        {"a stale count within the deleted rows", {{6, datenseite({{voll, Geloescht}, {weit, 0}})}},
         "1|x|C0|Null|Nein|Null", 2},
    };
    // A filter no row passes: no text holds its class, no kind is asked for.
    auto keiner = std::make_shared<Kandidatenfilter>();
    keiner->klasse.assign(65536, 0);
    keiner->alle = 1;
    keiner->gesucht.assign(6, 1);
    for (const Fall& fall : faelle) {
        const QString erwartet = QString::fromUtf8(fall.erwartet);
        EXPECT_EQ(lesen(fall.seiten, fall.gespeichert), erwartet) << fall.name;
        // Judged, every row comes as Nulls, and the damage is the same.
        QString zeilen = erwartet.section(u'!', 0, 0);
        const QString schaden = erwartet.sliced(zeilen.size());
        EXPECT_EQ(lesen(fall.seiten, fall.gespeichert, keiner), zeilen.replace(QRegularExpression(QStringLiteral("[^|; ]+")), QStringLiteral("Null")) + schaden)
            << fall.name;
    }
}

}  // namespace

// The quick byte test folds cases and reads whole blocks past a text's end:
// that may let a text through, never keep out one the exact test passes.
TEST(Jetdekoder, TheQuickByteTestNeverKeepsOutATextTheExactTestPasses)
{
    Bytes puffer(100 + Jet::Bytfilter::Reserve, 'x');
    // Every length and every place of the one byte that carries the class,
    // an upper-case letter whose class only it carries.
    Jet::Bytfilter q;
    q.klassen['Q'] = 1;
    q.alle = 1;
    q.vorbereiten();
    for (std::size_t n = 1; n <= 70; ++n)
        for (std::size_t i = 0; i < n; ++i) {
            puffer[i] = 'Q';
            EXPECT_TRUE(q.vielleicht(puffer.data(), n)) << n << " Bytes, Q an " << i;
            puffer[i] = 'x';
        }
    // Filters of up to four classes on a few bytes each (every tenth with
    // more bytes than the quick test takes), texts of 16 bytes of which half
    // carry a class: some hold every class, some do not.
    std::mt19937 zufall(7);
    int exaktDurch = 0, grobAbgewiesen = 0;
    for (int runde = 0; runde < 3000; ++runde) {
        Jet::Bytfilter f;
        const int klassen = 1 + int(zufall() % 4);
        for (int k = 0; k < klassen; ++k)
            for (unsigned j = 0, m = runde % 10 ? 2 : 7; j < m; ++j)
                f.klassen[zufall() % 256] |= std::uint8_t(1 << k);
        f.alle = std::uint8_t((1 << klassen) - 1);
        f.vorbereiten();
        std::vector<unsigned char> getragen, alphabet;
        for (unsigned b = 0; b < 256; ++b)
            if (f.klassen[b])
                getragen.push_back(std::uint8_t(b));
        for (int i = 0; i < 16; ++i)
            alphabet.push_back(i % 2 ? getragen[zufall() % getragen.size()] : std::uint8_t(zufall()));
        for (auto& b : puffer)
            b = alphabet[zufall() % 16];
        const std::size_t n = zufall() % 100;
        const bool exakt = f.enthaeltAlle(puffer.data(), n);
        EXPECT_TRUE(f.vielleicht(puffer.data(), n) || !exakt) << "Runde " << runde << ", " << n << " Bytes";
        exaktDurch += exakt;
        grobAbgewiesen += !f.vielleicht(puffer.data(), n);
    }
    EXPECT_GT(exaktDurch, 300);
    EXPECT_GT(grobAbgewiesen, 300);
}
