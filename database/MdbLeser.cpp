// The in-process reader over libmdb. libmdb finds the catalogue's table
// definition, the columns of a table and its usage map; the pages are read
// here and the rows cracked and decoded by the Jet decoder, which is many
// times faster than libmdb's text binding and checks every offset against
// the page.

#include "Leser.h"
#include "Fehler.h"
#include "Jetdekoder.h"
#include "LeserProtokoll.h"
#include "Plattenzugriff.h"
#include "Systemfehler.h"
#include "Werttext.h"

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
#include <optional>

namespace Datenzugriff {
namespace {

using Jet::beschaedigt;
using Jet::Cursor;
using Jet::dateiText;

// A table as the decoder needs it, from libmdb's definition.
std::shared_ptr<Jet::Tabelle> tabelleAus(MdbTableDef* t)
{
    auto tabelle = std::make_shared<Jet::Tabelle>();
    tabelle->name = QString::fromUtf8(t->name);
    tabelle->definitionsSeite = std::uint32_t(t->entry->table_pg);
    tabelle->gespeicherteZeilen = t->num_rows;
    tabelle->varSpalten = t->num_var_cols > 0;
    if (t->usage_map && t->map_sz > 0) {
        const auto* karte = static_cast<const unsigned char*>(t->usage_map);
        tabelle->karte.assign(karte, karte + t->map_sz);
    }
    int festGefunden = 0;
    for (guint i = 0; i < t->num_cols; ++i) {
        const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
        const bool fest = col->is_fixed != 0;
        // col_prec holds the scale: libmdb's two names are the wrong way round.
        tabelle->spalten.push_back({JetTyp(col->col_type), fest, col->col_num, int(col->var_col_num), fest ? festGefunden++ : -1,
                                    col->fixed_offset, col->col_size, col->col_prec, nullptr});
    }
    return tabelle;
}

class MdbLeser final : public KodierenderLeser, private Jet::Seitenquelle {
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
    std::int64_t kandidatenfilter(CursorNummer cursor, std::shared_ptr<const Kandidatenfilter> filter) override
    {
        Cursor& c = cursorHolen(cursor);
        c.filter = filter && filter->passt(c.auswahl.size()) ? std::move(filter) : nullptr;
        return c.gelieferteZeilen;
    }
    QString version() const override
    {
        return QStringLiteral("2.8 (ZELK-Feldspur-Leser über libmdb %1)").arg(QString::fromUtf8(mdb_get_version()));
    }

private:
    bool seiteLesen(std::uint32_t seite, unsigned char* ziel) override;
    void lebenszeichen() override
    {
        if (fortschritt_)
            fortschritt_();
    }
    MdbCatalogEntry* tabellenEintrag(const QString& tabelle);
    MdbTableDef* tabelleLesen(const QString& tabelle);
    void definitionPruefen(const QString& tabelle, std::uint32_t seite);
    Cursor& cursorHolen(CursorNummer nummer);
    static void blockVorbereiten(const Cursor& c, ZeilenBlock& block, int zeilen);
    void pruefeOffen() const;
    qint64 dateiPruefen(const QString& datei);
    void kopfPruefen(const QByteArray& kopf, qint64 groesse, const QString& datei);
    Jet::Format format() const;
    void katalogseitePruefen();
    void katalogLesen();
    std::vector<int> katalogSpalten(MdbTableDef* t, int& eigenschaften) const;
    void katalogZeileAufnehmen(const Wert* zeile, std::size_t breite, std::int64_t nummer);
    MdbCatalogEntry* eintragMitId(std::uint32_t id) const;
    // Every row of a table, the named columns (any case) in this order;
    // false when the table lacks one of them.
    bool zeilenDurchlaufen(const QString& tabelle, const std::vector<QString>& spalten,
                           const std::function<void(const Wert*)>& proZeile);
    void komplexeSpaltenFuellen(Cursor& c, MdbTableDef* t);
    void berechneteSpaltenFuellen(Cursor& c, MdbTableDef* t);

    MdbHandle* mdb_ = nullptr;
    QString datei_;
    std::uint32_t seitenAnzahl_ = 0;
    int fd_ = -1;  // data pages are read here directly: libmdb seeks and stats for every page
    int seitenGroesse_ = 0;
    std::optional<Jet::Dekoder> dekoder_;
    std::map<CursorNummer, Cursor> cursor_;
    // The objects of MSysObjects in its row order; libmdb's table reading
    // keeps a pointer to its entry, so each lives on the heap.
    std::vector<std::unique_ptr<MdbCatalogEntry>> katalog_;
    // Per catalogue entry: the type as stored (forms and reports are
    // negative, their low bits alone would read as tables or links) and
    // where a linked table's data lives.
    struct Eintragszusatz {
        std::int64_t typ = 0;
        QString verweis;
    };
    std::vector<Eintragszusatz> zusatz_;
    CursorNummer naechsteNummer_ = 1;
    bool kodiert_ = false;  // pages are RC4-encoded ("Datenbank verschlüsseln" of Access 97/2000)
    bool ace_ = false;      // Access 2007 or newer
    // MSysComplexColumns, read on first need: which hidden table holds the
    // values of which complex column, and of which kind they are.
    struct KomplexSpalte {
        QString spalte;
        std::uint32_t tabelle = 0, typObjekt = 0, flachTabelle = 0;
    };
    std::optional<std::vector<KomplexSpalte>> komplexKatalog_;
    // The property blocks (LvProp) of MSysObjects, read on demand for the
    // result types of calculated columns: a cursor on that column, and each
    // catalogue entry's row in it.
    std::optional<Cursor> eigenschaftenCursor_;
    std::vector<std::int64_t> katalogZeile_;
    std::unique_ptr<Werttext> werttext_;  // value texts of multi-values that are no text
    std::function<void()> fortschritt_;  // called for every page read
};

void MdbLeser::pruefeOffen() const
{
    if (!mdb_)
        throw DatenzugriffsFehler(FehlerObjektGeschlossen, QStringLiteral("Die Datenbank ist nicht geöffnet."));
}

// The file as the user named it: there, no folder, readable, a database
// by its header. Returns its size.
qint64 MdbLeser::dateiPruefen(const QString& datei)
{
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
    return groesse;
}

// What the decoder needs to know of the open file; a Jet 3 file's code page
// as a table of its upper 128 bytes.
Jet::Format MdbLeser::format() const
{
    Jet::Format format;
    format.seitenGroesse = seitenGroesse_;
    format.zeilenzahlOffset = mdb_->fmt->row_count_offset;
    format.jet3 = IS_JET3(mdb_);
    format.seitenAnzahl = seitenAnzahl_;
    format.datei = datei_;
    if (format.jet3 && mdb_->f->code_page != 1252 && mdb_->f->code_page != 0) {
        QStringDecoder dec(QStringLiteral("windows-%1").arg(mdb_->f->code_page).toLatin1().constData());
        if (dec.isValid()) {
            for (int i = 128; i < 256; ++i) {
                const char c = char(i);
                const QString s = dec.decode(QByteArrayView(&c, 1));
                format.codepage[std::size_t(i)] = s.size() == 1 ? s[0].unicode() : u'?';
                dec.resetState();
            }
        }
    }
    return format;
}

void MdbLeser::oeffnen(const QString& datei)
{
    schliessen();
    const qint64 groesse = dateiPruefen(datei);
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
    kodiert_ = mdb_->f->db_key != 0;
    ace_ = mdb_->f->jet_version >= MDB_VER_ACCDB_2007;
    // libmdb's bind size stays at its default (16 384 bytes): while it reads
    // the catalogue it copies each object's property block, one long-value
    // row of up to a page, into a buffer of that size.
    dekoder_.emplace(format(), static_cast<Jet::Seitenquelle&>(*this));

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
    if (kopf.size() < 0x20 || kopf[0] != 0 || !nenntAccessFormat(kopf))
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
    if (seite[0] == Jet::SeiteTabelle && seite[1] == 0x01)
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
    cursor_.clear();
    katalog_.clear();
    zusatz_.clear();
    katalogZeile_.clear();
    eigenschaftenCursor_.reset();
    komplexKatalog_.reset();
    dekoder_.reset();
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
    for (std::size_t i = 0; i < katalog_.size(); ++i) {
        const auto& e = katalog_[i];
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
        case 4:  // ODBC-linked table; a report has the same low bits
            if (zusatz_[i].typ == MDB_LINKED_TABLE || zusatz_[i].typ == 4)
                ergebnis.push_back({QStringLiteral("LINK"), name, zusatz_[i].verweis});
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

// The counts at the head of a table definition against its length: the
// index and column entries (and at least the shortest names) must fit. A
// wrong count shifts everything libmdb reads behind it, and the table would
// be read with columns that are not its own.
void MdbLeser::definitionPruefen(const QString& tabelle, std::uint32_t seite)
{
    std::vector<unsigned char> p(static_cast<std::size_t>(seitenGroesse_));
    if (!seiteLesen(seite, p.data()) || p[0] != Jet::SeiteTabelle)
        beschaedigt(datei_, QStringLiteral("die Definition der Tabelle „%1“ ist keine (Seite %2)").arg(tabelle).arg(seite));
    const bool jet3 = dekoder_->format().jet3;
    const std::uint64_t laenge = Jet::le32(&p[8]);
    const std::uint64_t spalten = Jet::le16(&p[jet3 ? 0x19 : 0x2d]);
    const std::uint64_t indizes = Jet::le32(&p[jet3 ? 0x1b : 0x2f]);
    const std::uint64_t echteIndizes = Jet::le32(&p[jet3 ? 0x1f : 0x33]);
    // Head, real index entries, columns, column names, real indexes, logical indexes.
    const std::uint64_t noetig = jet3 ? 0x2b + echteIndizes * (8 + 39) + spalten * (18 + 2) + indizes * 20
                                      : 0x3f + echteIndizes * (12 + 52) + spalten * (25 + 4) + indizes * 28;
    if (noetig > laenge)
        beschaedigt(datei_, QStringLiteral("die Definition der Tabelle „%1“ nennt %2 Spalten und %3 Indizes, für die sie keinen Platz hat (Seite %4)")
                                .arg(tabelle).arg(spalten).arg(indizes).arg(seite));
}

MdbTableDef* MdbLeser::tabelleLesen(const QString& tabelle)
{
    MdbCatalogEntry* e = tabellenEintrag(tabelle);
    if (e->table_pg == 0 || e->table_pg >= seitenAnzahl_)
        beschaedigt(datei_, QStringLiteral("die Tabelle „%1“ liegt außerhalb der Datei").arg(tabelle));
    definitionPruefen(tabelle, std::uint32_t(e->table_pg));
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
    // A calculated column is of its result's type, as Access shows it.
    Cursor c;
    c.tabelle = tabelleAus(t);
    try {
        berechneteSpaltenFuellen(c, t);
    } catch (...) {
        mdb_free_tabledef(t);
        throw;
    }
    mdb_free_tabledef(t);
    for (std::size_t i = 0; i < ergebnis.size(); ++i)
        if (c.tabelle->spalten[i].berechnet)
            ergebnis[i].jetTyp = c.tabelle->spalten[i].ergebnisTyp;
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
    c.tabelle = tabelleAus(t);
    c.auswahl = auswahl;
    try {
        for (int a : auswahl)
            if (a < 0 || a >= int(c.tabelle->spalten.size()))
                throw DatenzugriffsFehler(FehlerFeldUnbekannt, QStringLiteral("Spalte %1 gibt es nicht.").arg(a));
        komplexeSpaltenFuellen(c, t);
        berechneteSpaltenFuellen(c, t);
    } catch (...) {
        mdb_free_tabledef(t);
        throw;
    }
    mdb_free_tabledef(t);
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

// Room for `zeilen` rows of the cursor in block, which is emptied.
void MdbLeser::blockVorbereiten(const Cursor& c, ZeilenBlock& block, int zeilen)
{
    const int breite = int(c.auswahl.size());
    block.spalten = breite;
    block.zeilenAnzahl = 0;
    block.leer.clear();
    const std::size_t noetig = std::size_t(std::max(zeilen, 0)) * std::size_t(breite);
    if (block.werte.size() < noetig)
        block.werte.resize(noetig);
}

bool MdbLeser::naechsterBlock(CursorNummer nummer, ZeilenBlock& block, int maxZeilen)
{
    Cursor& c = cursorHolen(nummer);
    blockVorbereiten(c, block, maxZeilen);
    // Rows the filter rejects are marked, not written: the search passes over them.
    block.leerVorbereiten(maxZeilen);
    Jet::InWerte ziel(*dekoder_, block.werte.data(), &block.leer);
    block.zeilenAnzahl = dekoder_->zeilenLesen(c, ziel, maxZeilen);
    return block.zeilenAnzahl > 0;
}

int MdbLeser::zeilenBereich(CursorNummer nummer, std::int64_t von, int anzahl, ZeilenBlock& block)
{
    Cursor& c = cursorHolen(nummer);
    blockVorbereiten(c, block, anzahl);
    Jet::InWerte ziel(*dekoder_, block.werte.data());
    block.zeilenAnzahl = dekoder_->bereichLesen(c, von, anzahl, ziel);
    return block.zeilenAnzahl;
}

bool MdbLeser::zeile(CursorNummer nummer, std::int64_t n, std::vector<Wert>& werte)
{
    Cursor& c = cursorHolen(nummer);
    werte.resize(c.auswahl.size());
    Jet::InWerte ziel(*dekoder_, werte.data());
    return dekoder_->bereichLesen(c, n, 1, ziel) == 1;
}

int MdbLeser::blockKodieren(CursorNummer nummer, Protokoll::Schreiber& nachricht, int maxZeilen,
                            std::vector<std::size_t>& zeilenEnden, int& spalten)
{
    Cursor& c = cursorHolen(nummer);
    spalten = int(c.auswahl.size());
    Jet::InNachricht ziel(*dekoder_, nachricht, &zeilenEnden);
    return dekoder_->zeilenLesen(c, ziel, maxZeilen);
}

int MdbLeser::bereichKodieren(CursorNummer nummer, std::int64_t von, int anzahl, Protokoll::Schreiber& nachricht, int& spalten)
{
    Cursor& c = cursorHolen(nummer);
    spalten = int(c.auswahl.size());
    Jet::InNachricht ziel(*dekoder_, nachricht, nullptr);
    return dekoder_->bereichLesen(c, von, anzahl, ziel);
}

void MdbLeser::zuruecksetzen(CursorNummer nummer)
{
    Jet::Dekoder::zuruecksetzen(cursorHolen(nummer));
}

std::int64_t MdbLeser::gezaehlteZeilen(CursorNummer nummer)
{
    Cursor& c = cursorHolen(nummer);
    if (!c.positionenKomplett)
        dekoder_->positionenZaehlen(c);
    return std::int64_t(c.positionen.size());
}

MdbCatalogEntry* MdbLeser::eintragMitId(std::uint32_t id) const
{
    for (const auto& e : katalog_)
        if (e->table_pg == id)
            return e.get();
    return nullptr;
}

bool MdbLeser::zeilenDurchlaufen(const QString& tabelle, const std::vector<QString>& spalten,
                                 const std::function<void(const Wert*)>& proZeile)
{
    MdbTableDef* t = tabelleLesen(tabelle);
    Cursor c;
    c.tabelle = tabelleAus(t);
    for (const QString& name : spalten) {
        int gefunden = -1;
        for (guint i = 0; i < t->num_cols; ++i)
            if (QString::fromUtf8(static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i))->name).compare(name, Qt::CaseInsensitive) == 0)
                gefunden = int(i);
        c.auswahl.push_back(gefunden);
    }
    mdb_free_tabledef(t);
    if (std::count(c.auswahl.begin(), c.auswahl.end(), -1) > 0)
        return false;
    c.seite.resize(std::size_t(seitenGroesse_));
    ZeilenBlock block;
    block.spalten = int(spalten.size());
    block.werte.resize(spalten.size() * 256);
    while (true) {
        Jet::InWerte ziel(*dekoder_, block.werte.data());
        const int n = dekoder_->zeilenLesen(c, ziel, 256);
        if (n == 0)
            return true;
        for (int r = 0; r < n; ++r)
            proZeile(&block.werte[std::size_t(r) * spalten.size()]);
    }
}

// The values of the cursor's complex columns (multi-value, attachment),
// from the hidden tables that MSysComplexColumns names: the value texts of
// each row's values in stored order, ", "-joined (the file names of
// attachments). Other kinds, such as the version history of an append-only
// memo, stay without value text.
void MdbLeser::komplexeSpaltenFuellen(Cursor& c, MdbTableDef* t)
{
    if (!ace_)
        return;
    std::vector<int> komplex;
    for (int a : c.auswahl)
        if (a >= 0 && a < int(c.tabelle->spalten.size()) && c.tabelle->spalten[std::size_t(a)].typ == JetTyp::Komplex)
            komplex.push_back(a);
    if (komplex.empty())
        return;
    if (!komplexKatalog_) {
        std::vector<KomplexSpalte> k;
        auto id = [](const Wert& w) { return w.art == WertArt::Ganzzahl ? std::uint32_t(w.ganzzahl) & 0x00ffffffu : 0u; };
        zeilenDurchlaufen(QStringLiteral("MSysComplexColumns"),
                          {QStringLiteral("ColumnName"), QStringLiteral("ConceptualTableID"), QStringLiteral("ComplexTypeObjectID"),
                           QStringLiteral("FlatTableID")},
                          [&](const Wert* w) {
                              if (w[0].art == WertArt::Text)
                                  k.push_back({w[0].text, id(w[1]), id(w[2]), id(w[3])});
                          });
        komplexKatalog_ = std::move(k);
    }
    auto tabelle = std::make_shared<Jet::Tabelle>(*c.tabelle);
    for (int a : komplex) {
        const QString name = QString::fromUtf8(static_cast<MdbColumn*>(g_ptr_array_index(t->columns, guint(a)))->name);
        const auto k = std::find_if(komplexKatalog_->begin(), komplexKatalog_->end(), [&](const KomplexSpalte& s) {
            return s.tabelle == std::uint32_t(t->entry->table_pg) && s.spalte.compare(name, Qt::CaseInsensitive) == 0;
        });
        const MdbCatalogEntry* typ = k == komplexKatalog_->end() ? nullptr : eintragMitId(k->typObjekt);
        const MdbCatalogEntry* flach = k == komplexKatalog_->end() ? nullptr : eintragMitId(k->flachTabelle);
        if (!typ || !flach)
            continue;
        const QString typName = QString::fromUtf8(typ->object_name);
        QString wertSpalte;
        if (typName.compare(QLatin1String("MSysComplexType_Attachment"), Qt::CaseInsensitive) == 0)
            wertSpalte = QStringLiteral("FileName");
        else if (typName.startsWith(QLatin1String("MSysComplexType_"), Qt::CaseInsensitive))
            wertSpalte = QStringLiteral("Value");
        else
            continue;
        if (!werttext_)
            werttext_ = std::make_unique<Werttext>(QLocale::system());
        auto werte = std::make_shared<Jet::KomplexWerte>();
        const bool gelesen = zeilenDurchlaufen(QString::fromUtf8(flach->object_name), {QLatin1Char('_') + name, wertSpalte},
                                               [&](const Wert* w) {
                                                   if (w[0].art != WertArt::Ganzzahl || w[1].istNull())
                                                       return;
                                                   QString& text = (*werte)[std::uint32_t(w[0].ganzzahl)];
                                                   if (!text.isEmpty())
                                                       text += QStringLiteral(", ");
                                                   werttext_->anhaengen(w[1], text);
                                               });
        if (gelesen)
            tabelle->spalten[std::size_t(a)].komplexWerte = std::move(werte);
    }
    c.tabelle = std::move(tabelle);
}

// The result types of calculated columns (Access 2010+) from the table's
// property block; a calculated column whose type is not there is read as
// the type of its definition.
void MdbLeser::berechneteSpaltenFuellen(Cursor& c, MdbTableDef* t)
{
    if (!ace_)
        return;
    const std::vector<Jet::Spaltenmerkmale> merkmale = Jet::spaltenmerkmale(dekoder_->tabellendefinition(std::uint32_t(t->entry->table_pg)));
    if (std::none_of(merkmale.begin(), merkmale.end(), [](const Jet::Spaltenmerkmale& m) { return m.berechnet; }))
        return;
    std::map<QString, int> typen;
    const auto e = std::find_if(katalog_.begin(), katalog_.end(), [t](const auto& e) { return e.get() == t->entry; });
    if (e != katalog_.end() && eigenschaftenCursor_) {
        Wert w;
        Jet::InWerte ziel(*dekoder_, &w);
        if (dekoder_->bereichLesen(*eigenschaftenCursor_, katalogZeile_[std::size_t(e - katalog_.begin())], 1, ziel) == 1
            && w.art == WertArt::Binaer)
            typen = Jet::ergebnisTypen(w.binaer);
    }
    auto tabelle = std::make_shared<Jet::Tabelle>(*c.tabelle);
    for (guint i = 0; i < t->num_cols; ++i) {
        const QString name = QString::fromUtf8(static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i))->name);
        const auto m = std::find_if(merkmale.begin(), merkmale.end(), [&](const Jet::Spaltenmerkmale& m) { return m.name == name; });
        if (m == merkmale.end() || !m->berechnet)
            continue;
        Jet::Spalte& s = tabelle->spalten[i];
        s.berechnet = true;
        const auto typ = typen.find(name.toLower());
        s.ergebnisTyp = typ != typen.end() ? JetTyp(typ->second) : s.typ;
    }
    c.tabelle = std::move(tabelle);
}

// The catalogue's columns to read: Id, Name, Type, Flags, in this order;
// then, where the catalogue has them, the file (Database) and the ODBC text
// (Connect) of a linked table. eigenschaften: the property column LvProp, or -1.
std::vector<int> MdbLeser::katalogSpalten(MdbTableDef* t, int& eigenschaften) const
{
    const std::array<const char*, 7> namen = {"Id", "Name", "Type", "Flags", "Database", "Connect", "LvProp"};
    std::array<int, 7> position;
    position.fill(-1);
    for (guint i = 0; i < t->num_cols; ++i) {
        const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
        for (std::size_t k = 0; k < namen.size(); ++k)
            if (g_ascii_strcasecmp(col->name, namen[k]) == 0)
                position[k] = int(i);
    }
    if (std::count(position.begin(), position.begin() + 4, -1) > 0)
        beschaedigt(datei_, QStringLiteral("dem Katalog fehlen Spalten"));
    std::vector<int> auswahl(position.begin(), position.begin() + 4);
    for (std::size_t k = 4; k < 6; ++k)
        if (position[k] >= 0)
            auswahl.push_back(position[k]);
    eigenschaften = position[6];
    return auswahl;
}

// One row of the catalogue (the columns of katalogSpalten), its row nummer.
void MdbLeser::katalogZeileAufnehmen(const Wert* zeile, std::size_t breite, std::int64_t nummer)
{
    const Wert& id = zeile[0];
    const Wert& name = zeile[1];
    const Wert& typ = zeile[2];
    const Wert& flags = zeile[3];
    QString verweis;
    for (std::size_t k = 4; k < breite && verweis.isEmpty(); ++k)
        if (zeile[k].art == WertArt::Text)
            verweis = zeile[k].text;
    if (name.art != WertArt::Text || typ.art != WertArt::Ganzzahl)
        return;
    auto e = std::make_unique<MdbCatalogEntry>();
    e->mdb = mdb_;
    const QByteArray utf8 = name.text.toUtf8().left(MDB_MAX_OBJ_NAME);
    std::memcpy(e->object_name, utf8.constData(), std::size_t(utf8.size()));
    e->object_name[utf8.size()] = 0;
    e->object_type = int(typ.ganzzahl & 0x7f);
    e->table_pg = id.art == WertArt::Ganzzahl ? std::uint32_t(id.ganzzahl) & 0x00ffffffu : 0;
    e->flags = flags.art == WertArt::Ganzzahl ? int(flags.ganzzahl) : 0;
    katalog_.push_back(std::move(e));
    zusatz_.push_back({typ.ganzzahl, verweis});
    katalogZeile_.push_back(nummer);
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
    MdbTableDef* t = mdb_read_table(&msys);
    if (!t)
        beschaedigt(datei_, QStringLiteral("der Katalog der Datenbank ist nicht lesbar"));
    struct Freigabe {
        MdbTableDef* t;
        ~Freigabe() { mdb_free_tabledef(t); }
    } freigabe{t};
    if (!mdb_read_columns(t) || t->num_cols == 0 || t->num_cols > MDB_MAX_COLS)
        beschaedigt(datei_, QStringLiteral("die Spalten des Katalogs sind nicht lesbar"));
    Cursor c;
    c.tabelle = tabelleAus(t);
    int eigenschaftenSpalte = -1;
    c.auswahl = katalogSpalten(t, eigenschaftenSpalte);
    const std::size_t breite = c.auswahl.size();
    c.seite.resize(std::size_t(seitenGroesse_));
    ZeilenBlock block;
    block.spalten = int(breite);
    block.werte.resize(breite * 256);
    zusatz_.clear();
    while (true) {
        Jet::InWerte ziel(*dekoder_, block.werte.data());
        const std::int64_t erste = c.gelieferteZeilen;
        const int n = dekoder_->zeilenLesen(c, ziel, 256);
        if (n == 0)
            break;
        for (int r = 0; r < n; ++r)
            katalogZeileAufnehmen(&block.werte[std::size_t(r) * breite], breite, erste + r);
    }
    // A catalogue with holes would leave tables out without a word.
    if (!c.schaeden.empty()) {
        const Schaden& s = c.schaeden.front();
        beschaedigt(datei_, QStringLiteral("der Katalog der Datenbank ist beschädigt (%1)").arg(s.grund));
    }
    if (eigenschaftenSpalte >= 0 && c.positionenKomplett) {
        c.auswahl = {eigenschaftenSpalte};
        eigenschaftenCursor_ = std::move(c);
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
