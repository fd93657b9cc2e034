#pragma once
// The reader: everything the data-access component needs from a database
// file, as plain data. No libmdb type appears here, so the same interface can
// be served by a reader in this process or by one in a child process.

#include "Wert.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace Datenzugriff {

// Whether a file's first bytes name a Jet (.mdb) or ACE (.accdb) database:
// a 4-byte number, then the format's name.
inline bool nenntAccessFormat(QByteArrayView kopf)
{
    if (kopf.size() < 19)
        return false;
    const QByteArrayView name = kopf.sliced(4, 15);
    return name == QByteArrayView("Standard Jet DB") || name == QByteArrayView("Standard ACE DB");
}

// One row of the tables catalogue. typ is "TABLE", "SYSTEM TABLE", "VIEW"
// or "LINK" for linked tables.
struct KatalogEintrag {
    QString typ;
    QString name;
    QString verweis = {};  // LINK: the file that holds the data (ODBC: its connection text)
};

// Jet column types as stored in the table definition.
enum class JetTyp : std::uint8_t {
    JaNein = 0x01, Byte = 0x02, Integer = 0x03, Long = 0x04, Currency = 0x05,
    Single = 0x06, Double = 0x07, Datum = 0x08, Binaer = 0x09, Text = 0x0a,
    Ole = 0x0b, Memo = 0x0c, Guid = 0x0f, Decimal = 0x10, Komplex = 0x12,
    GrosseZahl = 0x13, DatumErweitert = 0x14,  // Large Number, Date/Time Extended (Access 2016/2019)
};

struct SpaltenInfo {
    QString name;
    JetTyp jetTyp = JetTyp::Text;
    int groesse = 0;         // bytes in the row (text: bytes, not characters)
    bool festeLaenge = false;
    bool autowert = false;   // AutoNumber (long or replication id)
    int praezision = 0;      // Decimal only
    int skala = 0;
};

// A block of decoded rows, row after row, spalten values each.
// werte may hold more slots than rows: the reader reuses them from block to
// block so that text buffers keep their capacity.
struct ZeilenBlock {
    int spalten = 0;
    int zeilenAnzahl = 0;
    std::vector<Wert> werte;
    // Rows of Nulls (rows a candidate filter rejected) may be marked here
    // instead of written: their slots in werte are left as they were, and
    // nullZeile holds the spalten Nulls they read as. A row not marked
    // (leer shorter, or 0) is in werte. Whoever fills werte clears leer.
    std::vector<std::uint8_t> leer;
    std::vector<Wert> nullZeile;

    // Room to mark rows 0 .. zeilen - 1 (none marked yet), and the Nulls a
    // marked row reads as; spalten is set.
    void leerVorbereiten(int zeilen)
    {
        leer.assign(std::size_t(std::max(zeilen, 0)), 0);
        if (nullZeile.size() < std::size_t(spalten))
            nullZeile.resize(std::size_t(spalten));
    }
    int zeilen() const { return zeilenAnzahl; }
    bool istLeer(int zeile) const { return std::size_t(zeile) < leer.size() && leer[std::size_t(zeile)]; }
    // The values of a row, spalten of them.
    const Wert* zeile(int zeile) const
    {
        return istLeer(zeile) ? nullZeile.data() : werte.data() + std::size_t(zeile) * std::size_t(spalten);
    }
    const Wert& wert(int z, int spalte) const { return zeile(z)[spalte]; }
    void leeren() { zeilenAnzahl = 0; }
};

using CursorNummer = int;

// Which rows of a forward read can hold a hit, judged on the stored bytes
// before any value is built. A row is a candidate when a searched column
// holds a text with a unit of every class in alle (klasse[u] has bit i when
// unit u counts for the search text's character i), or a value of a kind
// whose bit arten has (bit n for WertArt n). Any other row comes as a row
// of Nulls: counted, but with nothing that could be found in it.
struct Kandidatenfilter {
    std::vector<std::uint8_t> klasse;   // 65 536 entries, one per UTF-16 unit
    std::uint8_t alle = 0;
    std::uint16_t arten = 0;
    std::vector<std::uint8_t> gesucht;  // per column of the cursor: 1 when searched

    bool passt(std::size_t spalten) const { return klasse.size() == 65536 && gesucht.size() == spalten; }
    bool operator==(const Kandidatenfilter&) const = default;
};

// Damage a cursor met and read past: the rows of a page (or some of them)
// could not be read. seite 0: damage not tied to a page, such as rows the
// table's stored count promises and no page gives.
struct Schaden {
    std::uint32_t seite = 0;
    QString grund;  // German, for the user
    bool operator==(const Schaden&) const = default;
};

// The damage as lines for a message: "Seite N: reason", at most hoechstens
// of them and then how many more.
inline QStringList schadenGruende(const std::vector<Schaden>& schaeden, std::size_t hoechstens)
{
    QStringList gruende;
    for (std::size_t i = 0; i < std::min(schaeden.size(), hoechstens); ++i) {
        const auto& s = schaeden[i];
        gruende << (s.seite ? QStringLiteral("Seite %1: %2").arg(s.seite).arg(s.grund) : s.grund);
    }
    if (schaeden.size() > hoechstens)
        gruende << QStringLiteral("… und %1 weitere Schäden").arg(schaeden.size() - hoechstens);
    return gruende;
}

class Leser {
public:
    virtual ~Leser() = default;

    // Opens the file read-only; throws DatenzugriffsFehler.
    virtual void oeffnen(const QString& datei) = 0;
    virtual void schliessen() = 0;
    virtual bool offen() const = 0;

    virtual std::vector<KatalogEintrag> katalog() = 0;
    // Columns of a table in the table's order; throws for an unknown table.
    virtual std::vector<SpaltenInfo> spalten(const QString& tabelle) = 0;
    // The row count stored in the table definition (can be stale, see Recordset).
    virtual std::int64_t gespeicherteZeilenanzahl(const QString& tabelle) = 0;

    // A cursor over the chosen columns (positions into spalten()) of a table.
    // Several cursors may be open on one file, each with its own number and
    // reading position (the search's forward cursor and a grid's keyset cursor).
    virtual CursorNummer cursorOeffnen(const QString& tabelle, const std::vector<int>& spaltenauswahl) = 0;
    // Fills block with up to maxZeilen rows; false when the cursor had no
    // row left. Throws on a damaged file.
    virtual bool naechsterBlock(CursorNummer cursor, ZeilenBlock& block, int maxZeilen) = 0;
    // Back to the first row.
    virtual void zuruecksetzen(CursorNummer cursor) = 0;
    // Row n (from 0) of the cursor, independent of its reading position;
    // false when there is no such row.
    virtual bool zeile(CursorNummer cursor, std::int64_t n, std::vector<Wert>& werte) = 0;
    // Rows von .. von + anzahl - 1 (from 0) of the cursor into block, fewer
    // at the end of the table; independent of the reading position. Returns
    // the number of rows. The grid asks for its rows in such ranges.
    virtual int zeilenBereich(CursorNummer cursor, std::int64_t von, int anzahl, ZeilenBlock& block) = 0;
    // Number of rows, counted (for the keyset cursor of the grid).
    virtual std::int64_t gezaehlteZeilen(CursorNummer cursor) = 0;
    // The damage the cursor has read past so far, in the order met. Rows it
    // could read it gave; what it could not is named here, so that a search
    // over a damaged table says it is incomplete. Empty for a healthy table.
    virtual std::vector<Schaden> schaeden(CursorNummer cursor) = 0;
    virtual void cursorSchliessen(CursorNummer cursor) = 0;
    // From now on the cursor's forward read gives only the candidates of
    // filter (null: every row) in full. Returns the number of rows the
    // cursor has read so far: rows from there on are judged by the new
    // filter; rows before it that were read ahead under an older one are
    // to be read again by range. A filter that does not fit the cursor's
    // columns filters nothing. This reader filters nothing at all.
    virtual std::int64_t kandidatenfilter(CursorNummer, std::shared_ptr<const Kandidatenfilter>) { return 0; }

    // Name and version of the underlying reader, for the user to report.
    virtual QString version() const = 0;
};

// The reader over libmdb in this process. fortschritt, when given, is called
// for every page read: the reader process uses it to show it is alive.
std::unique_ptr<Leser> erzeugeMdbLeser();
std::unique_ptr<Leser> erzeugeMdbLeser(std::function<void()> fortschritt);

// The same reader in a child process (zelk-feldspur-leser beside the
// executable, or programm). The child's own errors keep their numbers; a
// child that cannot start, dies, answers what cannot be read, goes without
// a sign of life for wartezeitMs, or waits for the disk longer than
// plattenGrenzeMs ends with FehlerLeseprozess and a message that says which;
// the next oeffnen() starts a fresh child. Every failure is a
// DatenzugriffsFehler. One reader serves one thread: a window that reads on
// its own takes a connection (and so a child) of its own.
std::unique_ptr<Leser> erzeugeProzessLeser(QString programm = {}, int wartezeitMs = 5000, int plattenGrenzeMs = 120000);

}  // namespace Datenzugriff
