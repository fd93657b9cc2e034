#include "MdbWriter.h"

#include <QString>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace mdbwriter {

namespace {

void put16(std::uint8_t* p, std::uint32_t v) { p[0] = std::uint8_t(v); p[1] = std::uint8_t(v >> 8); }
void put32(std::uint8_t* p, std::uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i)); }
void put64(std::uint8_t* p, std::uint64_t v) { for (int i = 0; i < 8; ++i) p[i] = std::uint8_t(v >> (8 * i)); }
void append16(std::vector<std::uint8_t>& v, std::uint32_t x) { v.push_back(std::uint8_t(x)); v.push_back(std::uint8_t(x >> 8)); }

// Jet column type codes.
enum : std::uint8_t {
    JetBool = 0x01, JetByte = 0x02, JetInt = 0x03, JetLong = 0x04, JetMoney = 0x05, JetFloat = 0x06,
    JetDouble = 0x07, JetDate = 0x08, JetBinary = 0x09, JetText = 0x0A, JetOle = 0x0B, JetMemo = 0x0C, JetGuid = 0x0F,
};

// The header page is obscured with RC4 under a fixed key; readers undo it.
void rc4(const std::uint8_t* key, int keyLength, std::uint8_t* data, int length)
{
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = std::uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xff];
    }
}

// Windows-1252 for Jet 3 text; a character outside the code page becomes '?'.
void toWindows1252(const QString& s, std::vector<std::uint8_t>& out)
{
    static const char16_t middle[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                        0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
                                        0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    out.clear();
    out.reserve(std::size_t(s.size()));
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            ++i;
            out.push_back('?');
        } else if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(std::uint8_t(c));
        } else {
            std::uint8_t b = '?';
            for (int k = 0; k < 32; ++k)
                if (middle[k] == c && c != 0)
                    b = std::uint8_t(0x80 + k);
            out.push_back(b);
        }
    }
}

constexpr std::uint32_t InlineLimit = 64;  // long values up to this size stay in the row

// Flags in a page's row-offset table.
constexpr std::uint16_t SlotDeleted = 0x8000;
constexpr std::uint16_t SlotPointer = 0x4000;

// Names in the file's form: UTF-16 in Jet 4, Windows-1252 in Jet 3.
std::vector<std::uint8_t> encodeName(bool jet4, const std::string& utf8)
{
    const QString s = QString::fromStdString(utf8);
    std::vector<std::uint8_t> out;
    if (jet4) {
        for (QChar c : s)
            append16(out, c.unicode());
    } else {
        toWindows1252(s, out);
    }
    return out;
}

struct ColDef {
    std::string name;
    ColumnType type;
    std::uint8_t jetType = 0;
    bool fixed = false;
    int size = 0;         // bytes in the fixed part of the row
    int fixedOffset = 0;  // from the end of the column count
    int varIndex = -1;
    int length = 0;       // characters (Text) or bytes (Binary)
    int storedLength = 0; // col_len in the table definition
    bool deleted = false; // gone from the definition, still in the rows
    bool calculated = false;
};

struct PageBuf {
    std::uint32_t number = 0;
    std::vector<std::uint8_t> bytes;
    int rows = 0;
    int freeEnd = 0;
    bool open = false;
};

struct Table {
    std::string name;
    bool system = false;
    std::uint32_t tdefPage = 0;
    std::vector<ColDef> cols;
    int numVar = 0;       // variable slots in a row, deleted columns included
    int fixedSize = 0;    // likewise the fixed part
    std::vector<std::uint32_t> dataPages;
    PageBuf current;
    std::uint32_t rowCount = 0;
    // Moved rows whose pointers stand on the current page; their data goes
    // to the next page when it is started.
    struct Moved {
        std::vector<std::uint8_t> data;
        int pointerAt;  // byte offset of the pointer on the current page
        bool deleted;
    };
    std::vector<Moved> moved;

    std::size_t liveColumns() const
    {
        return std::size_t(std::count_if(cols.begin(), cols.end(), [](const ColDef& c) { return !c.deleted; }));
    }
};

struct CatalogItem {
    std::string name;
    int type;  // 1 table, 5 query
    std::uint32_t id;
    std::uint32_t flags;
    std::vector<std::uint8_t> properties;  // LvProp, empty for Null
};

// owner is "table" or "properties of", name the table or object.
[[noreturn]] void mismatch(const char* owner, const std::string& name, const ColDef& d)
{
    throw Error(std::string(owner) + " " + name + ", column " + d.name + ": value does not fit the column type");
}

bool isNumber(const Cell& c) { return c.kind == Cell::Kind::Integer || c.kind == Cell::Kind::Real; }

// A value of a fixed-size type at p.
void encodeFixed(const char* owner, const std::string& name, const ColDef& d, const Cell& c, std::uint8_t* p)
{
    auto whole = [&](std::int64_t lo, std::int64_t hi) {
        if (c.kind != Cell::Kind::Integer || c.integerValue < lo || c.integerValue > hi)
            mismatch(owner, name, d);
        return c.integerValue;
    };
    auto real = [&]() {
        if (!isNumber(c))
            mismatch(owner, name, d);
        return c.kind == Cell::Kind::Real ? c.realValue : double(c.integerValue);
    };
    switch (d.type) {
    case ColumnType::Byte: p[0] = std::uint8_t(whole(0, 255)); break;
    case ColumnType::Integer: put16(p, std::uint32_t(std::uint16_t(whole(-32768, 32767)))); break;
    case ColumnType::Long: put32(p, std::uint32_t(whole(-2147483648LL, 2147483647LL))); break;
    case ColumnType::Currency:
        if (c.kind != Cell::Kind::Currency && c.kind != Cell::Kind::Integer)
            mismatch(owner, name, d);
        put64(p, std::uint64_t(c.integerValue));
        break;
    case ColumnType::Single: {
        const float f = float(real());
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        put32(p, bits);
        break;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
        if (d.type == ColumnType::DateTime && c.kind != Cell::Kind::Date && c.kind != Cell::Kind::Real)
            mismatch(owner, name, d);
        const double v = d.type == ColumnType::DateTime ? c.realValue : real();
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        put64(p, bits);
        break;
    }
    case ColumnType::Guid:
        if (c.kind != Cell::Kind::Guid)
            mismatch(owner, name, d);
        std::memcpy(p, c.guidValue.data(), 16);
        break;
    case ColumnType::Complex:
        put32(p, std::uint32_t(whole(0, 2147483647LL)));
        break;
    case ColumnType::LargeNumber:
        if (c.kind != Cell::Kind::Integer)
            mismatch(owner, name, d);
        put64(p, std::uint64_t(c.integerValue));
        break;
    case ColumnType::DateTimeExtended: {
        // 42 ASCII bytes: days since 01.01.0001, ":", the 100-ns ticks of the day, ":7", a zero.
        constexpr std::int64_t perDay = 864000000000LL;
        const std::int64_t ticks = whole(0, 3652059 * perDay - 1);
        char text[43];
        std::snprintf(text, sizeof text, "%019lld:%019lld:7", (long long)(ticks / perDay), (long long)(ticks % perDay));
        std::memcpy(p, text, 42);
        break;
    }
    default:
        break;
    }
}

// The definition of a column, placed after those already in t.
ColDef columnDef(bool jet4, const Table& t, const Column& c)
{
    ColDef d;
    d.name = c.name;
    d.type = c.type;
    d.length = c.length;
    switch (c.type) {
    case ColumnType::YesNo: d.jetType = JetBool; d.fixed = true; d.size = 0; break;
    case ColumnType::Byte: d.jetType = JetByte; d.fixed = true; d.size = 1; break;
    case ColumnType::Integer: d.jetType = JetInt; d.fixed = true; d.size = 2; break;
    case ColumnType::Long: d.jetType = JetLong; d.fixed = true; d.size = 4; break;
    case ColumnType::Currency: d.jetType = JetMoney; d.fixed = true; d.size = 8; break;
    case ColumnType::Single: d.jetType = JetFloat; d.fixed = true; d.size = 4; break;
    case ColumnType::Double: d.jetType = JetDouble; d.fixed = true; d.size = 8; break;
    case ColumnType::DateTime: d.jetType = JetDate; d.fixed = true; d.size = 8; break;
    case ColumnType::Guid: d.jetType = JetGuid; d.fixed = true; d.size = 16; break;
    case ColumnType::LargeNumber: d.jetType = 0x13; d.fixed = true; d.size = 8; break;
    case ColumnType::DateTimeExtended: d.jetType = 0x14; d.fixed = true; d.size = 42; break;
    case ColumnType::Complex: d.jetType = 0x12; d.fixed = true; d.size = 4; break;
    case ColumnType::Text:
        d.jetType = JetText;
        if (d.length <= 0)
            d.length = 50;
        if (d.length > 255)
            throw Error("column " + c.name + ": text longer than 255 characters");
        d.storedLength = jet4 ? 2 * d.length : d.length;
        break;
    case ColumnType::Binary:
        d.jetType = JetBinary;
        if (d.length <= 0 || d.length > 255)
            d.length = 255;
        d.storedLength = d.length;
        break;
    case ColumnType::Memo: d.jetType = JetMemo; break;
    case ColumnType::OleObject: d.jetType = JetOle; break;
    }
    d.calculated = c.calculated;
    if (c.calculated) {
        if (c.type == ColumnType::Memo || c.type == ColumnType::OleObject || c.type == ColumnType::Binary)
            throw Error("column " + c.name + ": calculated columns of this type are not written");
        // The stored result lies in the variable part behind its 20-byte head, 3 bytes after it.
        d.storedLength = d.fixed ? 39 : d.storedLength + 23;
        d.fixed = false;
    }
    if (d.fixed) {
        d.fixedOffset = t.fixedSize;
        d.storedLength = d.size;
    } else {
        d.varIndex = t.numVar;
    }
    for (const ColDef& other : t.cols)
        if (!other.deleted && QString::fromStdString(other.name).compare(QString::fromStdString(c.name), Qt::CaseInsensitive) == 0)
            throw Error("table " + t.name + ": column " + c.name + " twice");
    return d;
}

void appendColumn(bool jet4, Table& t, const Column& c)
{
    if (t.cols.size() >= 255)
        throw Error("table " + t.name + ": more than 255 columns, deleted ones included");
    ColDef d = columnDef(jet4, t, c);
    if (d.fixed)
        t.fixedSize += d.size;
    else
        ++t.numVar;
    t.cols.push_back(std::move(d));
}

// One property's value in the file's form, with its Jet type. block names
// the block in messages.
std::vector<std::uint8_t> propertyValue(bool jet4, const std::string& block, const Property& p, std::uint8_t* jetType)
{
    const Table none;
    const ColDef d = columnDef(jet4, none, {p.name, p.type});
    *jetType = d.jetType;
    const Cell& c = p.value;
    switch (p.type) {
    case ColumnType::Text:
    case ColumnType::Memo:
        if (c.kind != Cell::Kind::Text)
            mismatch("properties of", block, d);
        return encodeName(jet4, c.textValue);
    case ColumnType::Binary:
    case ColumnType::OleObject:
        if (c.kind != Cell::Kind::Bytes)
            mismatch("properties of", block, d);
        return c.bytesValue;
    case ColumnType::YesNo:
        if (c.kind != Cell::Kind::YesNo && c.kind != Cell::Kind::Integer)
            mismatch("properties of", block, d);
        return {std::uint8_t(c.integerValue != 0 ? 1 : 0)};
    default: {
        std::vector<std::uint8_t> out(std::size_t(d.size), 0);
        encodeFixed("properties of", block, d, c, out.data());
        return out;
    }
    }
}

void append32(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    append16(v, x & 0xffff);
    append16(v, x >> 16);
}

}  // namespace

std::vector<std::uint8_t> propertyBlock(Format format, const std::vector<PropertyBlock>& blocks)
{
    const bool jet4 = format != Format::Jet3;
    // The name pool holds each property name once, in order of first use.
    std::vector<std::string> names;
    auto nameIndex = [&](const std::string& name) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name)
                return i;
        names.push_back(name);
        return names.size() - 1;
    };
    std::vector<std::uint8_t> chunks;
    for (const PropertyBlock& b : blocks) {
        const std::vector<std::uint8_t> blockName = encodeName(jet4, b.column);
        std::vector<std::uint8_t> body;
        append32(body, std::uint32_t(6 + blockName.size()));
        append16(body, std::uint32_t(blockName.size()));
        body.insert(body.end(), blockName.begin(), blockName.end());
        for (const Property& p : b.properties) {
            std::uint8_t type = 0;
            const std::vector<std::uint8_t> value = propertyValue(jet4, b.column.empty() ? "the object" : b.column, p, &type);
            if (value.size() > 0xffff - 8)
                throw Error("property " + p.name + " too long");
            append16(body, std::uint32_t(8 + value.size()));
            body.push_back(p.ddl ? 1 : 0);
            body.push_back(type);
            append16(body, std::uint32_t(nameIndex(p.name)));
            append16(body, std::uint32_t(value.size()));
            body.insert(body.end(), value.begin(), value.end());
        }
        append32(chunks, std::uint32_t(6 + body.size()));
        append16(chunks, b.column.empty() ? 0x00 : 0x01);  // the object itself, or a column
        chunks.insert(chunks.end(), body.begin(), body.end());
    }
    std::vector<std::uint8_t> pool;
    for (const std::string& n : names) {
        const std::vector<std::uint8_t> encoded = encodeName(jet4, n);
        append16(pool, std::uint32_t(encoded.size()));
        pool.insert(pool.end(), encoded.begin(), encoded.end());
    }
    std::vector<std::uint8_t> out{std::uint8_t(jet4 ? 'M' : 'K'), std::uint8_t(jet4 ? 'R' : 'K'), std::uint8_t(jet4 ? '2' : 'D'), 0};
    append32(out, std::uint32_t(6 + pool.size()));
    append16(out, 0x80);
    out.insert(out.end(), pool.begin(), pool.end());
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

double dayCount(int year, int month, int day, int hour, int minute, int second)
{
    // Days from 1970-01-01 in the proleptic Gregorian calendar.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = (long long)era * 146097 + doe - 719468;
    const long long jetDay = days + 25569;  // 30.12.1899 is day 0
    const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before day 0 the fraction counts away from zero, as in OLE dates.
    return jetDay < 0 ? double(jetDay) - fraction : double(jetDay) + fraction;
}

struct Database::Impl {
    std::string path;
    Format format;
    bool jet4;
    int pgSize;
    int hdr;            // data page header size
    int rowCountOffset;
    int fd = -1;
    std::uint32_t nextPage = 0;
    std::vector<std::unique_ptr<Table>> tables;  // [0] is MSysObjects
    std::vector<CatalogItem> catalog;
    PageBuf lval;
    std::vector<std::uint8_t> row;   // scratch
    std::vector<std::uint8_t> value; // scratch
    bool finished = false;
    std::uint32_t nextQueryId = 0x00F00000;

    Impl(const std::string& p, Format f)
        : path(p), format(f), jet4(f != Format::Jet3), pgSize(jet4 ? 4096 : 2048), hdr(jet4 ? 14 : 10),
          rowCountOffset(jet4 ? 12 : 8)
    {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            throw Error("cannot create " + path + ": " + std::strerror(errno));
        nextPage = 3;  // 0 header, 1 usage maps, 2 MSysObjects definition
        auto sys = std::make_unique<Table>();
        sys->name = "MSysObjects";
        sys->system = true;
        sys->tdefPage = 2;
        defineColumns(*sys, {{"Id", ColumnType::Long}, {"ParentId", ColumnType::Long}, {"Name", ColumnType::Text, 128},
                             {"Type", ColumnType::Integer}, {"Flags", ColumnType::Long}, {"DateCreate", ColumnType::DateTime},
                             {"DateUpdate", ColumnType::DateTime}, {"Connect", ColumnType::Memo}, {"Database", ColumnType::Memo},
                             {"ForeignName", ColumnType::Text, 128}, {"LvProp", ColumnType::OleObject},
                             {"LvExtra", ColumnType::OleObject}});
        tables.push_back(std::move(sys));
        catalog.push_back({"MSysObjects", 1, 2, 0x80000002u, {}});
    }

    ~Impl()
    {
        if (fd >= 0)
            ::close(fd);
    }

    std::uint32_t reserve() { return nextPage++; }

    void writePage(std::uint32_t number, const std::uint8_t* data)
    {
        const off_t at = off_t(number) * pgSize;
        std::size_t done = 0;
        while (done < std::size_t(pgSize)) {
            const ssize_t n = ::pwrite(fd, data + done, std::size_t(pgSize) - done, at + off_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw Error("cannot write " + path + ": " + std::strerror(errno));
            done += std::size_t(n);
        }
    }

    void startPage(PageBuf& p, const std::uint8_t* owner)
    {
        p.number = reserve();
        p.bytes.assign(std::size_t(pgSize), 0);
        p.bytes[0] = 0x01;
        p.bytes[1] = 0x01;
        std::memcpy(p.bytes.data() + 4, owner, 4);
        p.rows = 0;
        p.freeEnd = pgSize;
        p.open = true;
        put16(p.bytes.data() + 2, std::uint32_t(pgSize - hdr));
    }

    void startPage(PageBuf& p, std::uint32_t tdef)
    {
        std::uint8_t owner[4];
        put32(owner, tdef);
        startPage(p, owner);
    }

    int maxRowSize() const { return pgSize - hdr - 2; }

    // Places a row on the page; -1 when it does not fit. flags go into its
    // entry of the row-offset table.
    int place(PageBuf& p, const std::uint8_t* data, std::size_t length, std::uint16_t flags = 0)
    {
        if (p.rows >= 255 || p.freeEnd - int(length) < hdr + 2 * (p.rows + 1))
            return -1;
        const int start = p.freeEnd - int(length);
        if (length > 0)
            std::memcpy(p.bytes.data() + start, data, length);
        put16(p.bytes.data() + hdr + 2 * p.rows, std::uint32_t(start) | flags);
        ++p.rows;
        put16(p.bytes.data() + rowCountOffset, std::uint32_t(p.rows));
        p.freeEnd = start;
        put16(p.bytes.data() + 2, std::uint32_t(p.freeEnd - (hdr + 2 * p.rows)));
        return p.rows - 1;
    }

    void flush(PageBuf& p)
    {
        if (p.open)
            writePage(p.number, p.bytes.data());
        p.open = false;
    }

    void defineColumns(Table& t, const std::vector<Column>& columns)
    {
        if (columns.empty() || columns.size() > 255)
            throw Error("table " + t.name + ": between 1 and 255 columns");
        for (const Column& c : columns)
            appendColumn(jet4, t, c);
    }

    // Text in the file's form: Jet 4 as UTF-16, compressed to one byte per
    // character where every character allows it; Jet 3 in Windows-1252.
    void encodeText(const std::string& utf8, bool memo, std::vector<std::uint8_t>& out, int* characters)
    {
        out.clear();
        bool ascii = true;
        for (char ch : utf8)
            if (std::uint8_t(ch) >= 0x80 || ch == 0) {
                ascii = false;
                break;
            }
        if (ascii) {
            *characters = int(utf8.size());
            if (jet4 && !utf8.empty() && (!memo || utf8.size() <= 1024)) {
                out.reserve(utf8.size() + 2);
                out.push_back(0xFF);
                out.push_back(0xFE);
            } else if (jet4) {
                out.reserve(utf8.size() * 2);
                for (char ch : utf8) {
                    out.push_back(std::uint8_t(ch));
                    out.push_back(0);
                }
                return;
            }
            out.insert(out.end(), utf8.begin(), utf8.end());
            return;
        }
        const QString s = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        *characters = int(s.size());
        if (!jet4) {
            toWindows1252(s, out);
            return;
        }
        bool compressible = !memo || s.size() <= 1024;
        for (QChar c : s)
            if (c.unicode() == 0 || c.unicode() > 0xFF) {
                compressible = false;
                break;
            }
        if (compressible) {
            out.push_back(0xFF);
            out.push_back(0xFE);
            for (QChar c : s)
                out.push_back(std::uint8_t(c.unicode()));
        } else {
            for (QChar c : s) {
                out.push_back(std::uint8_t(c.unicode()));
                out.push_back(std::uint8_t(c.unicode() >> 8));
            }
        }
    }

    // A long value: inline, one long-value row, or a chain of pages.
    void writeLong(const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out)
    {
        const std::size_t length = data.size();
        if (length >= 0x3FFFFFFF)
            throw Error("long value too long");
        std::uint8_t head[12] = {};
        if (length <= InlineLimit) {
            put32(head, std::uint32_t(length) | 0x80000000u);
            out.insert(out.end(), head, head + 12);
            out.insert(out.end(), data.begin(), data.end());
            return;
        }
        static const std::uint8_t lvalOwner[4] = {'L', 'V', 'A', 'L'};
        if (int(length) <= maxRowSize()) {
            if (!lval.open)
                startPage(lval, lvalOwner);
            int r = place(lval, data.data(), length);
            if (r < 0) {
                flush(lval);
                startPage(lval, lvalOwner);
                r = place(lval, data.data(), length);
            }
            put32(head, std::uint32_t(length) | 0x40000000u);
            put32(head + 4, (lval.number << 8) | std::uint32_t(r));
        } else {
            const std::size_t chunk = std::size_t(maxRowSize() - 4);
            const std::size_t pieces = (length + chunk - 1) / chunk;
            PageBuf page;
            std::vector<std::uint8_t> piece;
            std::uint32_t first = 0;
            for (std::size_t k = 0; k < pieces; ++k) {
                startPage(page, lvalOwner);
                if (k == 0)
                    first = page.number;
                const std::size_t from = k * chunk;
                const std::size_t n = std::min(chunk, length - from);
                piece.assign(4, 0);
                // The next piece lands on the page reserved right after this one.
                if (k + 1 < pieces)
                    put32(piece.data(), (page.number + 1) << 8);
                piece.insert(piece.end(), data.begin() + std::ptrdiff_t(from), data.begin() + std::ptrdiff_t(from + n));
                place(page, piece.data(), piece.size());
                flush(page);
            }
            put32(head, std::uint32_t(length));
            put32(head + 4, first << 8);
        }
        out.insert(out.end(), head, head + 12);
    }

    // A calculated column's result: 20 bytes with its length at 16, the value
    // as its type stores it, 3 bytes.
    void encodeCalculated(const Table& t, const ColDef& d, const Cell& c, std::vector<std::uint8_t>& out)
    {
        std::vector<std::uint8_t> v;
        if (d.type == ColumnType::Text) {
            ColDef plain = d;
            plain.calculated = false;
            encodeVar(t, plain, c, v);
        } else if (d.type == ColumnType::YesNo) {
            if (c.kind != Cell::Kind::YesNo && c.kind != Cell::Kind::Integer)
                mismatch("table", t.name, d);
            v.push_back(c.integerValue != 0 ? 0xff : 0x00);
        } else {
            const Table none;
            v.assign(std::size_t(columnDef(jet4, none, {d.name, d.type}).size), 0);
            encodeFixed("table", t.name, d, c, v.data());
        }
        const std::size_t at = out.size();
        out.resize(at + 20, 0);
        put32(out.data() + at + 16, std::uint32_t(v.size()));
        out.insert(out.end(), v.begin(), v.end());
        out.insert(out.end(), 3, 0);
    }

    void encodeVar(const Table& t, const ColDef& d, const Cell& c, std::vector<std::uint8_t>& out)
    {
        if (d.calculated) {
            encodeCalculated(t, d, c, out);
            return;
        }
        int characters = 0;
        switch (d.type) {
        case ColumnType::Text:
            if (c.kind != Cell::Kind::Text)
                mismatch("table", t.name, d);
            encodeText(c.textValue, false, value, &characters);
            if (characters > d.length)
                throw Error("table " + t.name + ", column " + d.name + ": text longer than " + std::to_string(d.length)
                            + " characters");
            out.insert(out.end(), value.begin(), value.end());
            break;
        case ColumnType::Binary:
            if (c.kind != Cell::Kind::Bytes || int(c.bytesValue.size()) > d.length)
                mismatch("table", t.name, d);
            out.insert(out.end(), c.bytesValue.begin(), c.bytesValue.end());
            break;
        case ColumnType::Memo: {
            if (c.kind != Cell::Kind::Text)
                mismatch("table", t.name, d);
            std::vector<std::uint8_t> text;
            encodeText(c.textValue, true, text, &characters);
            writeLong(text, out);
            break;
        }
        case ColumnType::OleObject:
            if (c.kind != Cell::Kind::Bytes)
                mismatch("table", t.name, d);
            writeLong(c.bytesValue, out);
            break;
        default:
            break;
        }
    }

    // The row in the file's form into out. A deleted column keeps its place
    // in the row and is Null; cells has one value per live column.
    void buildRow(Table& t, const std::vector<Cell>& cells, std::vector<std::uint8_t>& out)
    {
        const std::size_t live = t.liveColumns();
        if (cells.size() != live)
            throw Error("table " + t.name + ": " + std::to_string(cells.size()) + " values for "
                        + std::to_string(live) + " columns");
        static const Cell null;
        const int countSize = jet4 ? 2 : 1;
        const std::size_t columns = t.cols.size();
        std::uint8_t nullMask[32] = {};
        out.assign(std::size_t(countSize + t.fixedSize), 0);
        if (jet4)
            put16(out.data(), std::uint32_t(columns));
        else
            out[0] = std::uint8_t(columns);
        auto setBit = [&](std::size_t col) { nullMask[col / 8] |= std::uint8_t(1u << (col % 8)); };
        auto cellOf = [&](std::size_t& k, const ColDef& d) -> const Cell& { return d.deleted ? null : cells[k++]; };
        std::size_t k = 0;
        for (std::size_t i = 0; i < columns; ++i) {
            const ColDef& d = t.cols[i];
            const Cell& c = cellOf(k, d);
            if (d.type == ColumnType::YesNo && !d.calculated) {
                // The value lives in the null mask; a Yes/No field is never Null.
                if (c.kind == Cell::Kind::Null)
                    continue;
                if (c.kind != Cell::Kind::YesNo && c.kind != Cell::Kind::Integer)
                    mismatch("table", t.name, d);
                if (c.integerValue != 0)
                    setBit(i);
            } else if (d.fixed && c.kind != Cell::Kind::Null) {
                encodeFixed("table", t.name, d, c, out.data() + countSize + d.fixedOffset);
                setBit(i);
            }
        }
        std::vector<std::uint32_t> offsets(std::size_t(t.numVar) + 1, 0);
        k = 0;
        for (std::size_t i = 0; i < columns; ++i) {
            const ColDef& d = t.cols[i];
            const Cell& c = cellOf(k, d);
            if (d.fixed)
                continue;
            offsets[std::size_t(d.varIndex)] = std::uint32_t(out.size());
            if (c.kind != Cell::Kind::Null) {
                encodeVar(t, d, c, out);
                setBit(i);
            }
        }
        const std::size_t eod = out.size();
        offsets[std::size_t(t.numVar)] = std::uint32_t(eod);
        const std::size_t maskSize = (columns + 7) / 8;
        if (t.numVar > 0) {
            if (jet4) {
                for (int v = t.numVar; v >= 0; --v)
                    append16(out, offsets[std::size_t(v)]);
                append16(out, std::uint32_t(t.numVar));
            } else {
                appendJet3Offsets(t, offsets, eod, maskSize, out);
            }
        }
        out.insert(out.end(), nullMask, nullMask + maskSize);
        if (int(out.size()) > maxRowSize())
            throw Error("table " + t.name + ": row of " + std::to_string(out.size()) + " bytes does not fit a page");
    }

    // Jet 3 keeps one byte per offset; a jump table says where the offsets
    // pass each multiple of 256. Its length follows from the row length, so
    // a dummy entry may be needed.
    void appendJet3Offsets(const Table& t, const std::vector<std::uint32_t>& offsets, std::size_t eod, std::size_t maskSize,
                           std::vector<std::uint8_t>& out)
    {
        const std::size_t realJumps = eod / 256;
        const std::size_t fixedPart = eod + std::size_t(t.numVar) + 1 + 1 + maskSize;  // without jumps
        std::size_t jumps = realJumps;
        if ((fixedPart + jumps - 1) / 256 != jumps) {
            jumps = realJumps + 1;
            if ((fixedPart + jumps - 1) / 256 != jumps)
                throw Error("table " + t.name + ": row layout not representable in Jet 3");
        }
        for (int v = t.numVar; v >= 0; --v)
            out.push_back(std::uint8_t(offsets[std::size_t(v)] & 0xff));
        std::vector<std::uint8_t> jumpTable(jumps, 0xff);
        for (std::size_t j = 0; j < realJumps; ++j) {
            std::size_t i = 0;
            while (offsets[i] < 256 * (j + 1))
                ++i;
            jumpTable[j] = std::uint8_t(i);
        }
        // Entry 0 sits next to the variable column count.
        for (std::size_t j = jumps; j-- > 0;)
            out.push_back(jumpTable[j]);
        out.push_back(std::uint8_t(t.numVar));
    }

    // Puts a row (or a pointer) on the table's current page, starting the
    // next page when it is full; returns the row's byte offset on the page.
    int placeRow(Table& t, const std::vector<std::uint8_t>& data, std::uint16_t flags)
    {
        if (!t.current.open || place(t.current, data.data(), data.size(), flags) < 0) {
            nextDataPage(t);
            place(t.current, data.data(), data.size(), flags);
        }
        return t.current.freeEnd;
    }

    // Starts the table's next data page. The data of rows moved from the
    // page just filled goes first onto the new one (flagged like deleted
    // rows), and their pointers are set before the old page is written.
    void nextDataPage(Table& t)
    {
        PageBuf old = std::move(t.current);
        t.current = PageBuf();
        startPage(t.current, t.tdefPage);
        t.dataPages.push_back(t.current.number);
        for (const Table::Moved& m : t.moved) {
            const std::uint16_t flags = m.deleted ? SlotDeleted | SlotPointer : SlotDeleted;
            int r = place(t.current, m.data.data(), m.data.size(), flags);
            if (r < 0) {
                flush(t.current);
                startPage(t.current, t.tdefPage);
                t.dataPages.push_back(t.current.number);
                r = place(t.current, m.data.data(), m.data.size(), flags);
            }
            put32(old.bytes.data() + m.pointerAt, (t.current.number << 8) | std::uint32_t(r));
        }
        t.moved.clear();
        flush(old);
    }

    void addRow(Table& t, const std::vector<Cell>& cells, RowState state = RowState::Live,
                const std::vector<Cell>& earlier = {})
    {
        buildRow(t, cells, row);
        switch (state) {
        case RowState::Live:
            placeRow(t, row, 0);
            ++t.rowCount;
            break;
        case RowState::Deleted:
            placeRow(t, row, SlotDeleted | SlotPointer);
            break;
        case RowState::DeletedReclaimed:
            placeRow(t, {}, SlotDeleted | SlotPointer);
            break;
        case RowState::Moved:
        case RowState::DeletedMoved: {
            const bool deleted = state == RowState::DeletedMoved;
            std::vector<std::uint8_t> slot(4, 0);
            if (!earlier.empty()) {
                std::vector<std::uint8_t> data = std::move(row);
                buildRow(t, earlier, slot);
                row = std::move(data);
                if (slot.size() < 4)
                    slot.resize(4);
            }
            const int at = placeRow(t, slot, deleted ? SlotDeleted | SlotPointer : SlotPointer);
            t.moved.push_back({row, at, deleted});
            if (!deleted)
                ++t.rowCount;
            break;
        }
        }
    }

    // Writes what is left of a table's rows.
    void closeTable(Table& t)
    {
        if (!t.moved.empty())
            nextDataPage(t);
        flush(t.current);
    }

    // Usage map of a table's data pages: a bitmap in the row itself when the
    // pages lie close together, else a list of bitmap pages.
    std::vector<std::uint8_t> usageMap(const Table& t)
    {
        std::vector<std::uint8_t> map;
        if (t.dataPages.empty()) {
            map.assign(5, 0);
            return map;
        }
        const std::uint32_t first = *std::min_element(t.dataPages.begin(), t.dataPages.end());
        const std::uint32_t last = *std::max_element(t.dataPages.begin(), t.dataPages.end());
        if ((last - first) / 8 + 1 + 5 <= 256) {
            map.assign(5 + (last - first) / 8 + 1, 0);
            put32(map.data() + 1, first);
            for (std::uint32_t p : t.dataPages)
                map[5 + (p - first) / 8] |= std::uint8_t(1u << ((p - first) % 8));
            return map;
        }
        const std::uint32_t bits = std::uint32_t(pgSize - 4) * 8;
        const std::uint32_t entries = last / bits + 1;
        map.assign(1 + 4 * std::size_t(entries), 0);
        map[0] = 0x01;
        for (std::uint32_t e = 0; e < entries; ++e) {
            std::vector<std::uint8_t> page(std::size_t(pgSize), 0);
            bool any = false;
            for (std::uint32_t p : t.dataPages)
                if (p / bits == e) {
                    const std::uint32_t b = p % bits;
                    page[4 + b / 8] |= std::uint8_t(1u << (b % 8));
                    any = true;
                }
            if (!any)
                continue;
            page[0] = 0x05;
            page[1] = 0x01;
            const std::uint32_t number = reserve();
            writePage(number, page.data());
            put32(map.data() + 1 + 4 * e, number);
        }
        return map;
    }

    void writeDefinition(const Table& t, std::uint32_t usedRow, std::uint32_t freeRow)
    {
        std::vector<std::uint8_t> d(std::size_t(jet4 ? 63 : 43), 0);
        d[0] = 0x02;
        d[1] = 0x01;
        if (!jet4) {
            d[2] = 'V';
            d[3] = 'C';
        }
        const int base = jet4 ? 8 : 8;
        const int rowsAt = jet4 ? 16 : 12;
        const int typeAt = jet4 ? 40 : 20;
        put32(d.data() + rowsAt, t.rowCount);
        d[std::size_t(typeAt)] = t.system ? 0x53 : 0x4e;
        // Deleted columns still count for the columns a row may have.
        std::vector<std::size_t> live;
        for (std::size_t i = 0; i < t.cols.size(); ++i)
            if (!t.cols[i].deleted)
                live.push_back(i);
        const auto liveVar = std::count_if(live.begin(), live.end(), [&](std::size_t i) { return !t.cols[i].fixed; });
        put16(d.data() + typeAt + 1, std::uint32_t(t.cols.size()));
        put16(d.data() + typeAt + 3, std::uint32_t(liveVar));
        put16(d.data() + typeAt + 5, std::uint32_t(live.size()));
        // no indexes: both index counts stay 0
        put32(d.data() + typeAt + 15, usedRow);
        put32(d.data() + typeAt + 19, freeRow);
        // The column number (its null-mask bit) counts deleted columns, the
        // second number only the columns of the definition.
        for (std::size_t n = 0; n < live.size(); ++n) {
            const std::size_t i = live[n];
            const ColDef& c = t.cols[i];
            const bool text = c.type == ColumnType::Text || c.type == ColumnType::Memo;
            std::uint8_t e[25] = {};
            std::uint8_t flags = 0x02;  // may be Null
            if (c.fixed)
                flags |= 0x01;
            if (jet4) {
                e[0] = c.jetType;
                put16(e + 5, std::uint32_t(i));
                put16(e + 7, std::uint32_t(c.fixed ? i : std::size_t(c.varIndex)));
                put16(e + 9, std::uint32_t(n));
                if (text)
                    put16(e + 11, 0x409);
                e[15] = flags;
                e[16] = c.calculated ? 0xc0 : text ? 0x01 : 0x00;  // calculated; compressed Unicode allowed
                put16(e + 21, std::uint32_t(c.fixedOffset));
                put16(e + 23, std::uint32_t(c.storedLength));
                d.insert(d.end(), e, e + 25);
            } else {
                e[0] = c.jetType;
                put16(e + 1, std::uint32_t(i));
                put16(e + 3, std::uint32_t(c.fixed ? i : std::size_t(c.varIndex)));
                put16(e + 5, std::uint32_t(n));
                if (text) {
                    put16(e + 7, 0x409);
                    put16(e + 9, 1252);
                }
                e[13] = flags;
                put16(e + 14, std::uint32_t(c.fixedOffset));
                put16(e + 16, std::uint32_t(c.storedLength));
                d.insert(d.end(), e, e + 18);
            }
        }
        for (std::size_t i : live) {
            const ColDef& c = t.cols[i];
            const std::vector<std::uint8_t> name = encodeName(jet4, c.name);
            if (jet4) {
                append16(d, std::uint32_t(name.size()));
            } else {
                if (name.size() > 255)
                    throw Error("column name too long: " + c.name);
                d.push_back(std::uint8_t(name.size()));
            }
            d.insert(d.end(), name.begin(), name.end());
        }
        // Readers step to the next page when a field ends on the boundary.
        d.push_back(0);
        d.push_back(0);
        put32(d.data() + base, std::uint32_t(d.size()));

        // Split over the definition page and continuation pages.
        std::vector<std::uint32_t> pages{t.tdefPage};
        const std::size_t perPage = std::size_t(pgSize - 8);
        std::size_t rest = d.size() > std::size_t(pgSize) ? d.size() - std::size_t(pgSize) : 0;
        while (rest > 0) {
            pages.push_back(reserve());
            rest = rest > perPage ? rest - perPage : 0;
        }
        std::size_t from = 0;
        for (std::size_t k = 0; k < pages.size(); ++k) {
            std::vector<std::uint8_t> page(std::size_t(pgSize), 0);
            std::size_t start = 0;
            if (k > 0) {
                page[0] = 0x02;
                page[1] = 0x01;
                if (!jet4) {
                    page[2] = 'V';
                    page[3] = 'C';
                }
                start = 8;
            }
            const std::size_t n = std::min(std::size_t(pgSize) - start, d.size() - from);
            std::memcpy(page.data() + start, d.data() + from, n);
            from += n;
            put32(page.data() + 4, k + 1 < pages.size() ? pages[k + 1] : 0);
            if (jet4)
                put16(page.data() + 2, std::uint32_t(std::max<int>(0, pgSize - int(start + n) - 8)));
            writePage(pages[k], page.data());
        }
    }

    void writeHeader()
    {
        std::vector<std::uint8_t> page(std::size_t(pgSize), 0);
        page[1] = 0x01;
        std::memcpy(page.data() + 4, format == Format::Ace12 ? "Standard ACE DB" : "Standard Jet DB", 15);
        page[0x14] = format == Format::Ace12 ? 0x02 : jet4 ? 0x01 : 0x00;
        put16(page.data() + (jet4 ? 0x6e : 0x3a), 0x409);  // sort order: general
        put16(page.data() + 0x3c, 1252);                    // code page
        // database key 0: pages are not encrypted
        static const std::uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
        rc4(key, 4, page.data() + 0x18, jet4 ? 128 : 126);
        writePage(0, page.data());
    }

    void finish()
    {
        for (auto& t : tables)
            closeTable(*t);
        flush(lval);

        Table& sys = *tables[0];
        for (const CatalogItem& item : catalog)
            addRow(sys, {Cell::integer(item.id), Cell::integer(0), Cell::text(item.name), Cell::integer(item.type),
                         Cell::integer(std::int64_t(std::int32_t(item.flags))), Cell::date(46000.5), Cell::date(46000.5),
                         Cell::null(), Cell::null(), Cell::null(),
                         item.properties.empty() ? Cell::null() : Cell::bytes(item.properties), Cell::null()});
        closeTable(sys);
        flush(lval);

        PageBuf maps;
        maps.number = 1;
        maps.bytes.assign(std::size_t(pgSize), 0);
        maps.bytes[0] = 0x01;
        maps.bytes[1] = 0x01;
        maps.freeEnd = pgSize;
        maps.open = true;
        auto placeMap = [&](const std::vector<std::uint8_t>& map) {
            int r = place(maps, map.data(), map.size());
            if (r < 0) {
                flush(maps);
                startPage(maps, 0u);
                r = place(maps, map.data(), map.size());
            }
            return (maps.number << 8) | std::uint32_t(r);
        };
        const std::vector<std::uint8_t> empty(5, 0);
        for (auto& t : tables) {
            const std::uint32_t used = placeMap(usageMap(*t));
            const std::uint32_t free = placeMap(empty);
            writeDefinition(*t, used, free);
        }
        flush(maps);
        writeHeader();
        if (::ftruncate(fd, off_t(nextPage) * pgSize) != 0 || ::fsync(fd) != 0 || ::close(fd) != 0) {
            fd = -1;
            throw Error("cannot finish " + path + ": " + std::strerror(errno));
        }
        fd = -1;
        finished = true;
    }

    bool sameName(const std::string& a, const std::string& b) const
    {
        return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
    }

    void checkName(const std::string& name)
    {
        if (name.empty() || name.size() > 255)
            throw Error("object name empty or too long");
        for (const CatalogItem& item : catalog)
            if (sameName(item.name, name))
                throw Error("object " + name + " twice");
    }

    Table& userTable(int table)
    {
        if (finished)
            throw Error("database already finished");
        if (table <= 0 || table >= int(tables.size()))
            throw Error("unknown table");
        return *tables[std::size_t(table)];
    }

    void deleteColumn(Table& t, const std::string& column)
    {
        for (ColDef& c : t.cols)
            if (!c.deleted && sameName(c.name, column)) {
                if (t.liveColumns() == 1)
                    throw Error("table " + t.name + ": the last column cannot be deleted");
                c.deleted = true;
                return;
            }
        throw Error("table " + t.name + ": no column " + column);
    }

    void setProperties(const std::string& object, const std::vector<PropertyBlock>& blocks)
    {
        if (finished)
            throw Error("database already finished");
        for (CatalogItem& item : catalog)
            if (sameName(item.name, object)) {
                item.properties = propertyBlock(format, blocks);
                return;
            }
        throw Error("no object " + object);
    }

    int addTable(const std::string& name, const std::vector<Column>& columns, bool system)
    {
        if (finished)
            throw Error("database already finished");
        checkName(name);
        auto t = std::make_unique<Table>();
        t->name = name;
        t->system = system;
        t->tdefPage = reserve();
        defineColumns(*t, columns);
        catalog.push_back({name, 1, t->tdefPage, system ? 0x80000002u : 0u, {}});
        tables.push_back(std::move(t));
        return int(tables.size()) - 1;
    }
};

Database::Database(const std::string& path, Format format) : impl_(std::make_unique<Impl>(path, format)) {}

Database::~Database() = default;

int Database::addTable(const std::string& name, const std::vector<Column>& columns)
{
    return impl_->addTable(name, columns, false);
}

int Database::addSystemTable(const std::string& name, const std::vector<Column>& columns)
{
    return impl_->addTable(name, columns, true);
}

std::uint32_t Database::tableId(int table) const
{
    if (table < 0 || std::size_t(table) >= impl_->tables.size())
        throw Error("no table " + std::to_string(table));
    return impl_->tables[std::size_t(table)]->tdefPage;
}

void Database::addQuery(const std::string& name)
{
    if (impl_->finished)
        throw Error("database already finished");
    impl_->checkName(name);
    impl_->catalog.push_back({name, 5, impl_->nextQueryId++, 0, {}});
}

void Database::addRow(int table, const std::vector<Cell>& cells)
{
    impl_->addRow(impl_->userTable(table), cells);
}

void Database::addRow(int table, const std::vector<Cell>& cells, RowState state, const std::vector<Cell>& earlier)
{
    impl_->addRow(impl_->userTable(table), cells, state, earlier);
}

void Database::deleteColumn(int table, const std::string& column)
{
    impl_->deleteColumn(impl_->userTable(table), column);
}

void Database::addColumn(int table, const Column& column)
{
    appendColumn(impl_->jet4, impl_->userTable(table), column);
}

void Database::setProperties(const std::string& object, const std::vector<PropertyBlock>& blocks)
{
    impl_->setProperties(object, blocks);
}

void Database::finish()
{
    if (impl_->finished)
        throw Error("database already finished");
    impl_->finish();
}

}  // namespace mdbwriter
