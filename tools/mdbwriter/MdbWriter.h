#pragma once
// A small writer of Jet 3 (Access 97) and Jet 4 (Access 2000-2003) files:
// tables with the usual column types, rows with Null, Unicode and long
// values, saved queries and system tables in the catalogue. It writes what
// readers need (catalogue, table definitions, usage maps, data and long-value
// pages) and no indexes. Used by the tests, the demo database and the
// benchmarks; large tables are streamed page by page.

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace mdbwriter {

enum class Format { Jet3, Jet4 };

enum class ColumnType { YesNo, Byte, Integer, Long, Currency, Single, Double, DateTime, Binary, Text, OleObject, Memo, Guid };

struct Column {
    std::string name;  // UTF-8
    ColumnType type;
    int length = 0;    // characters for Text (default 50), bytes for Binary
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
    // A saved query as the catalogue lists it (its SQL text is not stored).
    void addQuery(const std::string& name);

    // One cell per column. Throws Error on a wrong count or a value that
    // does not fit its column.
    void addRow(int table, const std::vector<Cell>& cells);

    // Writes the catalogue, table definitions and usage maps; closes the file.
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace mdbwriter
