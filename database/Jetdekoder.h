#pragma once
// The decoder of Jet and ACE files: data pages, row slots, rows and their
// values, long values and usage maps, all from plain page bytes. It knows no
// libmdb type and opens no file: pages come from a Seitenquelle, the layout
// of a table from a Tabelle that the caller fills in.

#include "Bytfilter.h"
#include "Fehler.h"
#include "Leser.h"
#include "LeserProtokoll.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Datenzugriff::Jet {

inline std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t le32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline std::uint64_t le64(const unsigned char* p) { return std::uint64_t(le32(p)) | (std::uint64_t(le32(p + 4)) << 32); }

constexpr unsigned char SeiteDaten = 0x01;
constexpr unsigned char SeiteTabelle = 0x02;
constexpr int MaxSpalten = 256;
constexpr std::size_t LangwertKopf = 12;  // length and flags, page and row, 4 unused bytes

// The damage of the database layer: the message names the file, grund
// alone is what the cursor notes when it reads past the damage.
struct Beschaedigung : DatenzugriffsFehler {
    Beschaedigung(const QString& datei, QString grund);
    QString grund;
};
[[noreturn]] void beschaedigt(const QString& datei, const QString& grund);
QString dateiText(const QString& datei);

// A Date/Time Extended value as Access stores it: 42 ASCII bytes, the days
// since 01.01.0001, ":", the 100-ns ticks of the day (19 digits each), then
// ":7" and a zero. Returns the ticks since 01.01.0001; -1 for other bytes.
std::int64_t datumErweitertLesen(const unsigned char* p, std::size_t n);

// Windows-1252 as a byte-to-character table: the default code page of Jet 3 text.
std::array<char16_t, 256> codepage1252();

// What the decoder needs to know of a file.
struct Format {
    int seitenGroesse = 4096;
    int zeilenzahlOffset = 12;  // where a data page holds its row count (Jet 3: 8)
    bool jet3 = false;
    std::uint32_t seitenAnzahl = 0;
    std::array<char16_t, 256> codepage = codepage1252();  // Jet 3 text
    QString datei;  // for messages only
};

// Where the decoder gets its pages. seiteLesen returns false for a page
// number outside the file and throws when the page cannot be read.
class Seitenquelle {
public:
    virtual ~Seitenquelle() = default;
    virtual bool seiteLesen(std::uint32_t nummer, unsigned char* ziel) = 0;
    // Called while a long value is put together from many pieces.
    virtual void lebenszeichen() {}
};

// The value texts of a multi-value or attachment column, ", "-joined, by
// the key that a row of the table holds in the column.
using KomplexWerte = std::unordered_map<std::uint32_t, QString>;

// A column as the row decoder needs it.
struct Spalte {
    JetTyp typ = JetTyp::Text;
    bool fest = false;
    int spaltenNr = 0;   // bit in the null mask
    int varNr = 0;       // slot in the variable offsets
    int festNr = -1;     // place among the fixed columns, in table order
    int festOffset = 0;
    int groesse = 0;
    int skala = 0;
    // Complex columns (Access 2007+) whose values are known; others give no value text.
    std::shared_ptr<const KomplexWerte> komplexWerte;
    // Calculated columns (Access 2010+) store their last result, in the result's type.
    bool berechnet = false;
    JetTyp ergebnisTyp = JetTyp::Text;
};

// What a table definition of Access 2007+ says of a column beyond libmdb's view.
struct Spaltenmerkmale {
    QString name;
    bool berechnet = false;
};
// The columns of a table definition (its pages joined, as Dekoder::
// tabellendefinition gives them) of the Jet 4 and ACE layout; empty when the
// bytes do not hold them.
std::vector<Spaltenmerkmale> spaltenmerkmale(const std::vector<unsigned char>& tdef);
// The result types (JetTyp codes) of the calculated columns in a property
// block ("MR2"), by column name in lower case.
std::map<QString, int> ergebnisTypen(const QByteArray& eigenschaften);
// A calculated Decimal as stored: length, scale, sign, then up to 16 bytes of
// magnitude in Access's mixed byte order; false for bytes that hold none.
bool berechneteDezimalzahl(const unsigned char* p, std::size_t n, DecimalWert& d);

// A table: its definition page, its usage map and its columns in table order.
struct Tabelle {
    QString name;
    std::uint32_t definitionsSeite = 0;
    std::int64_t gespeicherteZeilen = 0;  // the count in the definition; can be stale
    bool varSpalten = false;  // the table has variable-length columns
    std::vector<unsigned char> karte;
    std::vector<Spalte> spalten;
};

// How judging by a filter goes at a column; every way finds the damage a
// full read of the field finds.
enum class Pruefart : std::uint8_t {
    Voll,     // through the decoding, as a full read
    Nichts,   // a Yes/No value the filter does not ask for: no bytes, no damage
    Grenzen,  // nothing to judge in it; it can only lie beyond the row
    Text,     // a searched text: its bytes
    Memo,     // a memo: a searched one in the row is judged there, others read
};

struct Cursor {
    std::shared_ptr<const Tabelle> tabelle;
    std::vector<int> auswahl;
    std::vector<unsigned char> seite;  // the page, for the forward read with Bytfilter::Reserve bytes behind it
    std::uint32_t seitenNr = 0;     // data page in seite, 0 = none
    int zeileAufSeite = 0;
    int zeilenAufSeite = 0;
    bool ende = false;
    bool mapUnbekannt = false;      // usage map of a kind we cannot walk: scan pages
    std::uint32_t kartenSeite = 0;  // bitmap page of a long usage map in karte
    std::vector<unsigned char> karte;
    std::uint32_t gelieferteZeilen = 0;
    // Row positions (page << 9 | row) for row n on demand, built on first need.
    std::vector<std::uint64_t> positionen;
    bool positionenKomplett = false;
    std::vector<unsigned char> bereichSeite;  // pages of row ranges, apart from the running page
    // Damage the running read passed over (a page at most once), and the
    // deleted rows it passed: rows a stale count may still count.
    std::vector<Schaden> schaeden;
    std::int64_t geloeschteZeilen = 0;
    // The forward read gives the rows this filter rejects as rows of Nulls.
    std::shared_ptr<const Kandidatenfilter> filter;
    // Made from the filter bytFuer (held, so that no later filter can take
    // its address) by Dekoder::filterVorbereiten: its classes by byte, per
    // column how judging goes at it, and the columns it visits: in a row of
    // at least festGrenze bytes, where no fixed field it only bounds can lie
    // beyond the row, those and the Yes/No values it does not ask for are
    // left out (pruefSpalten); in a shorter row every column is visited.
    std::shared_ptr<const Kandidatenfilter> bytFuer;
    Bytfilter bytfilter;
    std::vector<Pruefart> pruefart;
    std::vector<std::uint16_t> pruefSpalten;
    int festGrenze = 0;
};

// The slot of a row on a data page.
struct Zeilenplatz {
    int start = 0;
    int ende = 0;
    bool geloescht = false;
    bool verweis = false;  // the slot holds a pointer to the row's data
    bool belegt = false;   // start and end lie in the page, in order
};

class Dekoder;

// Where the values of a row go: into Wert slots, or straight into a message
// of the reader process, in the form Protokoll::Schreiber::wert gives them.
class InWerte {
public:
    // leer, when given, marks a rejected row (ZeilenBlock::leer) instead of
    // writing its Nulls; it has room for every row.
    InWerte(Dekoder& d, Wert* ziel, std::vector<std::uint8_t>* leer = nullptr) : d_(d), w_(ziel), leer_(leer) {}
    void null(std::size_t k) { w_[k].art = WertArt::Null; }
    void janein(std::size_t k, bool v) { w_[k].art = WertArt::JaNein; w_[k].janein = v; }
    void ganzzahl(std::size_t k, std::int64_t v) { w_[k].art = WertArt::Ganzzahl; w_[k].ganzzahl = v; }
    void waehrung(std::size_t k, std::int64_t v) { w_[k].art = WertArt::Currency; w_[k].waehrung = v; }
    void single(std::size_t k, float v) { w_[k].art = WertArt::Single; w_[k].single = v; }
    void dbl(std::size_t k, WertArt art, double v) { w_[k].art = art; w_[k].dbl = v; }
    void guid(std::size_t k, const unsigned char* p);
    void decimal(std::size_t k, const DecimalWert& d) { w_[k].art = WertArt::Decimal; w_[k].decimal = d; }
    void datumErweitert(std::size_t k, std::int64_t ticks) { w_[k].art = WertArt::DatumErweitert; w_[k].ticks = ticks; }
    void textWert(std::size_t k, const QString& t) { w_[k].art = WertArt::Text; w_[k].text = t; }
    void text(std::size_t k, const unsigned char* p, std::size_t n);
    void langwert(std::size_t k, const unsigned char* kopf, std::size_t n);
    void binaer(std::size_t k, const char* p, std::size_t n)
    {
        w_[k].art = WertArt::Binaer;
        w_[k].binaer = QByteArray(p, qsizetype(n));
    }
    void leereZeile(std::size_t breite)
    {
        if (leer_) {
            (*leer_)[zeile_] = 1;
            return;
        }
        for (std::size_t k = 0; k < breite; ++k)
            w_[k].art = WertArt::Null;
    }
    void weiter(std::size_t breite)
    {
        w_ += breite;
        ++zeile_;
    }
    // A row that breaks off halfway leaves nothing: its slots are written anew.
    std::size_t stand() const { return 0; }
    void zuruecknehmen(std::size_t) {}

private:
    Dekoder& d_;
    Wert* w_;
    std::vector<std::uint8_t>* leer_;
    std::size_t zeile_ = 0;
};

// Judges a row by a candidate filter without building a value. The row goes
// through the same decoding, so damage is found as a full read finds it.
class Kandidatenpruefung {
public:
    Kandidatenpruefung(Dekoder& d, const Kandidatenfilter& f, const Bytfilter& bytfilter)
        : d_(d), f_(f), byt_(bytfilter) {}
    bool kandidat = false;
    void null(std::size_t) {}
    void janein(std::size_t k, bool) { art(k, WertArt::JaNein); }
    void ganzzahl(std::size_t k, std::int64_t) { art(k, WertArt::Ganzzahl); }
    void waehrung(std::size_t k, std::int64_t) { art(k, WertArt::Currency); }
    void single(std::size_t k, float) { art(k, WertArt::Single); }
    void dbl(std::size_t k, WertArt a, double) { art(k, a); }
    void guid(std::size_t k, const unsigned char*) { art(k, WertArt::Guid); }
    void decimal(std::size_t k, const DecimalWert&) { art(k, WertArt::Decimal); }
    void datumErweitert(std::size_t k, std::int64_t) { art(k, WertArt::DatumErweitert); }
    void textWert(std::size_t k, const QString& t);
    void text(std::size_t k, const unsigned char* p, std::size_t n);
    void langwert(std::size_t k, const unsigned char* kopf, std::size_t n);
    void binaer(std::size_t k, const char*, std::size_t) { art(k, WertArt::Binaer); }
    void weiter(std::size_t) {}
    std::size_t stand() const { return 0; }
    void zuruecknehmen(std::size_t) {}

private:
    void art(std::size_t k, WertArt a)
    {
        if (f_.gesucht[k] && (f_.arten >> unsigned(a) & 1u))
            kandidat = true;
    }
    Dekoder& d_;
    const Kandidatenfilter& f_;
    const Bytfilter& byt_;
};

// enden, when given, gets each row's end in the message, for an answer that
// takes only part of them.
class InNachricht {
public:
    InNachricht(Dekoder& d, Protokoll::Schreiber& s, std::vector<std::size_t>* enden) : d_(d), s_(s), e_(enden) {}
    void null(std::size_t) { art(WertArt::Null); }
    void janein(std::size_t, bool v) { art(WertArt::JaNein); s_.u8(v ? 1 : 0); }
    void ganzzahl(std::size_t, std::int64_t v) { art(WertArt::Ganzzahl); s_.i64(v); }
    void waehrung(std::size_t, std::int64_t v) { art(WertArt::Currency); s_.i64(v); }
    void single(std::size_t, float v) { art(WertArt::Single); s_.roh(&v, 4); }
    void dbl(std::size_t, WertArt a, double v) { art(a); s_.f64(v); }
    void guid(std::size_t, const unsigned char* p) { art(WertArt::Guid); s_.roh(p, 16); }
    void decimal(std::size_t, const DecimalWert& d)
    {
        art(WertArt::Decimal);
        s_.decimal(d);
    }
    void datumErweitert(std::size_t, std::int64_t ticks) { art(WertArt::DatumErweitert); s_.i64(ticks); }
    void textWert(std::size_t, const QString& t)
    {
        art(WertArt::Text);
        s_.text(t);
    }
    void text(std::size_t, const unsigned char* p, std::size_t n);
    void langwert(std::size_t, const unsigned char* kopf, std::size_t n);
    void binaer(std::size_t, const char* p, std::size_t n)
    {
        art(WertArt::Binaer);
        s_.bytes(p, n);
    }
    void leereZeile(std::size_t breite)
    {
        if (breite > 0)
            s_.u8(Protokoll::LeereZeile);
    }
    void weiter(std::size_t)
    {
        if (e_)
            e_->push_back(s_.nutzlastGroesse());
    }
    // A row that breaks off halfway is taken out of the message again.
    std::size_t stand() const { return s_.nutzlastGroesse(); }
    void zuruecknehmen(std::size_t stand) { s_.kuerzen(stand); }

private:
    void art(WertArt a) { s_.u8(std::uint8_t(a)); }
    Dekoder& d_;
    Protokoll::Schreiber& s_;
    std::vector<std::size_t>* e_;
};

// Reads the rows of tables of one file. Every inconsistency of the bytes is
// a DatenzugriffsFehler (FehlerBeschaedigt) naming the file, except where a
// forward read can go on behind it: a row or a page it cannot read is noted
// in the cursor's schaeden, and so are rows the table's stored count
// promises beyond the rows read and the deleted rows passed.
class Dekoder {
public:
    Dekoder(Format format, Seitenquelle& quelle) : f_(std::move(format)), q_(quelle) {}
    const Format& format() const { return f_; }

    // The next rows of the cursor into ziel; returns how many.
    template <class Ziel>
    int zeilenLesen(Cursor& c, Ziel& ziel, int maxZeilen);
    // Rows von .. von + anzahl - 1 of the cursor, through its row positions;
    // the running position stays.
    template <class Ziel>
    int bereichLesen(Cursor& c, std::int64_t von, int anzahl, Ziel& ziel);
    // Back to the first row.
    static void zuruecksetzen(Cursor& c);
    // Walks the pages once and notes where every row is, for row n on demand.
    void positionenZaehlen(Cursor& c);

    // The slot of row `zeile` on a data page: where its bytes lie and how it
    // is flagged. The one check of a slot, for reading rows and for counting
    // them. Inline: it runs twice for every row, and a call returned its
    // result through memory.
    Zeilenplatz zeilenplatz(const unsigned char* seite, int zeile) const
    {
        constexpr std::uint16_t ZeileGeloescht = 0x8000;
        constexpr std::uint16_t ZeileVerweis = 0x4000;  // row holds a pointer to its relocated data
        constexpr std::uint16_t OffsetMaske = 0x1fff;
        const int rco = f_.zeilenzahlOffset;
        const std::uint16_t eintrag = le16(seite + rco + 2 + zeile * 2);
        Zeilenplatz p;
        p.start = eintrag & OffsetMaske;
        p.ende = zeile == 0 ? f_.seitenGroesse : (le16(seite + rco + zeile * 2) & OffsetMaske);
        p.geloescht = (eintrag & ZeileGeloescht) != 0;
        p.verweis = (eintrag & ZeileVerweis) != 0;
        p.belegt = p.start < p.ende && p.ende <= f_.seitenGroesse && p.start >= rco + 2;
        return p;
    }
    // The rows a data page of the table with definition page tdef holds;
    // -1 when the page is no data page of that table.
    int zeilenAufDatenseite(const unsigned char* seite, std::uint32_t seitenNr, std::uint32_t tdef) const;

    // Text in the file's encoding into ziel, which has room for n characters;
    // returns the count.
    std::size_t textDekodieren(const unsigned char* p, std::size_t n, char16_t* ziel) const;
    void textDekodieren(const unsigned char* p, std::size_t n, QString& ziel) const;
    // Whether a text in the file's encoding holds a unit of every class the
    // filter asks for; bytfilter is the filter's table by byte.
    bool enthaeltAlle(const unsigned char* p, std::size_t n, const Kandidatenfilter& f, const Bytfilter& bytfilter) const;
    // The same for a text in a page buffer, with Bytfilter::Reserve bytes
    // behind the page: most texts are turned away by the quick test.
    bool kandidatAufSeite(const unsigned char* p, std::size_t n, const Kandidatenfilter& f, const Bytfilter& bytfilter) const
    {
        const std::size_t ab = !f_.jet3 && n >= 2 && p[0] == 0xff && p[1] == 0xfe ? 2 : 0;
        return bytfilter.vielleicht(p + ab, n - ab) && enthaeltAlle(p, n, f, bytfilter);
    }
    // What judging by c's filter needs beside the filter. The classes by
    // byte: every class of a unit whose code (Jet 3: the byte's character;
    // Jet 4: its low byte) is that byte; a text whose bytes lack a class
    // lacks it in its units too. And per column how judging goes at it
    // (Pruefart), the columns it visits and the row length festGrenze.
    void filterVorbereiten(Cursor& c) const;
    // A memo or OLE value from its 12-byte head in the row.
    void langwertLesen(const unsigned char* kopf, std::size_t n, QByteArray& ziel);
    // The bytes of a table definition: its first page and the pages it
    // continues on, each without its 8-byte head.
    std::vector<unsigned char> tabellendefinition(std::uint32_t seite);

    // Scratch space of the sinks, kept from value to value.
    QByteArray langwertPuffer;
    std::vector<char16_t> textPuffer;

private:
    struct Zeilenkopf {
        const unsigned char* z = nullptr;  // the row's bytes
        int laenge = 0;
        int zaehlerGroesse = 0;  // bytes of the column count
        int maskenGroesse = 0;
        const unsigned char* nullMaske = nullptr;
        int varSpalten = 0;
        int festInZeile = 0;  // fixed columns the row holds
        std::array<int, MaxSpalten + 2> varOffsets;  // 0 .. varSpalten are set
    };
    // Calls f with every UTF-16 unit of a text in the file's encoding until f says false.
    template <class F>
    void einheiten(const unsigned char* p, std::size_t n, F&& f) const;
    std::int64_t naechsteAusKarte(Cursor& c, std::uint32_t nach);
    static void schadenNotieren(Cursor& c, std::uint32_t seite, const QString& grund);
    void zaehlungPruefen(Cursor& c) const;
    bool naechsteDatenseite(Cursor& c);
    // filtern: a row that c's filter rejects comes as a row of Nulls.
    template <class Ziel>
    bool zeileDekodieren(Cursor& c, const unsigned char* seite, std::uint32_t seitenNr, int zeile, Ziel& ziel, bool filtern,
                         int tiefe = 0);
    Zeilenkopf zeilenkopfLesen(const Tabelle& t, const unsigned char* z, int laenge, std::uint32_t seitenNr) const;
    bool kannTreffen(Cursor& c, const Zeilenkopf& kopf, std::uint32_t seitenNr);
    template <class Ziel>
    void feldDekodieren(const Spalte& s, std::size_t k, const Zeilenkopf& kopf, std::uint32_t seitenNr, Ziel& ziel);
    bool feldBytes(const Spalte& s, const Zeilenkopf& kopf, std::uint32_t seitenNr, const unsigned char*& p, int& n) const;
    void textBytes(const Spalte& s, const Zeilenkopf& kopf, std::uint32_t seitenNr, const unsigned char*& p, int& n) const;
    template <class Ziel>
    bool berechnetAuspacken(std::size_t k, JetTyp typ, std::uint32_t seitenNr, const unsigned char*& p, int& n, Ziel& ziel);
    template <class Ziel>
    bool festerWert(const Spalte& s, std::size_t k, JetTyp typ, const unsigned char* p, int n, std::uint32_t seitenNr, Ziel& ziel);
    template <class Ziel>
    void komplexWert(const Spalte& s, std::size_t k, const unsigned char* p, int n, std::uint32_t seitenNr, Ziel& ziel);
    // Row pgRow (page << 8 | row) of a long-value page, from a small cache of
    // pages: memo values of one table lie on few pages, read again and again.
    std::pair<const unsigned char*, std::size_t> langwertZeile(std::uint32_t pgRow, const char* wofuer);

    Format f_;
    Seitenquelle& q_;
    struct LangwertSeite {
        std::uint32_t nummer = 0;
        std::uint64_t benutzt = 0;
        std::vector<unsigned char> daten;
    };
    std::array<LangwertSeite, 8> langwertSeiten_;
    std::vector<unsigned char> verweisSeite_;  // the page a moved row's data lies on
    std::uint64_t langwertZugriffe_ = 0;
};

}  // namespace Datenzugriff::Jet
