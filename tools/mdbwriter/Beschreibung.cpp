#include "Beschreibung.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

namespace mdbwriter {

namespace {

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> parts;
    std::string::size_type from = 0;
    while (true) {
        const auto tab = line.find('\t', from);
        parts.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos)
            return parts;
        from = tab + 1;
    }
}

std::string unescape(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::vector<std::uint8_t> hexBytes(const std::string& s)
{
    std::vector<std::uint8_t> out;
    int high = -1;
    for (char c : s) {
        if (c == '-' || c == '{' || c == '}' || c == ' ')
            continue;
        const int d = hexDigit(c);
        if (d < 0)
            throw Error("not a hex digit: " + std::string(1, c));
        if (high < 0) {
            high = d;
        } else {
            out.push_back(std::uint8_t(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0)
        throw Error("odd number of hex digits");
    return out;
}

double parseNumber(std::string s)
{
    for (char& c : s)
        if (c == ',')
            c = '.';
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != 0)
        throw Error("not a number: " + s);
    return v;
}

std::int64_t parseWhole(const std::string& s)
{
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (s.empty() || *end != 0 || errno != 0)
        throw Error("not a whole number: " + s);
    return v;
}

// Currency exactly: digits before and up to four after the separator.
std::int64_t parseCurrency(const std::string& s)
{
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative)
        i = 1;
    std::int64_t whole = 0, fraction = 0;
    int fractionDigits = -1;
    bool digits = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if ((c == ',' || c == '.') && fractionDigits < 0) {
            fractionDigits = 0;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (fractionDigits < 0) {
                if (whole > 922337203685477LL)
                    throw Error("currency out of range: " + s);
                whole = whole * 10 + (c - '0');
            } else if (++fractionDigits <= 4) {
                fraction = fraction * 10 + (c - '0');
            } else {
                throw Error("currency with more than four decimals: " + s);
            }
        } else {
            throw Error("not an amount: " + s);
        }
    }
    if (!digits)
        throw Error("not an amount: " + s);
    for (int k = std::max(fractionDigits, 0); k < 4; ++k)
        fraction *= 10;
    const std::int64_t v = whole * 10000 + fraction;
    return negative ? -v : v;
}

double parseDate(const std::string& s)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    const int n = std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &se);
    if (n != 3 && n != 5 && n != 6)
        throw Error("not a date (YYYY-MM-DD HH:MM:SS): " + s);
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || se < 0 || se > 59)
        throw Error("date out of range: " + s);
    return dayCount(y, mo, d, h, mi, se);
}

const std::map<std::string, ColumnType>& typeNames()
{
    static const std::map<std::string, ColumnType> names = {
        {"janein", ColumnType::YesNo}, {"byte", ColumnType::Byte}, {"integer", ColumnType::Integer},
        {"long", ColumnType::Long}, {"waehrung", ColumnType::Currency}, {"single", ColumnType::Single},
        {"double", ColumnType::Double}, {"datum", ColumnType::DateTime}, {"text", ColumnType::Text},
        {"memo", ColumnType::Memo}, {"ole", ColumnType::OleObject}, {"binaer", ColumnType::Binary},
        {"guid", ColumnType::Guid}};
    return names;
}

Cell parseCell(const std::string& raw, ColumnType type)
{
    if (raw == "\\N")
        return Cell::null();
    const std::string s = unescape(raw);
    switch (type) {
    case ColumnType::YesNo:
        if (s == "wahr" || s == "1")
            return Cell::yesNo(true);
        if (s == "falsch" || s == "0")
            return Cell::yesNo(false);
        throw Error("not a Yes/No value: " + s);
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::LargeNumber:
    case ColumnType::DateTimeExtended:
    case ColumnType::Complex: return Cell::integer(parseWhole(s));
    case ColumnType::Currency: return Cell::currency(parseCurrency(s));
    case ColumnType::Single:
    case ColumnType::Double: return Cell::real(parseNumber(s));
    case ColumnType::DateTime: return Cell::date(parseDate(s));
    case ColumnType::Text:
    case ColumnType::Memo: return Cell::text(s);
    case ColumnType::OleObject:
    case ColumnType::Binary: return Cell::bytes(hexBytes(s));
    case ColumnType::Guid: {
        const auto b = hexBytes(s);
        if (b.size() != 16)
            throw Error("a GUID has 32 hex digits: " + s);
        // Written form {8-4-4-4-12}; stored with the first three groups little-endian.
        std::array<std::uint8_t, 16> g{};
        const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
        for (int i = 0; i < 16; ++i)
            g[std::size_t(i)] = b[std::size_t(order[i])];
        return Cell::guid(g);
    }
    }
    return Cell::null();
}

}  // namespace

void buildFromDescription(const std::string& description, const std::string& path)
{
    std::istringstream in(description);
    std::string line;
    int number = 0;
    std::unique_ptr<Database> db;
    Format format = Format::Jet4;
    struct Pending {
        std::string name;
        bool system = false;
        std::vector<Column> columns;
        std::vector<std::vector<Cell>> rows;
    };
    std::vector<Pending> tables;
    std::vector<std::pair<std::size_t, std::string>> queries;  // before table index
    try {
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] == '#')
                continue;
            auto parts = splitTabs(line);
            const std::string& word = parts[0];
            if (word == "format" && parts.size() == 2 && (parts[1] == "jet4" || parts[1] == "jet3")) {
                if (!tables.empty() || !queries.empty())
                    throw Error("format must come first");
                format = parts[1] == "jet3" ? Format::Jet3 : Format::Jet4;
            } else if ((word == "tabelle" || word == "systemtabelle") && parts.size() == 2) {
                tables.push_back({parts[1], word == "systemtabelle", {}, {}});
            } else if (word == "spalte" && (parts.size() == 3 || parts.size() == 4) && !tables.empty()) {
                const auto type = typeNames().find(parts[2]);
                if (type == typeNames().end())
                    throw Error("unknown type " + parts[2]);
                if (!tables.back().rows.empty())
                    throw Error("columns must come before the rows");
                tables.back().columns.push_back(
                    {parts[1], type->second, parts.size() == 4 ? int(parseWhole(parts[3])) : 0});
            } else if (word == "zeile" && !tables.empty()) {
                parts.erase(parts.begin());
                if (parts.size() != tables.back().columns.size())
                    throw Error(std::to_string(parts.size()) + " values for " + std::to_string(tables.back().columns.size())
                                + " columns");
                std::vector<Cell> cells;
                for (std::size_t c = 0; c < parts.size(); ++c)
                    cells.push_back(parseCell(parts[c], tables.back().columns[c].type));
                tables.back().rows.push_back(std::move(cells));
            } else if (word == "abfrage" && parts.size() == 2) {
                queries.emplace_back(tables.size(), parts[1]);
            } else {
                throw Error("unknown instruction");
            }
        }
        db = std::make_unique<Database>(path, format);
        std::size_t q = 0;
        for (std::size_t t = 0; t <= tables.size(); ++t) {
            for (; q < queries.size() && queries[q].first == t; ++q)
                db->addQuery(queries[q].second);
            if (t == tables.size())
                break;
            const Pending& p = tables[t];
            const int id = p.system ? db->addSystemTable(p.name, p.columns) : db->addTable(p.name, p.columns);
            for (const auto& r : p.rows)
                db->addRow(id, r);
        }
        db->finish();
    } catch (const Error& e) {
        if (db)
            throw Error(e.what());
        throw Error("line " + std::to_string(number) + ": " + e.what());
    }
}

}  // namespace mdbwriter
