#pragma once
// A small writer of Jet 3 (Access 97) and Jet 4 (Access 2000-2003) files:
// tables with the usual column types, rows with Null, Unicode and long
// values, saved queries and system tables in the catalogue. It writes what
// readers need (catalogue, table definitions, usage maps, data and long-value
// pages) and no indexes. Used by the tests, the demo database and the
// benchmarks; large tables are streamed page by page.
//
// It can also leave what Access leaves in files that have been worked on:
// moved and deleted rows, deleted and added columns, and property blocks in
// the catalogue, so that readers are tested on them without real files.

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace mdbwriter {

// Ace12: Access 2007 (.accdb), the Jet 4 pages under the ACE header.
enum class Format { Jet3, Jet4, Ace12 };

// LargeNumber (64-bit) and DateTimeExtended (integer cells: 100-ns ticks
// since 01.01.0001) only in Ace12 files. Complex (multi-value, attachment):
// an integer cell, the key of the row's values in the column's hidden table,
// which the caller writes as Access does (MSysComplexColumns, a type table
// MSysComplexType_…, the flat table f_…_COLUMN with the key in "_COLUMN";
// tableId gives the ids these rows name).
enum class ColumnType { YesNo, Byte, Integer, Long, Currency, Single, Double, DateTime, Binary, Text, OleObject, Memo, Guid,
                        LargeNumber, DateTimeExtended, Complex };

struct Column {
    std::string name;  // UTF-8
    ColumnType type;
    int length = 0;    // characters for Text (default 50), bytes for Binary
    // Ace12: a calculated column of a fixed-size type or Text, whose values
    // are its stored results; its result type belongs in the table's
    // property "ResultType" of the column (setProperties), as Access keeps it.
    bool calculated = false;
};

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One value of a row. Text is UTF-8; dates are Jet day counts (days since
// 30.12.1899, the time as fraction); currency is scaled by 10 000.
struct Cell {
    enum class Kind { Null, Integer, Real, Text, Bytes, Currency, Date, YesNo, Guid };
    Kind kind = Kind::Null;
    std::int64_t integerValue = 0;
    double realValue = 0;
    std::string textValue;
    std::vector<std::uint8_t> bytesValue;
    std::array<std::uint8_t, 16> guidValue{};

    static Cell null() { return {}; }
    static Cell integer(std::int64_t v) { Cell c; c.kind = Kind::Integer; c.integerValue = v; return c; }
    static Cell real(double v) { Cell c; c.kind = Kind::Real; c.realValue = v; return c; }
    static Cell text(std::string v) { Cell c; c.kind = Kind::Text; c.textValue = std::move(v); return c; }
    static Cell bytes(std::vector<std::uint8_t> v) { Cell c; c.kind = Kind::Bytes; c.bytesValue = std::move(v); return c; }
    static Cell currency(std::int64_t scaled) { Cell c; c.kind = Kind::Currency; c.integerValue = scaled; return c; }
    static Cell date(double days) { Cell c; c.kind = Kind::Date; c.realValue = days; return c; }
    static Cell yesNo(bool v) { Cell c; c.kind = Kind::YesNo; c.integerValue = v ? 1 : 0; return c; }
    static Cell guid(const std::array<std::uint8_t, 16>& g) { Cell c; c.kind = Kind::Guid; c.guidValue = g; return c; }
};

// Jet day count of a civil date and time (proleptic Gregorian calendar).
double dayCount(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// How a row stands on its page. Readers list live and moved rows, a moved
// row where its slot stands; mdbtools lists a moved row where its data lies.
enum class RowState {
    Live,
    // Updated until it outgrew its page: the slot keeps a pointer (flag
    // 0x4000), the data lies on the table's next page, flagged 0x8000 like a
    // deleted row so that a scan of that page passes over it.
    Moved,
    Deleted,           // slot flagged 0xC000 as Access does, the data still on the page
    DeletedReclaimed,  // slot flagged 0xC000, its space given back: no bytes left
    DeletedMoved,      // a moved row deleted: pointer and data both flagged 0xC000
};

// One property of an object or column, as the catalogue keeps it in its
// LvProp column. Types as for columns; Text and Memo are stored as text,
// Binary and OleObject as bytes.
struct Property {
    std::string name;
    ColumnType type;
    Cell value;
    bool ddl = false;  // set by DDL rather than the user interface
};

// The properties of the object itself (column empty) or of one column.
struct PropertyBlock {
    std::string column;
    std::vector<Property> properties;
};

// The bytes Access stores: "KKD" (Jet 3) or "MR2" (Jet 4), the pool of
// property names, then one chunk per block.
std::vector<std::uint8_t> propertyBlock(Format format, const std::vector<PropertyBlock>& blocks);

class Database {
public:
    // Creates (or replaces) the file. Nothing is readable before finish().
    Database(const std::string& path, Format format);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Tables, queries and system tables appear in the catalogue in the
    // order they were added. The result identifies the table for addRow.
    int addTable(const std::string& name, const std::vector<Column>& columns);
    int addSystemTable(const std::string& name, const std::vector<Column>& columns);
    // The catalogue's id of a table (its definition page).
    std::uint32_t tableId(int table) const;
    // A saved query as the catalogue lists it (its SQL text is not stored).
    void addQuery(const std::string& name);

    // One cell per column. Throws Error on a wrong count or a value that
    // does not fit its column.
    void addRow(int table, const std::vector<Cell>& cells);
    // A row as Access leaves it after updates and deletes. earlier, for a
    // moved row, is the version first written in its slot: the pointer
    // overwrites its first four bytes. Without it the slot holds the pointer only.
    void addRow(int table, const std::vector<Cell>& cells, RowState state, const std::vector<Cell>& earlier = {});

    // Deletes a column as Access does: the definition loses it, but the
    // others keep their column numbers and places, rows written so far keep
    // its data, and later rows carry it as Null (and take one cell less).
    void deleteColumn(int table, const std::string& column);
    // Adds a column at the end; rows written so far end before it.
    void addColumn(int table, const Column& column);

    // The property blocks of a catalogue object (table, query or MSysObjects),
    // stored in its LvProp: inline when small, else on long-value pages.
    void setProperties(const std::string& object, const std::vector<PropertyBlock>& blocks);

    // Writes the catalogue, table definitions and usage maps; closes the file.
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace mdbwriter
