#pragma once
// The data-access component: connection, recordset and fields with the
// operations and codes the windows rely on (the ADO ones). Everything is
// read through a Leser; errors are DatenzugriffsFehler.

#include "Anweisung.h"
#include "Fehler.h"
#include "Leser.h"
#include "Wert.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace Datenzugriff {

// Object states, cursor and lock types, schema queries, field types and
// attribute bits, with their ADO values.
enum : int { adStateClosed = 0, adStateOpen = 1 };
enum : int { adOpenUnspecified = -1, adOpenForwardOnly = 0, adOpenKeyset = 1, adOpenDynamic = 2, adOpenStatic = 3 };
enum : int { adLockUnspecified = -1, adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3, adLockBatchOptimistic = 4 };
enum : int { adSchemaTables = 20 };
enum : int {
    adSmallInt = 2, adInteger = 3, adSingle = 4, adDouble = 5, adCurrency = 6, adDate = 7, adBoolean = 11,
    adUnsignedTinyInt = 17, adBigInt = 20, adDBTimeStamp = 135, adGUID = 72, adVarBinary = 204, adNumeric = 131, adVarWChar = 202,
    adLongVarWChar = 203, adLongVarBinary = 205,
};
enum : int {
    adFldMayDefer = 0x2, adFldUpdatable = 0x4, adFldUnknownUpdatable = 0x8, adFldFixed = 0x10,
    adFldIsNullable = 0x20, adFldMayBeNull = 0x40, adFldLong = 0x80,
};

int adoTyp(JetTyp typ);
int adoAttribute(const SpaltenInfo& spalte);

class Recordset;

class Connection {
public:
    using LeserFabrik = std::function<std::unique_ptr<Leser>()>;

    Connection();  // reads with the in-process reader
    explicit Connection(LeserFabrik fabrik);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int State() const;
    void Open(const QString& connectionString, const QString& userId = {}, const QString& password = {}, int options = -1);
    // Also closes every recordset opened on this connection.
    void Close();
    // Query type 20: TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE, in catalogue order.
    std::unique_ptr<Recordset> OpenSchema(int queryType);
    QString Version() const;

    const QString& ConnectionString() const { return verbindungstext_; }
    // How this connection makes its reader: a second connection on the same
    // file reads the same way (through a reader process of its own).
    const QString& datei() const { return datei_; }
    Leser& leser();

private:
    friend class Recordset;
    std::unique_ptr<Recordset> schemaRecordset(std::vector<SpaltenInfo> spalten, std::vector<Wert> werte);
    void anmelden(Recordset* r);
    void abmelden(Recordset* r);
    void abbauen();  // closes the recordsets and the reader

    LeserFabrik fabrik_;
    std::unique_ptr<Leser> leser_;
    QString verbindungstext_;
    QString datei_;
    std::vector<Recordset*> recordsets_;
};

class Field {
public:
    const QString& Name() const { return info_.name; }
    const Wert& Value() const;
    int Type() const { return adoTyp(info_.jetTyp); }
    int Attributes() const { return adoAttribute(info_); }
    int DefinedSize() const;
    const SpaltenInfo& spalte() const { return info_; }

private:
    friend class Recordset;
    friend class Connection;
    Field(const Recordset* r, int position, SpaltenInfo info) : recordset_(r), position_(position), info_(std::move(info)) {}
    const Recordset* recordset_;
    int position_;
    SpaltenInfo info_;
};

class Fields {
public:
    int Count() const { return int(felder_.size()); }
    // By zero-based position or by name (case-insensitive, as Jet does).
    const Field& Item(int position) const;
    const Field& Item(const QString& name) const;
    const Field& operator[](int position) const { return Item(position); }

private:
    friend class Recordset;
    friend class Connection;
    std::vector<Field> felder_;
};

class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void setSource(const QString& source) { source_ = source; }
    const QString& Source() const { return source_; }
    void setCursorType(int t) { cursorType_ = t; }
    int CursorType() const { return cursorType_; }
    void setLockType(int t) { lockType_ = t; }
    int LockType() const { return lockType_; }

    // Opens source over the connection; an empty source takes Source().
    // -1 for the cursor or lock type keeps the property's value.
    void Open(const QString& source, Connection& connection, int cursorType = -1, int lockType = -1, int options = -1);
    void Open(Connection& connection, int cursorType = -1, int lockType = -1, int options = -1);
    // Opens a table by its name and fields as they are, with no statement
    // text in between: a name with brackets or any other character opens.
    void Open(const Anweisung& anweisung, Connection& connection, int cursorType = -1, int lockType = -1);
    int State() const { return offen_ ? adStateOpen : adStateClosed; }
    void Close();

    bool Eof() const;
    void MoveNext();
    void MoveFirst();
    // The table's stored count; -1 where that count cannot be trusted (a
    // file not closed properly stores 0 although rows are there).
    std::int64_t RecordCount() const;
    const Fields& fields() const;

    // Row access for the grid of the keyset cursor: rows counted.
    std::int64_t gezaehlteZeilen();
    // Rows von .. von + anzahl - 1 into block, fewer at the end; the count.
    int zeilenBereich(std::int64_t von, int anzahl, ZeilenBlock& block);
    // The current row's values, in field order.
    const Wert* aktuelleZeile() const;
    // Whether the current row is one a candidate filter rejected: all Null.
    bool aktuelleZeileVerworfen() const { return offen_ && blockZeile_ < block_.zeilen() && block_.istLeer(blockZeile_); }
    // The table of the statement, and the damage its reader has read past
    // so far: a search that met damage is incomplete and says so.
    const QString& tabelle() const { return tabelle_; }
    std::vector<Schaden> schaeden();
    // From the current row on, rows that cannot hold a hit by filter (null:
    // none) come as rows of Nulls; they still count as records. Rows the
    // reader judged ahead under an older filter are read again in full.
    void kandidatenfilter(std::shared_ptr<const Kandidatenfilter> filter);

private:
    friend class Connection;
    friend class Field;
    void pruefeOffen() const;
    void oeffnen(const Anweisung& anweisung, Connection& connection);
    void blockLaden();
    void neuLesen(int abZeile);
    void schliessenOhneAbmelden();

    QString source_;
    QString tabelle_;
    int cursorType_ = adOpenForwardOnly;
    int lockType_ = adLockReadOnly;
    bool offen_ = false;
    Connection* verbindung_ = nullptr;
    Fields fields_;
    CursorNummer cursor_ = 0;
    bool speicher_ = false;           // rows held here (schema rowsets)
    std::vector<Wert> speicherWerte_;
    ZeilenBlock block_;
    int blockZeile_ = 0;
    bool leserEnde_ = false;
    int naechsteBlockGroesse_ = 1;
    std::int64_t blockAnfang_ = 0;  // the reader's row number of the block's first row
    bool gefiltert_ = false;        // the reader judges rows by a filter
    std::int64_t neuLesenBis_ = 0;  // rows before it were judged by a filter no longer set
    std::int64_t gespeicherteAnzahl_ = -1;
};

}  // namespace Datenzugriff
