// The in-process reader over libmdb. libmdb finds the pages (catalogue, table
// definitions, usage maps); the rows themselves are cracked and decoded here
// from the raw page bytes, which is many times faster than libmdb's text
// binding and lets us check every offset against the page.

#include "Leser.h"
#include "Fehler.h"
#include "LeserProtokoll.h"
#include "Plattenzugriff.h"
#include "Systemfehler.h"

#include <glib.h>
extern "C" {
#include <mdbtools.h>
}

#include <QFileInfo>
#include <QStringDecoder>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <unordered_set>

namespace Datenzugriff {
namespace {

constexpr std::uint16_t ZeileGeloescht = 0x8000;
constexpr std::uint16_t ZeileVerweis = 0x4000;  // row holds a pointer to its relocated data
constexpr std::uint16_t OffsetMaske = 0x1fff;
constexpr std::uint32_t LangwertInline = 0x80000000u;
constexpr std::uint32_t LangwertEineSeite = 0x40000000u;
constexpr std::uint32_t LangwertLaengeMaske = 0x3fffffffu;

std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t le32(const unsigned char* p) { return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24); }
std::uint64_t le64(const unsigned char* p) { return std::uint64_t(le32(p)) | (std::uint64_t(le32(p + 4)) << 32); }

QString dateiText(const QString& datei) { return QStringLiteral("„") + datei + QStringLiteral("“"); }

[[noreturn]] void beschaedigt(const QString& datei, const QString& grund)
{
    throw DatenzugriffsFehler(FehlerBeschaedigt,
        QStringLiteral("Die Datei %1 ist beschädigt oder kein Access-Datenbankformat: %2").arg(dateiText(datei), grund));
}

// Windows-1252 for the upper half; the lower half is ASCII.
constexpr std::array<char16_t, 32> cp1252Mitte = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct Spalte {
    MdbColumn* col;
    JetTyp typ;
    bool fest;
    int spaltenNr;      // bit in the null mask
    int varNr;          // slot in the variable offsets
    int festNr;         // place among the fixed columns, in table order
    int festOffset;
    int groesse;
    int skala;
};

// The columns of a table as the decoder needs them, in table order.
std::vector<Spalte> spaltenAus(MdbTableDef* t)
{
    std::vector<Spalte> alle;
    int festGefunden = 0;
    for (guint i = 0; i < t->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
        const bool fest = col->is_fixed != 0;
        // col_prec holds the scale: libmdb's two names are the wrong way round.
        alle.push_back({col, JetTyp(col->col_type), fest, col->col_num, int(col->var_col_num), fest ? festGefunden++ : -1,
                        col->fixed_offset, col->col_size, col->col_prec});
    }
    return alle;
}

struct Cursor {
    MdbTableDef* tabelle = nullptr;
    std::vector<Spalte> alle;
    std::vector<int> auswahl;
    std::vector<unsigned char> seite;
    std::uint32_t seitenNr = 0;     // data page in seite, 0 = none
    int zeileAufSeite = 0;
    int zeilenAufSeite = 0;
    bool ende = false;
    bool mapUnbekannt = false;      // usage map of a kind libmdb cannot walk: scan pages
    std::uint32_t kartenSeite = 0;  // bitmap page of a long usage map in karte
    std::vector<unsigned char> karte;
    std::uint32_t gelieferteZeilen = 0;
    // Row positions (page << 9 | row) for row n on demand, built on first need.
    std::vector<std::uint64_t> positionen;
    bool positionenKomplett = false;
    std::vector<unsigned char> bereichSeite;  // pages of row ranges, apart from the running page
    std::vector<Schaden> schaeden;            // what the running read could not read
};

class MdbLeser final : public KodierenderLeser {
public:
    explicit MdbLeser(std::function<void()> fortschritt) : fortschritt_(std::move(fortschritt)) {}
    ~MdbLeser() override { schliessen(); }

    void oeffnen(const QString& datei) override;
    void schliessen() override;
    bool offen() const override { return mdb_ != nullptr; }
    std::vector<KatalogEintrag> katalog() override;
    std::vector<SpaltenInfo> spalten(const QString& tabelle) override;
    std::int64_t gespeicherteZeilenanzahl(const QString& tabelle) override;
    CursorNummer cursorOeffnen(const QString& tabelle, const std::vector<int>& auswahl) override;
    bool naechsterBlock(CursorNummer cursor, ZeilenBlock& block, int maxZeilen) override;
    int blockKodieren(CursorNummer cursor, Protokoll::Schreiber& nachricht, int maxZeilen, std::vector<std::size_t>& zeilenEnden,
                      int& spalten) override;
    int zeilenBereich(CursorNummer cursor, std::int64_t von, int anzahl, ZeilenBlock& block) override;
    int bereichKodieren(CursorNummer cursor, std::int64_t von, int anzahl, Protokoll::Schreiber& nachricht, int& spalten) override;
    void zuruecksetzen(CursorNummer cursor) override;
    bool zeile(CursorNummer cursor, std::int64_t n, std::vector<Wert>& werte) override;
    std::int64_t gezaehlteZeilen(CursorNummer cursor) override;
    std::vector<Schaden> schaeden(CursorNummer cursor) override { return cursorHolen(cursor).schaeden; }
    void cursorSchliessen(CursorNummer cursor) override;
    QString version() const override
    {
        return QStringLiteral("2.8 (ZELK-Feldspur-Leser über libmdb %1)").arg(QString::fromUtf8(mdb_get_version()));
    }

private:
    MdbCatalogEntry* tabellenEintrag(const QString& tabelle);
    MdbTableDef* tabelleLesen(const QString& tabelle);
    Cursor& cursorHolen(CursorNummer nummer);
    bool seiteLesen(std::uint32_t seite, unsigned char* ziel);
    std::int64_t naechsteAusKarte(Cursor& c, std::uint32_t nach);
    bool naechsteDatenseite(Cursor& c);
    // Where the values of a row go: into Wert slots, or straight into a
    // message of the reader process, in the form Protokoll::Schreiber::wert
    // gives them.
    class InWerte;
    class InNachricht;
    class MitEnden;
    struct Zeilenplatz {
        int start = 0;
        int ende = 0;
        bool geloescht = false;
        bool verweis = false;  // the slot holds a pointer to the row's data
        bool belegt = false;   // start and end lie in the page, in order
    };
    struct Zeilenkopf {
        const unsigned char* z = nullptr;  // the row's bytes
        int laenge = 0;
        int zaehlerGroesse = 0;  // bytes of the column count
        int maskenGroesse = 0;
        const unsigned char* nullMaske = nullptr;
        int varSpalten = 0;
        int festInZeile = 0;  // fixed columns the row holds
        std::array<int, MDB_MAX_COLS + 2> varOffsets;  // 0 .. varSpalten are set
    };
    Zeilenplatz zeilenplatz(const unsigned char* seite, int zeile) const;
    template <class Ziel>
    bool zeileDekodieren(Cursor& c, const unsigned char* seite, std::uint32_t seitenNr, int zeile, Ziel& ziel, int tiefe = 0);
    Zeilenkopf zeilenkopfLesen(const Cursor& c, const unsigned char* z, int laenge, std::uint32_t seitenNr) const;
    template <class Ziel>
    void feldDekodieren(const Spalte& s, std::size_t k, const Zeilenkopf& kopf, std::uint32_t seitenNr, Ziel& ziel);
    template <class Ziel>
    int zeilenLesen(Cursor& c, Ziel& ziel, int maxZeilen);
    template <class Ziel>
    int bereichLesen(Cursor& c, std::int64_t von, int anzahl, Ziel& ziel);
    void positionenZaehlen(Cursor& c);
    static void blockVorbereiten(const Cursor& c, ZeilenBlock& block, int zeilen);
    void textDekodieren(const unsigned char* p, std::size_t n, QString& ziel) const;
    // Decodes into ziel, which has room for n characters; returns the count.
    std::size_t textDekodieren(const unsigned char* p, std::size_t n, char16_t* ziel) const;
    void langwertLesen(const unsigned char* kopf, std::size_t n, QByteArray& ziel);
    // Row pgRow (page << 8 | row) of a long-value page, from a small cache of
    // pages: memo values of one table lie on few pages, read again and again.
    std::pair<const unsigned char*, std::size_t> langwertZeile(std::uint32_t pgRow, const char* wofuer);
    void pruefeOffen() const;
    void kopfPruefen(const QByteArray& kopf, qint64 groesse, const QString& datei);
    void katalogseitePruefen();
    void katalogLesen();

    MdbHandle* mdb_ = nullptr;
    QString datei_;
    std::uint32_t seitenAnzahl_ = 0;
    int fd_ = -1;  // data pages are read here directly: libmdb seeks and stats for every page
    int seitenGroesse_ = 0;
    bool jet3_ = false;
    std::array<char16_t, 256> codepage_{};
    std::map<CursorNummer, Cursor> cursor_;
    // The objects of MSysObjects in its row order; libmdb's table reading
    // keeps a pointer to its entry, so each lives on the heap.
    std::vector<std::unique_ptr<MdbCatalogEntry>> katalog_;
    CursorNummer naechsteNummer_ = 1;
    bool kodiert_ = false;  // pages are RC4-encoded ("Datenbank verschlüsseln" of Access 97/2000)
    QByteArray langwertPuffer_;
    struct LangwertSeite {
        std::uint32_t nummer = 0;
        std::uint64_t benutzt = 0;
        std::vector<unsigned char> daten;
    };
    std::array<LangwertSeite, 8> langwertSeiten_;
    std::uint64_t langwertZugriffe_ = 0;
    std::vector<char16_t> textPuffer_;
    std::function<void()> fortschritt_;  // called for every page read
};

void MdbLeser::pruefeOffen() const
{
    if (!mdb_)
        throw DatenzugriffsFehler(FehlerObjektGeschlossen, QStringLiteral("Die Datenbank ist nicht geöffnet."));
}

void MdbLeser::oeffnen(const QString& datei)
{
    schliessen();
    const QFileInfo info(datei);
    if (!info.exists())
        throw DatenzugriffsFehler(FehlerDateiFehlt, QStringLiteral("Die Datei %1 wurde nicht gefunden.").arg(dateiText(datei)));
    if (info.isDir())
        throw DatenzugriffsFehler(FehlerKeineDatenbank,
            QStringLiteral("%1 ist ein Verzeichnis und keine Access-Datenbank.").arg(dateiText(datei)));
    if (!info.isReadable())
        throw DatenzugriffsFehler(FehlerDateiNichtLesbar,
            QStringLiteral("Die Datei %1 kann nicht gelesen werden (keine Berechtigung).").arg(dateiText(datei)));

    // Look at the header before libmdb does: it prints to stderr and guesses
    // on files that are not databases at all.
    QFile f(datei);
    if (!f.open(QIODevice::ReadOnly))
        throw DatenzugriffsFehler(FehlerDateiNichtLesbar,
            QStringLiteral("Die Datei %1 kann nicht geöffnet werden: %2").arg(dateiText(datei), systemfehlerDeutsch(f.errorString())));
    const QByteArray kopf = f.read(0x80);
    const qint64 groesse = f.size();
    f.close();
    kopfPruefen(kopf, groesse, datei);

    const QByteArray pfad = QFile::encodeName(datei);
    mdb_ = mdb_open(pfad.constData(), MDB_NOFLAGS);
    if (!mdb_)
        beschaedigt(datei, QStringLiteral("der Dateikopf ist nicht lesbar"));
    datei_ = datei;
    seitenGroesse_ = int(mdb_->fmt->pg_size);
    seitenAnzahl_ = std::uint32_t(groesse / seitenGroesse_);
    fd_ = ::open(pfad.constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        schliessen();
        throw DatenzugriffsFehler(FehlerDateiNichtLesbar,
            QStringLiteral("Die Datei %1 kann nicht geöffnet werden: %2").arg(dateiText(datei), systemfehlerText(errno)));
    }
    jet3_ = IS_JET3(mdb_);
    kodiert_ = mdb_->f->db_key != 0;
    for (auto& l : langwertSeiten_)
        l.nummer = 0;
    // libmdb's bind size stays at its default (16 384 bytes): while it reads
    // the catalogue it copies each object's property block, one long-value
    // row of up to a page, into a buffer of that size.

    for (int i = 0; i < 128; ++i)
        codepage_[std::size_t(i)] = char16_t(i);
    for (int i = 128; i < 256; ++i)
        codepage_[std::size_t(i)] = i < 160 ? cp1252Mitte[std::size_t(i - 128)] : char16_t(i);
    if (jet3_ && mdb_->f->code_page != 1252 && mdb_->f->code_page != 0) {
        QStringDecoder dec(QStringLiteral("windows-%1").arg(mdb_->f->code_page).toLatin1().constData());
        if (dec.isValid()) {
            for (int i = 128; i < 256; ++i) {
                const char c = char(i);
                const QString s = dec.decode(QByteArrayView(&c, 1));
                codepage_[std::size_t(i)] = s.size() == 1 ? s[0].unicode() : u'?';
                dec.resetState();
            }
        }
    }

    katalogseitePruefen();
    try {
        katalogLesen();
    } catch (...) {
        schliessen();
        throw;
    }
}

// The file's first bytes, before libmdb sees them: it prints to stderr and
// guesses on files that are not databases at all.
void MdbLeser::kopfPruefen(const QByteArray& kopf, qint64 groesse, const QString& datei)
{
    if (kopf.size() < 0x20 || kopf[0] != 0 || (kopf.mid(4, 15) != "Standard Jet DB" && kopf.mid(4, 15) != "Standard ACE DB"))
        throw DatenzugriffsFehler(FehlerKeineDatenbank,
            QStringLiteral("Die Datei %1 ist keine Access-Datenbank.").arg(dateiText(datei)));
    const int jetVersion = static_cast<unsigned char>(kopf[0x14]);
    if (jetVersion > MDB_VER_ACCDB_2019)
        throw DatenzugriffsFehler(FehlerKeineDatenbank,
            QStringLiteral("Die Datei %1 hat ein unbekanntes Access-Format (Version %2).").arg(dateiText(datei)).arg(jetVersion));
    const int seitenGroesse = jetVersion == MDB_VER_JET3 ? 2048 : 4096;
    if (groesse < 3 * seitenGroesse)
        beschaedigt(datei, QStringLiteral("die Datei ist zu kurz"));
}

// Page 2 holds the definition of the catalogue table in every Jet file. In
// an Access 2007+ file encrypted with a password every page but the first is
// scrambled, so that page tells an encrypted file from a damaged one.
void MdbLeser::katalogseitePruefen()
{
    std::vector<unsigned char> seite(static_cast<std::size_t>(seitenGroesse_));
    seiteLesen(2, seite.data());
    if (seite[0] == MDB_PAGE_TABLE && seite[1] == 0x01)
        return;
    const bool neuesFormat = mdb_->f->jet_version >= MDB_VER_ACCDB_2007;
    const QString datei = datei_;
    schliessen();
    if (neuesFormat)
        throw DatenzugriffsFehler(FehlerVerschluesselt,
            QStringLiteral("Die Datei %1 ist verschlüsselt (Access 2007 oder neuer, mit Kennwort) und kann nicht gelesen werden.")
                .arg(dateiText(datei)));
    beschaedigt(datei, QStringLiteral("der Katalog der Datenbank ist nicht lesbar"));
}

void MdbLeser::schliessen()
{
    for (auto& [nummer, c] : cursor_)
        if (c.tabelle)
            mdb_free_tabledef(c.tabelle);
    cursor_.clear();
    katalog_.clear();
    if (mdb_) {
        mdb_close(mdb_);
        mdb_ = nullptr;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::vector<KatalogEintrag> MdbLeser::katalog()
{
    pruefeOffen();
    std::vector<KatalogEintrag> ergebnis;
    for (const auto& e : katalog_) {
        const QString name = QString::fromUtf8(e->object_name);
        switch (e->object_type) {
        case MDB_TABLE: {
            const bool system = name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive)
                || (std::uint32_t(e->flags) & 0x80000002u) != 0;
            ergebnis.push_back({system ? QStringLiteral("SYSTEM TABLE") : QStringLiteral("TABLE"), name});
            break;
        }
        case MDB_QUERY:
            ergebnis.push_back({QStringLiteral("VIEW"), name});
            break;
        case MDB_LINKED_TABLE:
        case 4:  // ODBC-linked table
            ergebnis.push_back({QStringLiteral("LINK"), name});
            break;
        default:
            break;
        }
    }
    return ergebnis;
}

MdbCatalogEntry* MdbLeser::tabellenEintrag(const QString& tabelle)
{
    pruefeOffen();
    // Jet compares object names without regard to case.
    for (const auto& e : katalog_) {
        if (e->object_type == MDB_TABLE && QString::fromUtf8(e->object_name).compare(tabelle, Qt::CaseInsensitive) == 0)
            return e.get();
    }
    throw DatenzugriffsFehler(FehlerTabelleUnbekannt,
        QStringLiteral("Die Tabelle „%1“ gibt es in der Datenbank %2 nicht.").arg(tabelle, dateiText(datei_)));
}

MdbTableDef* MdbLeser::tabelleLesen(const QString& tabelle)
{
    MdbCatalogEntry* e = tabellenEintrag(tabelle);
    if (e->table_pg == 0 || e->table_pg >= seitenAnzahl_)
        beschaedigt(datei_, QStringLiteral("die Tabelle „%1“ liegt außerhalb der Datei").arg(tabelle));
    MdbTableDef* t = mdb_read_table(e);
    if (!t)
        beschaedigt(datei_, QStringLiteral("die Definition der Tabelle „%1“ ist nicht lesbar").arg(tabelle));
    if (!mdb_read_columns(t) || t->num_cols == 0 || t->num_cols > MDB_MAX_COLS) {
        mdb_free_tabledef(t);
        beschaedigt(datei_, QStringLiteral("die Spalten der Tabelle „%1“ sind nicht lesbar").arg(tabelle));
    }
    return t;
}

std::vector<SpaltenInfo> MdbLeser::spalten(const QString& tabelle)
{
    MdbTableDef* t = tabelleLesen(tabelle);
    std::vector<SpaltenInfo> ergebnis;
    for (guint i = 0; i < t->num_cols; ++i) {
        const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
        SpaltenInfo s;
        s.name = QString::fromUtf8(col->name);
        s.jetTyp = JetTyp(col->col_type);
        s.groesse = col->col_size;
        s.festeLaenge = col->is_fixed;
        s.autowert = col->is_long_auto || col->is_uuid_auto;
        // libmdb's names are the wrong way round: col_scale holds the
        // precision (byte 11 of the column), col_prec the scale (byte 12).
        s.praezision = col->col_scale;
        s.skala = col->col_prec;
        ergebnis.push_back(std::move(s));
    }
    mdb_free_tabledef(t);
    return ergebnis;
}

std::int64_t MdbLeser::gespeicherteZeilenanzahl(const QString& tabelle)
{
    MdbTableDef* t = tabelleLesen(tabelle);
    const std::int64_t n = t->num_rows;
    mdb_free_tabledef(t);
    return n;
}

CursorNummer MdbLeser::cursorOeffnen(const QString& tabelle, const std::vector<int>& auswahl)
{
    MdbTableDef* t = tabelleLesen(tabelle);
    Cursor c;
    c.tabelle = t;
    c.alle = spaltenAus(t);
    for (int a : auswahl) {
        if (a < 0 || a >= int(c.alle.size())) {
            mdb_free_tabledef(t);
            throw DatenzugriffsFehler(FehlerFeldUnbekannt, QStringLiteral("Spalte %1 gibt es nicht.").arg(a));
        }
    }
    c.auswahl = auswahl;
    c.seite.resize(std::size_t(seitenGroesse_));
    const CursorNummer nummer = naechsteNummer_++;
    cursor_.emplace(nummer, std::move(c));
    return nummer;
}

Cursor& MdbLeser::cursorHolen(CursorNummer nummer)
{
    pruefeOffen();
    auto it = cursor_.find(nummer);
    if (it == cursor_.end())
        throw DatenzugriffsFehler(FehlerObjektGeschlossen, QStringLiteral("Die Datensatzgruppe ist geschlossen."));
    return it->second;
}

void MdbLeser::cursorSchliessen(CursorNummer nummer)
{
    auto it = cursor_.find(nummer);
    if (it == cursor_.end())
        return;
    if (it->second.tabelle)
        mdb_free_tabledef(it->second.tabelle);
    cursor_.erase(it);
}

bool MdbLeser::seiteLesen(std::uint32_t seite, unsigned char* ziel)
{
    if (seite == 0 || seite >= seitenAnzahl_)
        return false;
    if (fortschritt_)
        fortschritt_();
    const Plattenzugriff zugriff;
    if (kodiert_) {
        // libmdb undoes the encoding as it reads.
        if (mdb_read_alt_pg(mdb_, int(seite)) != seitenGroesse_)
            throw DatenzugriffsFehler(FehlerLesefehler,
                QStringLiteral("Die Seite %1 der Datei %2 kann nicht gelesen werden.").arg(seite).arg(dateiText(datei_)));
        std::memcpy(ziel, mdb_->alt_pg_buf, std::size_t(seitenGroesse_));
        return true;
    }
    const off_t ab = off_t(seite) * seitenGroesse_;
    std::size_t gelesen = 0;
    while (gelesen < std::size_t(seitenGroesse_)) {
        const ssize_t n = ::pread(fd_, ziel + gelesen, std::size_t(seitenGroesse_) - gelesen, ab + off_t(gelesen));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw DatenzugriffsFehler(FehlerLesefehler,
                QStringLiteral("Die Seite %1 der Datei %2 kann nicht gelesen werden.").arg(seite).arg(dateiText(datei_)));
        gelesen += std::size_t(n);
    }
    return true;
}

// The next page after `nach` in the table's usage map; 0 at its end, -1 for
// a kind of map we do not know. The bitmap page of a long map is kept, so a
// table is read with one page read per data page.
std::int64_t MdbLeser::naechsteAusKarte(Cursor& c, std::uint32_t nach)
{
    const auto* karte = static_cast<const unsigned char*>(c.tabelle->usage_map);
    const std::size_t groesse = c.tabelle->map_sz;
    if (!karte || groesse < 1)
        return 0;
    if (karte[0] == 0) {
        if (groesse < 5)
            return 0;
        const std::uint64_t start = le32(karte + 1);
        const std::uint64_t bits = std::uint64_t(groesse - 5) * 8;
        for (std::uint64_t i = nach >= start ? nach - start + 1 : 0; i < bits; ++i)
            if (karte[5 + i / 8] & (1u << (i % 8)))
                return std::int64_t(start + i);
        return 0;
    }
    if (karte[0] == 1) {
        const std::uint64_t bits = std::uint64_t(seitenGroesse_ - 4) * 8;
        const std::size_t eintraege = (groesse - 1) / 4;
        const std::uint64_t ab = std::uint64_t(nach) + 1;
        std::uint64_t versatz = ab % bits;
        for (std::size_t e = std::size_t(ab / bits); e < eintraege; ++e, versatz = 0) {
            const std::uint32_t seite = le32(karte + 1 + 4 * e);
            if (seite == 0)
                continue;
            if (c.kartenSeite != seite) {
                c.karte.resize(std::size_t(seitenGroesse_));
                if (!seiteLesen(seite, c.karte.data()))
                    beschaedigt(datei_, QStringLiteral("die Seitenliste der Tabelle „%1“ zeigt hinter das Dateiende")
                                            .arg(QString::fromUtf8(c.tabelle->name)));
                c.kartenSeite = seite;
            }
            for (std::uint64_t i = versatz; i < bits; ++i)
                if (c.karte[std::size_t(4 + i / 8)] & (1u << (i % 8)))
                    return std::int64_t(e * bits + i);
        }
        return 0;
    }
    return -1;
}

// Moves the cursor to the next page of its table. The usage map gives the
// pages in ascending order; anything else means a damaged map.
bool MdbLeser::naechsteDatenseite(Cursor& c)
{
    MdbTableDef* t = c.tabelle;
    const std::uint32_t tdef = std::uint32_t(t->entry->table_pg);
    while (true) {
        std::uint32_t naechste = 0;
        if (!c.mapUnbekannt) {
            const std::int64_t n = naechsteAusKarte(c, c.seitenNr);
            if (n < 0) {
                c.mapUnbekannt = true;
                naechste = c.seitenNr + 1;
            } else if (n == 0) {
                return false;
            } else {
                if (std::uint32_t(n) <= c.seitenNr)
                    beschaedigt(datei_, QStringLiteral("die Seitenliste der Tabelle „%1“ läuft im Kreis").arg(QString::fromUtf8(t->name)));
                naechste = std::uint32_t(n);
            }
        } else {
            naechste = c.seitenNr + 1;
        }
        if (naechste >= seitenAnzahl_) {
            if (c.mapUnbekannt)
                return false;
            beschaedigt(datei_, QStringLiteral("die Tabelle „%1“ verweist auf Seite %2 hinter dem Dateiende")
                                    .arg(QString::fromUtf8(t->name)).arg(naechste));
        }
        c.seitenNr = naechste;
        seiteLesen(naechste, c.seite.data());
        if (c.seite[0] == MDB_PAGE_DATA && le32(&c.seite[4]) == tdef) {
            const int rco = mdb_->fmt->row_count_offset;
            c.zeilenAufSeite = le16(&c.seite[std::size_t(rco)]);
            const int platz = (seitenGroesse_ - rco - 2) / 2;
            if (c.zeilenAufSeite > platz)
                beschaedigt(datei_, QStringLiteral("Seite %1 nennt %2 Zeilen").arg(naechste).arg(c.zeilenAufSeite));
            c.zeileAufSeite = 0;
            return true;
        }
        // A page in the map that is not ours: libmdb skips such pages too.
    }
}

std::size_t MdbLeser::textDekodieren(const unsigned char* p, std::size_t n, char16_t* d) const
{
    if (jet3_) {
        for (std::size_t i = 0; i < n; ++i)
            d[i] = codepage_[p[i]];
        return n;
    }
    if (n >= 2 && p[0] == 0xff && p[1] == 0xfe) {
        // Jet 4 compression: single bytes stand for U+0000..U+00FF, a zero
        // byte toggles between single bytes and UCS-2 pairs.
        std::size_t k = 0;
        bool komprimiert = true;
        for (std::size_t i = 2; i < n;) {
            if (p[i] == 0) {
                komprimiert = !komprimiert;
                ++i;
            } else if (komprimiert) {
                d[k++] = char16_t(p[i]);
                ++i;
            } else if (i + 1 < n) {
                d[k++] = char16_t(p[i] | (p[i + 1] << 8));
                i += 2;
            } else {
                break;
            }
        }
        return k;
    }
    const std::size_t zeichen = n / 2;
    if (zeichen)  // no room is given for an empty text
        std::memcpy(d, p, zeichen * 2);
    return zeichen;
}

void MdbLeser::textDekodieren(const unsigned char* p, std::size_t n, QString& ziel) const
{
    // Room for the longest decoding (one character per byte), then the real length.
    const std::size_t platz = jet3_ || (n >= 2 && p[0] == 0xff && p[1] == 0xfe) ? n : n / 2;
    ziel.resize(qsizetype(platz));
    const std::size_t k = textDekodieren(p, n, reinterpret_cast<char16_t*>(ziel.data()));
    if (k != platz)
        ziel.resize(qsizetype(k));
}

class MdbLeser::InWerte {
public:
    InWerte(MdbLeser& leser, Wert* ziel) : l_(leser), w_(ziel) {}
    void null(std::size_t k) { w_[k].art = WertArt::Null; }
    void janein(std::size_t k, bool v) { w_[k].art = WertArt::JaNein; w_[k].janein = v; }
    void ganzzahl(std::size_t k, std::int64_t v) { w_[k].art = WertArt::Ganzzahl; w_[k].ganzzahl = v; }
    void waehrung(std::size_t k, std::int64_t v) { w_[k].art = WertArt::Currency; w_[k].waehrung = v; }
    void single(std::size_t k, float v) { w_[k].art = WertArt::Single; w_[k].single = v; }
    void dbl(std::size_t k, WertArt art, double v) { w_[k].art = art; w_[k].dbl = v; }
    void guid(std::size_t k, const unsigned char* p) { w_[k].art = WertArt::Guid; std::memcpy(w_[k].guid.data(), p, 16); }
    void decimal(std::size_t k, const DecimalWert& d) { w_[k].art = WertArt::Decimal; w_[k].decimal = d; }
    void text(std::size_t k, const unsigned char* p, std::size_t n)
    {
        w_[k].art = WertArt::Text;
        l_.textDekodieren(p, n, w_[k].text);
    }
    void langwert(std::size_t k, const unsigned char* kopf, std::size_t n)
    {
        w_[k].art = WertArt::Binaer;
        l_.langwertLesen(kopf, n, w_[k].binaer);
    }
    void binaer(std::size_t k, const char* p, std::size_t n)
    {
        w_[k].art = WertArt::Binaer;
        w_[k].binaer = QByteArray(p, qsizetype(n));
    }
    void weiter(std::size_t breite) { w_ += breite; }

private:
    MdbLeser& l_;
    Wert* w_;
};

class MdbLeser::InNachricht {
public:
    InNachricht(MdbLeser& leser, Protokoll::Schreiber& s) : l_(leser), s_(s) {}
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
    void text(std::size_t, const unsigned char* p, std::size_t n)
    {
        art(WertArt::Text);
        if (l_.textPuffer_.size() < n)
            l_.textPuffer_.resize(n);
        const std::size_t k = l_.textDekodieren(p, n, l_.textPuffer_.data());
        s_.text(l_.textPuffer_.data(), k);
    }
    void langwert(std::size_t, const unsigned char* kopf, std::size_t n)
    {
        l_.langwertLesen(kopf, n, l_.langwertPuffer_);
        binaer(0, l_.langwertPuffer_.constData(), std::size_t(l_.langwertPuffer_.size()));
    }
    void binaer(std::size_t, const char* p, std::size_t n)
    {
        art(WertArt::Binaer);
        s_.bytes(p, n);
    }
    void weiter(std::size_t) {}

private:
    void art(WertArt a) { s_.u8(std::uint8_t(a)); }
    MdbLeser& l_;
    Protokoll::Schreiber& s_;
};

// Reads a memo or OLE value from its 12-byte head in the row.
void MdbLeser::langwertLesen(const unsigned char* kopf, std::size_t n, QByteArray& ziel)
{
    ziel.resize(0);  // keeps the capacity for the next value
    if (n < MDB_MEMO_OVERHEAD)
        return;
    const std::uint32_t laengeFlags = le32(kopf);
    const std::uint32_t laenge = laengeFlags & LangwertLaengeMaske;
    if (laengeFlags & LangwertInline) {
        const std::size_t inhalt = n - MDB_MEMO_OVERHEAD;
        ziel.append(reinterpret_cast<const char*>(kopf + MDB_MEMO_OVERHEAD), qsizetype(inhalt));
        return;
    }
    if (laenge > std::uint64_t(seitenAnzahl_) * std::uint64_t(seitenGroesse_))
        beschaedigt(datei_, QStringLiteral("ein Memo- oder OLE-Wert ist länger als die Datei"));
    std::uint32_t pgRow = le32(kopf + 4);
    if (laengeFlags & LangwertEineSeite) {
        const auto [zeile, len] = langwertZeile(pgRow, "ein Memo- oder OLE-Wert verweist auf eine ungültige Seite");
        if (len < laenge)
            beschaedigt(datei_, QStringLiteral("ein Memo- oder OLE-Wert ist unvollständig"));
        ziel.append(reinterpret_cast<const char*>(zeile), qsizetype(laenge));
        return;
    }
    if ((laengeFlags & 0xc0000000u) != 0)
        beschaedigt(datei_, QStringLiteral("ein Memo- oder OLE-Wert hat eine unbekannte Art"));
    // Chain of long-value rows: 4 bytes pointer to the next piece, then data.
    ziel.reserve(qsizetype(laenge));
    std::uint32_t schritte = 0;
    while (std::uint32_t(ziel.size()) < laenge) {
        if (pgRow == 0 || ++schritte > seitenAnzahl_ * 2u)
            beschaedigt(datei_, QStringLiteral("die Kette eines Memo- oder OLE-Werts bricht ab"));
        const auto [zeile, len] = langwertZeile(pgRow, "die Kette eines Memo- oder OLE-Werts verweist auf eine ungültige Seite");
        if (len < 4)
            beschaedigt(datei_, QStringLiteral("die Kette eines Memo- oder OLE-Werts verweist auf eine ungültige Seite"));
        if (fortschritt_)
            fortschritt_();
        const std::size_t stueck = std::min<std::size_t>(len - 4, laenge - std::uint32_t(ziel.size()));
        ziel.append(reinterpret_cast<const char*>(zeile + 4), qsizetype(stueck));
        pgRow = le32(zeile);
    }
}

std::pair<const unsigned char*, std::size_t> MdbLeser::langwertZeile(std::uint32_t pgRow, const char* wofuer)
{
    const std::uint32_t nummer = pgRow >> 8;
    const int zeile = int(pgRow & 0xff);
    if (nummer == 0 || nummer >= seitenAnzahl_)
        beschaedigt(datei_, QString::fromUtf8(wofuer));
    LangwertSeite* platz = &langwertSeiten_[0];
    for (auto& l : langwertSeiten_) {
        if (l.nummer == nummer) {
            platz = &l;
            break;
        }
        if (l.benutzt < platz->benutzt)
            platz = &l;
    }
    if (platz->nummer != nummer) {
        platz->daten.resize(std::size_t(seitenGroesse_));
        platz->nummer = 0;
        seiteLesen(nummer, platz->daten.data());
        platz->nummer = nummer;
    }
    platz->benutzt = ++langwertZugriffe_;
    const unsigned char* seite = platz->daten.data();
    const int rco = mdb_->fmt->row_count_offset;
    if (seite[0] != MDB_PAGE_DATA || zeile >= le16(seite + rco))
        beschaedigt(datei_, QString::fromUtf8(wofuer));
    // The flags of a long-value row carry no meaning for its data, and an
    // empty piece of a value is no damage: only the bounds count here.
    const Zeilenplatz z = zeilenplatz(seite, zeile);
    if (z.start < rco + 2 || z.start > z.ende || z.ende > seitenGroesse_)
        beschaedigt(datei_, QString::fromUtf8(wofuer));
    return {seite + z.start, std::size_t(z.ende - z.start)};
}

// The slot of row `zeile` on a data page: where its bytes lie and how it is
// flagged. The one check of a slot, for reading rows and for counting them.
MdbLeser::Zeilenplatz MdbLeser::zeilenplatz(const unsigned char* seite, int zeile) const
{
    const int rco = mdb_->fmt->row_count_offset;
    const std::uint16_t eintrag = le16(seite + rco + 2 + zeile * 2);
    Zeilenplatz p;
    p.start = eintrag & OffsetMaske;
    p.ende = zeile == 0 ? seitenGroesse_ : (le16(seite + rco + zeile * 2) & OffsetMaske);
    p.geloescht = (eintrag & ZeileGeloescht) != 0;
    p.verweis = (eintrag & ZeileVerweis) != 0;
    p.belegt = p.start < p.ende && p.ende <= seitenGroesse_ && p.start >= rco + 2;
    return p;
}

// Cracks row `zeile` of data page `seitenNr` and decodes the cursor's
// columns into ziel. Returns false for rows that are not there (deleted or
// empty slots).
template <class Ziel>
bool MdbLeser::zeileDekodieren(Cursor& c, const unsigned char* seite, std::uint32_t seitenNr, int zeile, Ziel& ziel, int tiefe)
{
    const Zeilenplatz platz = zeilenplatz(seite, zeile);
    // A moved row's data is flagged like a deleted row, so that a scan of its
    // page passes over it; reached through its pointer it is the live row.
    if ((platz.geloescht && tiefe == 0) || !platz.belegt)
        return false;
    const int start = platz.start;
    const int ende = platz.ende;
    if (platz.verweis) {
        // The row was moved: the slot holds the page and row of its data.
        const int rco = mdb_->fmt->row_count_offset;
        if (ende - start < 4 || tiefe > 0)
            beschaedigt(datei_, QStringLiteral("ein Zeilenverweis auf Seite %1 ist ungültig").arg(seitenNr));
        const std::uint32_t ziel32 = le32(seite + start);
        std::vector<unsigned char> andere(static_cast<std::size_t>(seitenGroesse_));
        if (!seiteLesen(ziel32 >> 8, andere.data()) || andere[0] != MDB_PAGE_DATA
            || int(ziel32 & 0xff) >= le16(&andere[std::size_t(rco)]))
            beschaedigt(datei_, QStringLiteral("ein Zeilenverweis auf Seite %1 zeigt ins Leere").arg(seitenNr));
        return zeileDekodieren(c, andere.data(), ziel32 >> 8, int(ziel32 & 0xff), ziel, tiefe + 1);
    }

    const Zeilenkopf kopf = zeilenkopfLesen(c, seite + start, ende - start, seitenNr);
    for (std::size_t k = 0; k < c.auswahl.size(); ++k)
        feldDekodieren(c.alle[std::size_t(c.auswahl[k])], k, kopf, seitenNr, ziel);
    return true;
}

// The parts of a row that say where its fields are: column count, null
// mask and the table of variable offsets.
MdbLeser::Zeilenkopf MdbLeser::zeilenkopfLesen(const Cursor& c, const unsigned char* z, int laenge, std::uint32_t seitenNr) const
{
    Zeilenkopf kopf;
    const int zaehlerGroesse = jet3_ ? 1 : 2;
    if (laenge < zaehlerGroesse + 1)
        beschaedigt(datei_, QStringLiteral("eine Zeile auf Seite %1 ist zu kurz").arg(seitenNr));
    const int spaltenInZeile = jet3_ ? z[0] : le16(z);
    const int maskenGroesse = (spaltenInZeile + 7) / 8;
    const int letztes = laenge - 1;  // index of the row's last byte
    if (maskenGroesse + zaehlerGroesse >= laenge)
        beschaedigt(datei_, QStringLiteral("eine Zeile auf Seite %1 ist zu kurz für ihre Spalten").arg(seitenNr));
    const unsigned char* nullMaske = z + laenge - maskenGroesse;

    auto& varOffsets = kopf.varOffsets;
    int varSpalten = 0;
    if (c.tabelle->num_var_cols > 0) {
        if (jet3_) {
            varSpalten = z[letztes - maskenGroesse];
            int spruenge = (laenge - 1) / 256;
            // The offsets start behind all jump bytes, a dummy last one too.
            const int tabelle = letztes - maskenGroesse - spruenge - 1;
            if (spruenge > 0 && (tabelle - varSpalten) / 256 < spruenge)
                --spruenge;
            if (tabelle - varSpalten < 0 || varSpalten > MDB_MAX_COLS)
                beschaedigt(datei_, QStringLiteral("die Spaltentabelle einer Zeile auf Seite %1 ist ungültig").arg(seitenNr));
            int benutzt = 0;
            for (int i = 0; i <= varSpalten; ++i) {
                while (benutzt < spruenge && i == z[letztes - maskenGroesse - benutzt - 1])
                    ++benutzt;
                varOffsets[std::size_t(i)] = z[tabelle - i] + benutzt * 256;
            }
        } else {
            if (letztes - maskenGroesse - 1 < 2)
                beschaedigt(datei_, QStringLiteral("eine Zeile auf Seite %1 ist zu kurz").arg(seitenNr));
            varSpalten = le16(z + letztes - maskenGroesse - 1);
            if (varSpalten > MDB_MAX_COLS || maskenGroesse + 3 + varSpalten * 2 + 2 > laenge)
                beschaedigt(datei_, QStringLiteral("die Spaltentabelle einer Zeile auf Seite %1 ist ungültig").arg(seitenNr));
            for (int i = 0; i <= varSpalten; ++i)
                varOffsets[std::size_t(i)] = le16(z + letztes - maskenGroesse - 3 - i * 2);
        }
    }
    const int festInZeile = spaltenInZeile - varSpalten;

    kopf.z = z;
    kopf.laenge = laenge;
    kopf.zaehlerGroesse = zaehlerGroesse;
    kopf.maskenGroesse = maskenGroesse;
    kopf.nullMaske = nullMaske;
    kopf.varSpalten = varSpalten;
    kopf.festInZeile = festInZeile;
    return kopf;
}

// One field of a cracked row into slot k of ziel.
template <class Ziel>
void MdbLeser::feldDekodieren(const Spalte& s, std::size_t k, const Zeilenkopf& kopf, std::uint32_t seitenNr, Ziel& ziel)
{
    const int bit = s.spaltenNr;
    const bool gesetzt = bit / 8 < kopf.maskenGroesse && (kopf.nullMaske[bit / 8] & (1 << (bit % 8)));
    if (s.typ == JetTyp::JaNein) {
        ziel.janein(k, gesetzt);
        return;
    }
    int von = 0, bis = 0;
    bool da = false;
    if (s.fest) {
        // A row written before a fixed column was added ends before it.
        if (s.festNr < kopf.festInZeile) {
            von = s.festOffset + kopf.zaehlerGroesse;
            bis = von + s.groesse;
            da = true;
        }
    } else if (s.varNr < kopf.varSpalten) {
        von = kopf.varOffsets[std::size_t(s.varNr)];
        bis = kopf.varOffsets[std::size_t(s.varNr) + 1];
        da = true;
    }
    if (!gesetzt || !da) {
        ziel.null(k);
        return;
    }
    if (von < 0 || bis < von || bis > kopf.laenge)
        beschaedigt(datei_, QStringLiteral("ein Feld einer Zeile auf Seite %1 liegt außerhalb der Zeile").arg(seitenNr));
    const unsigned char* p = kopf.z + von;
    const int n = bis - von;
    auto braucht = [&](int bytes) {
        if (n < bytes)
            beschaedigt(datei_, QStringLiteral("ein Feld einer Zeile auf Seite %1 ist zu kurz").arg(seitenNr));
    };
    switch (s.typ) {
    case JetTyp::Byte: braucht(1); ziel.ganzzahl(k, p[0]); break;
    case JetTyp::Integer: braucht(2); ziel.ganzzahl(k, std::int16_t(le16(p))); break;
    case JetTyp::Long: braucht(4); ziel.ganzzahl(k, std::int32_t(le32(p))); break;
    case JetTyp::Currency: braucht(8); ziel.waehrung(k, std::int64_t(le64(p))); break;
    case JetTyp::Single: {
        braucht(4);
        const std::uint32_t bits = le32(p);
        float f;
        std::memcpy(&f, &bits, 4);
        ziel.single(k, f);
        break;
    }
    case JetTyp::Double:
    case JetTyp::Datum: {
        braucht(8);
        const std::uint64_t bits = le64(p);
        double d;
        std::memcpy(&d, &bits, 8);
        ziel.dbl(k, s.typ == JetTyp::Double ? WertArt::Double : WertArt::Datum, d);
        break;
    }
    case JetTyp::Guid:
        braucht(16);
        ziel.guid(k, p);
        break;
    case JetTyp::Decimal: {
        braucht(17);
        DecimalWert d;
        d.negativ = (p[0] & 0x80) != 0;
        d.skala = std::uint8_t(std::clamp(s.skala, 0, 28));
        // Four 32-bit words, most significant first; the top word is
        // always zero within Jet's 28 digits.
        d.teile[0] = le32(p + 13);
        d.teile[1] = le32(p + 9);
        d.teile[2] = le32(p + 5);
        ziel.decimal(k, d);
        break;
    }
    case JetTyp::Text:
        ziel.text(k, p, std::size_t(n));
        break;
    case JetTyp::Memo:
        langwertLesen(p, std::size_t(n), langwertPuffer_);
        ziel.text(k, reinterpret_cast<const unsigned char*>(langwertPuffer_.constData()), std::size_t(langwertPuffer_.size()));
        break;
    case JetTyp::Ole:
        ziel.langwert(k, p, std::size_t(n));
        break;
    case JetTyp::Binaer:
        ziel.binaer(k, reinterpret_cast<const char*>(p), std::size_t(n));
        break;
    default:
        // Types this program cannot show (attachments, complex columns).
        ziel.binaer(k, nullptr, 0);
        break;
    }
}

// The next rows of the cursor into ziel; returns how many.
template <class Ziel>
int MdbLeser::zeilenLesen(Cursor& c, Ziel& ziel, int maxZeilen)
{
    const std::size_t breite = c.auswahl.size();
    int zeilen = 0;
    while (zeilen < maxZeilen && !c.ende) {
        if (c.seitenNr == 0 || c.zeileAufSeite >= c.zeilenAufSeite) {
            if (!naechsteDatenseite(c)) {
                c.ende = true;
                c.positionenKomplett = true;
                break;
            }
            continue;
        }
        const int zeile = c.zeileAufSeite++;
        if (zeileDekodieren(c, c.seite.data(), c.seitenNr, zeile, ziel)) {
            if (!c.positionenKomplett && c.positionen.size() == c.gelieferteZeilen)
                c.positionen.push_back((std::uint64_t(c.seitenNr) << 9) | std::uint64_t(zeile));
            ++c.gelieferteZeilen;
            ++zeilen;
            ziel.weiter(breite);
        }
    }
    return zeilen;
}

// Rows von .. von + anzahl - 1 of the cursor, reached through its row
// positions, into ziel; the running position stays. Rows of one page lie
// side by side in the positions, so each page is read once for a range.
template <class Ziel>
int MdbLeser::bereichLesen(Cursor& c, std::int64_t von, int anzahl, Ziel& ziel)
{
    if (von < 0 || anzahl <= 0)
        return 0;
    // Rows the cursor has read already have their positions.
    if (!c.positionenKomplett && std::uint64_t(von) + std::uint64_t(anzahl) > c.positionen.size())
        positionenZaehlen(c);
    const std::uint64_t bis = std::min<std::uint64_t>(std::uint64_t(von) + std::uint64_t(anzahl), c.positionen.size());
    c.bereichSeite.resize(std::size_t(seitenGroesse_));
    std::uint32_t geladen = 0;
    int zeilen = 0;
    for (std::uint64_t n = std::uint64_t(von); n < bis; ++n) {
        const std::uint64_t pos = c.positionen[std::size_t(n)];
        const std::uint32_t seite = std::uint32_t(pos >> 9);
        if (seite != geladen) {
            if (!seiteLesen(seite, c.bereichSeite.data()))
                beschaedigt(datei_, QStringLiteral("eine Seite der Tabelle fehlt"));
            geladen = seite;
        }
        if (!zeileDekodieren(c, c.bereichSeite.data(), seite, int(pos & 0x1ff), ziel))
            break;
        ++zeilen;
        ziel.weiter(c.auswahl.size());
    }
    return zeilen;
}

// Room for `zeilen` rows of the cursor in block, which is emptied.
void MdbLeser::blockVorbereiten(const Cursor& c, ZeilenBlock& block, int zeilen)
{
    const int breite = int(c.auswahl.size());
    block.spalten = breite;
    block.zeilenAnzahl = 0;
    const std::size_t noetig = std::size_t(std::max(zeilen, 0)) * std::size_t(breite);
    if (block.werte.size() < noetig)
        block.werte.resize(noetig);
}

bool MdbLeser::naechsterBlock(CursorNummer nummer, ZeilenBlock& block, int maxZeilen)
{
    Cursor& c = cursorHolen(nummer);
    blockVorbereiten(c, block, maxZeilen);
    InWerte ziel(*this, block.werte.data());
    block.zeilenAnzahl = zeilenLesen(c, ziel, maxZeilen);
    return block.zeilenAnzahl > 0;
}

int MdbLeser::zeilenBereich(CursorNummer nummer, std::int64_t von, int anzahl, ZeilenBlock& block)
{
    Cursor& c = cursorHolen(nummer);
    blockVorbereiten(c, block, anzahl);
    InWerte ziel(*this, block.werte.data());
    block.zeilenAnzahl = bereichLesen(c, von, anzahl, ziel);
    return block.zeilenAnzahl;
}

bool MdbLeser::zeile(CursorNummer nummer, std::int64_t n, std::vector<Wert>& werte)
{
    Cursor& c = cursorHolen(nummer);
    werte.resize(c.auswahl.size());
    InWerte ziel(*this, werte.data());
    return bereichLesen(c, n, 1, ziel) == 1;
}

// Each row's end in the message, for an answer that takes only part of them.
class MdbLeser::MitEnden : public InNachricht {
public:
    MitEnden(MdbLeser& l, Protokoll::Schreiber& s, std::vector<std::size_t>* e) : InNachricht(l, s), s_(s), e_(e) {}
    void weiter(std::size_t)
    {
        if (e_)
            e_->push_back(s_.nutzlastGroesse());
    }

private:
    Protokoll::Schreiber& s_;
    std::vector<std::size_t>* e_;
};

int MdbLeser::blockKodieren(CursorNummer nummer, Protokoll::Schreiber& nachricht, int maxZeilen,
                            std::vector<std::size_t>& zeilenEnden, int& spalten)
{
    Cursor& c = cursorHolen(nummer);
    spalten = int(c.auswahl.size());
    MitEnden ziel(*this, nachricht, &zeilenEnden);
    return zeilenLesen(c, ziel, maxZeilen);
}

int MdbLeser::bereichKodieren(CursorNummer nummer, std::int64_t von, int anzahl, Protokoll::Schreiber& nachricht, int& spalten)
{
    Cursor& c = cursorHolen(nummer);
    spalten = int(c.auswahl.size());
    MitEnden ziel(*this, nachricht, nullptr);
    return bereichLesen(c, von, anzahl, ziel);
}

void MdbLeser::zuruecksetzen(CursorNummer nummer)
{
    Cursor& c = cursorHolen(nummer);
    c.seitenNr = 0;
    c.zeileAufSeite = 0;
    c.zeilenAufSeite = 0;
    c.ende = false;
    c.mapUnbekannt = false;
    c.gelieferteZeilen = 0;
    if (!c.positionenKomplett)
        c.positionen.clear();
}

// Walks the pages once and notes where every row is, for row n on demand.
void MdbLeser::positionenZaehlen(Cursor& c)
{
    Cursor zaehler;
    zaehler.tabelle = c.tabelle;
    zaehler.seite.resize(c.seite.size());
    std::vector<std::uint64_t> positionen;
    try {
        while (naechsteDatenseite(zaehler)) {
            for (int r = 0; r < zaehler.zeilenAufSeite; ++r) {
                const Zeilenplatz platz = zeilenplatz(zaehler.seite.data(), r);
                if (!platz.geloescht && platz.belegt)
                    positionen.push_back((std::uint64_t(zaehler.seitenNr) << 9) | std::uint64_t(r));
            }
        }
    } catch (...) {
        zaehler.tabelle = nullptr;  // the cursor's table definition, not the counter's
        throw;
    }
    zaehler.tabelle = nullptr;
    c.positionen = std::move(positionen);
    c.positionenKomplett = true;
}

std::int64_t MdbLeser::gezaehlteZeilen(CursorNummer nummer)
{
    Cursor& c = cursorHolen(nummer);
    if (!c.positionenKomplett)
        positionenZaehlen(c);
    return std::int64_t(c.positionen.size());
}

// The catalogue table MSysObjects, read through our own row decoder rather
// than libmdb's mdb_read_catalog: that one also parses every object's
// property block (LvProp), which this program never uses and on which libmdb
// hangs or reads out of bounds when the block is damaged.
void MdbLeser::katalogLesen()
{
    katalog_.clear();
    MdbCatalogEntry msys{};
    msys.mdb = mdb_;
    msys.object_type = MDB_TABLE;
    msys.table_pg = 2;
    std::strcpy(msys.object_name, "MSysObjects");
    Cursor c;
    c.tabelle = mdb_read_table(&msys);
    if (!c.tabelle)
        beschaedigt(datei_, QStringLiteral("der Katalog der Datenbank ist nicht lesbar"));
    struct Freigabe {
        MdbTableDef* t;
        ~Freigabe() { mdb_free_tabledef(t); }
    } freigabe{c.tabelle};
    if (!mdb_read_columns(c.tabelle) || c.tabelle->num_cols == 0 || c.tabelle->num_cols > MDB_MAX_COLS)
        beschaedigt(datei_, QStringLiteral("die Spalten des Katalogs sind nicht lesbar"));
    // Id, Name, Type, Flags, in this order in c.auswahl.
    const std::array<const char*, 4> namen = {"Id", "Name", "Type", "Flags"};
    c.auswahl.assign(4, -1);
    c.alle = spaltenAus(c.tabelle);
    for (std::size_t i = 0; i < c.alle.size(); ++i)
        for (std::size_t k = 0; k < namen.size(); ++k)
            if (g_ascii_strcasecmp(c.alle[i].col->name, namen[k]) == 0)
                c.auswahl[k] = int(i);
    if (std::count(c.auswahl.begin(), c.auswahl.end(), -1) > 0)
        beschaedigt(datei_, QStringLiteral("dem Katalog fehlen Spalten"));
    c.seite.resize(std::size_t(seitenGroesse_));
    ZeilenBlock block;
    block.spalten = 4;
    block.werte.resize(4 * 256);
    while (true) {
        InWerte ziel(*this, block.werte.data());
        const int n = zeilenLesen(c, ziel, 256);
        if (n == 0)
            break;
        for (int r = 0; r < n; ++r) {
            const Wert& id = block.werte[std::size_t(r) * 4];
            const Wert& name = block.werte[std::size_t(r) * 4 + 1];
            const Wert& typ = block.werte[std::size_t(r) * 4 + 2];
            const Wert& flags = block.werte[std::size_t(r) * 4 + 3];
            if (name.art != WertArt::Text || typ.art != WertArt::Ganzzahl)
                continue;
            auto e = std::make_unique<MdbCatalogEntry>();
            e->mdb = mdb_;
            const QByteArray utf8 = name.text.toUtf8().left(MDB_MAX_OBJ_NAME);
            std::memcpy(e->object_name, utf8.constData(), std::size_t(utf8.size()));
            e->object_name[utf8.size()] = 0;
            e->object_type = int(typ.ganzzahl & 0x7f);
            e->table_pg = id.art == WertArt::Ganzzahl ? std::uint32_t(id.ganzzahl) & 0x00ffffffu : 0;
            e->flags = flags.art == WertArt::Ganzzahl ? int(flags.ganzzahl) : 0;
            katalog_.push_back(std::move(e));
        }
    }
}

}  // namespace

std::unique_ptr<Leser> erzeugeMdbLeser() { return std::make_unique<MdbLeser>(std::function<void()>()); }

std::unique_ptr<Leser> erzeugeMdbLeser(std::function<void()> fortschritt) { return std::make_unique<MdbLeser>(std::move(fortschritt)); }

std::unique_ptr<KodierenderLeser> erzeugeKodierendenMdbLeser(std::function<void()> fortschritt)
{
    return std::make_unique<MdbLeser>(std::move(fortschritt));
}

}  // namespace Datenzugriff
