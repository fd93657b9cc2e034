#include "Strukturen.h"

#include <array>

namespace mdbwriter {

namespace {

std::string nr(int i) { return std::to_string(i); }

// The properties Access gives every column of a table, and a description.
PropertyBlock columnProperties(const std::string& column, int k)
{
    return {column,
            {{"ColumnWidth", ColumnType::Integer, Cell::integer(k % 3 == 0 ? -1 : 1200 + k)},
             {"ColumnOrder", ColumnType::Integer, Cell::integer(k)},
             {"ColumnHidden", ColumnType::YesNo, Cell::yesNo(false)},
             {"Required", ColumnType::YesNo, Cell::yesNo(k % 2 == 1), true},
             {"AllowZeroLength", ColumnType::YesNo, Cell::yesNo(true), true},
             {"DisplayControl", ColumnType::Integer, Cell::integer(109), true},
             {"IMEMode", ColumnType::Byte, Cell::integer(0), true},
             {"IMESentenceMode", ColumnType::Byte, Cell::integer(3), true},
             {"UnicodeCompression", ColumnType::YesNo, Cell::yesNo(true), true},
             {"Description", ColumnType::Text, Cell::text("Spalte " + nr(k) + ": Größe in €")}}};
}

}  // namespace

TableContent writeMovedRows(Database& db, const std::string& name, int rows)
{
    TableContent c{name, {{"Nr", ColumnType::Long}, {"Name", ColumnType::Text, 40}, {"Notiz", ColumnType::Memo}}, {}, {}};
    const int t = db.addTable(name, c.columns);
    for (int i = 0; i < rows; ++i) {
        const std::vector<Cell> row{Cell::integer(i), Cell::text("Zeile " + nr(i) + " äöü"),
                                    i % 4 == 0 ? Cell::null()
                                               : Cell::text(i % 50 == 1 ? std::string(3000, char('a' + i % 26)) : "Notiz " + nr(i))};
        RowState state = RowState::Live;
        if (i % 5 == 2)
            state = RowState::Moved;
        else if (i % 7 == 3)
            state = RowState::Deleted;
        else if (i % 7 == 5)
            state = RowState::DeletedReclaimed;
        else if (i % 11 == 6)
            state = RowState::DeletedMoved;
        // Every other moved row keeps its first, shorter version in the slot.
        if (i % 10 == 2)
            db.addRow(t, row, state, {Cell::integer(i), Cell::text("alt"), Cell::null()});
        else
            db.addRow(t, row, state);
        if (state == RowState::Live || state == RowState::Moved) {
            c.rows.push_back(row);
            c.moved.push_back(state == RowState::Moved);
        }
    }
    return c;
}

TableContent writeAllRowsMoved(Database& db, const std::string& name, int rows)
{
    TableContent c{name, {{"Nr", ColumnType::Long}, {"Text", ColumnType::Text, 60}}, {}, {}};
    const int t = db.addTable(name, c.columns);
    for (int i = 0; i < rows; ++i) {
        c.rows.push_back({Cell::integer(i), Cell::text("Verschoben " + nr(i) + std::string(40, '.'))});
        c.moved.push_back(true);
        db.addRow(t, c.rows.back(), RowState::Moved);
    }
    return c;
}

TableContent writeChangedColumns(Database& db, const std::string& name)
{
    const int t = db.addTable(name, {{"A", ColumnType::Long}, {"B", ColumnType::Integer}, {"C", ColumnType::Text, 20},
                                     {"D", ColumnType::Text, 20}, {"M", ColumnType::Memo}, {"E", ColumnType::Long}});
    TableContent c{name, {{"A", ColumnType::Long}, {"D", ColumnType::Text, 20}, {"E", ColumnType::Long},
                          {"F", ColumnType::Text, 20}, {"G", ColumnType::Integer}}, {}, {}};
    auto keep = [&](std::vector<Cell> row) {
        row.resize(c.columns.size());  // columns added later are Null in earlier rows
        c.rows.push_back(std::move(row));
        c.moved.push_back(false);
    };
    for (int i = 0; i < 5; ++i) {
        db.addRow(t, {Cell::integer(i), Cell::integer(100 + i), Cell::text("weg " + nr(i)), Cell::text("D " + nr(i)),
                      Cell::text(std::string(i == 2 ? 5000 : 20, 'm')), Cell::integer(1000 + i)});
        keep({Cell::integer(i), Cell::text("D " + nr(i)), Cell::integer(1000 + i)});
    }
    // A fixed, a variable and a memo column go; the rest keep their places.
    db.deleteColumn(t, "B");
    db.deleteColumn(t, "C");
    db.deleteColumn(t, "M");
    for (int i = 5; i < 10; ++i) {
        const std::vector<Cell> row{Cell::integer(i), i == 7 ? Cell::null() : Cell::text("D " + nr(i)), Cell::integer(1000 + i)};
        db.addRow(t, row);
        keep(row);
    }
    // Eight columns in all, so that every row's null mask covers the new
    // ones: mdbtools reads past a shorter mask.
    db.addColumn(t, {"F", ColumnType::Text, 20});
    db.addColumn(t, {"G", ColumnType::Integer});
    for (int i = 10; i < 15; ++i) {
        const std::vector<Cell> row{Cell::integer(i), Cell::text("D " + nr(i)), Cell::integer(1000 + i), Cell::text("F " + nr(i)),
                                    i == 12 ? Cell::null() : Cell::integer(-i)};
        db.addRow(t, row);
        keep(row);
    }
    return c;
}

std::vector<int> longValueSizes() { return {2, 64, 66, 2036, 2038, 4080, 4082, 9000}; }

int longValueRowLimit(Format format) { return format == Format::Jet4 ? 4096 - 14 - 2 : 2048 - 10 - 2; }

TableContent writeLongValues(Database& db, Format format, const std::string& name)
{
    TableContent c{name, {{"Nr", ColumnType::Long}, {"Memo", ColumnType::Memo}, {"Bild", ColumnType::OleObject}}, {}, {}};
    const int t = db.addTable(name, c.columns);
    int i = 0;
    auto add = [&](Cell memo, Cell ole) {
        c.rows.push_back({Cell::integer(i++), std::move(memo), std::move(ole)});
        c.moved.push_back(false);
        db.addRow(t, c.rows.back());
    };
    add(Cell::null(), Cell::null());
    add(Cell::text(""), Cell::bytes({}));
    for (int size : longValueSizes()) {
        // A '€' keeps Jet 4 from compressing the text: two bytes a
        // character there, one in Jet 3's code page.
        const int characters = format == Format::Jet4 ? size / 2 : size;
        std::string text;
        for (int k = 0; k < characters; ++k)
            text += k % 10 == 0 ? std::string("€") : std::string(1, char('a' + (k + size) % 26));
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        for (int k = 0; k < size; ++k)
            bytes[std::size_t(k)] = std::uint8_t(k * 7 + size);
        add(Cell::text(text), Cell::bytes(bytes));
    }
    return c;
}

std::vector<ObjectProperties> writePropertyTables(Database& db)
{
    std::vector<ObjectProperties> out;

    db.addTable("Klein", {{"Nr", ColumnType::Long}});
    out.push_back({"Klein", {{"", {{"OrderByOn", ColumnType::YesNo, Cell::yesNo(false)}}}}});

    const std::vector<Column> mittel{{"Nr", ColumnType::Long},      {"Name", ColumnType::Text, 40},
                                     {"Ort", ColumnType::Text, 40}, {"Betrag", ColumnType::Currency},
                                     {"Datum", ColumnType::DateTime}, {"Notiz", ColumnType::Memo}};
    db.addTable("Mittel", mittel);
    std::array<std::uint8_t, 16> guid{};
    for (std::size_t k = 0; k < guid.size(); ++k)
        guid[k] = std::uint8_t(0xA0 + k);
    ObjectProperties m{"Mittel",
                       {{"",
                         {{"Description", ColumnType::Text, Cell::text("Kunden aus Köln, Düsseldorf und Münster")},
                          {"DefaultView", ColumnType::Byte, Cell::integer(2)},
                          {"OrderByOn", ColumnType::YesNo, Cell::yesNo(true)},
                          {"RowHeight", ColumnType::Long, Cell::integer(-70000)},
                          {"GUID", ColumnType::Binary, Cell::bytes({guid.begin(), guid.end()}), true}}}}};
    for (std::size_t k = 0; k < mittel.size(); ++k)
        m.blocks.push_back(columnProperties(mittel[k].name, int(k)));
    db.setProperties("Mittel", m.blocks);
    out.push_back(m);

    std::vector<Column> breit;
    for (int k = 0; k < 40; ++k)
        breit.push_back({"Feld " + nr(k), k % 2 ? ColumnType::Text : ColumnType::Long, 30});
    db.addTable("Breit", breit);
    std::vector<std::uint8_t> nameMap(3000);
    for (std::size_t k = 0; k < nameMap.size(); ++k)
        nameMap[k] = std::uint8_t(k * 31);
    ObjectProperties b{"Breit",
                       {{"",
                         {{"Description", ColumnType::Memo, Cell::text(std::string(300, 'x') + " Ende")},
                          {"NameMap", ColumnType::OleObject, Cell::bytes(nameMap)}}}}};
    for (std::size_t k = 0; k < breit.size(); ++k)
        b.blocks.push_back(columnProperties(breit[k].name, int(k)));
    db.setProperties("Breit", b.blocks);
    out.push_back(b);

    db.setProperties("Klein", out[0].blocks);
    return out;
}

// Every type with its extremes, a row of Nulls, long values over many pages.
TableContent writeAllTypes(Database& db, Format format, const std::string& name)
{
    TableContent t{name,
                   {{"Nr", ColumnType::Long}, {"Klein", ColumnType::Integer}, {"Byte", ColumnType::Byte}, {"Einfach", ColumnType::Single},
                    {"Doppelt", ColumnType::Double}, {"Betrag", ColumnType::Currency}, {"Datum", ColumnType::DateTime},
                    {"Ja", ColumnType::YesNo}, {"Kennung", ColumnType::Guid}, {"Straße Nr", ColumnType::Text, 50},
                    {"Notiz", ColumnType::Memo}, {"Bild", ColumnType::OleObject}, {"Bin", ColumnType::Binary, 8}},
                   {},
                   {}};
    std::array<std::uint8_t, 16> guid{};
    for (int i = 0; i < 16; ++i)
        guid[std::size_t(i)] = std::uint8_t(0x10 + i);
    std::string memo;
    while (memo.size() < 12000)
        memo += "Memo über viele Seiten. ";
    std::vector<std::uint8_t> bild(9000);
    for (std::size_t i = 0; i < bild.size(); ++i)
        bild[i] = std::uint8_t(i * 7);
    t.rows = {{Cell::integer(-2147483647 - 1), Cell::integer(-32768), Cell::integer(255), Cell::real(0.1), Cell::real(-2.5e-7),
               Cell::currency(-123456789), Cell::date(dayCount(1974, 9, 21, 13, 5, 7)), Cell::yesNo(true), Cell::guid(guid),
               Cell::text("äöüÄÖÜß €‚„… Œ"),
               Cell::text(format == Format::Jet4 ? "Ελληνικά 漢字 ✓\r\nZeile 2\tmit Tab" : "Zeile 1\r\nZeile 2\tmit Tab"),
               Cell::bytes({0xde, 0xad, 0, 3}), Cell::bytes({1, 0, 255})},
              {Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null(),
               Cell::null(), Cell::null(), Cell::null(), Cell::null(), Cell::null()},
              {Cell::integer(2147483647), Cell::integer(32767), Cell::integer(0), Cell::real(3.4e38), Cell::real(1e300),
               Cell::currency(9223372036854775807LL), Cell::date(-657434.0), Cell::yesNo(false), Cell::guid(guid), Cell::text(""),
               Cell::text(memo), Cell::bytes(bild), Cell::bytes({0, 0, 0, 0, 0, 0, 0, 0})},
              {Cell::integer(7), Cell::integer(-1), Cell::integer(200), Cell::real(-1.5), Cell::real(-2.25e10), Cell::currency(0),
               Cell::date(dayCount(2026, 12, 6)), Cell::yesNo(true), Cell::null(), Cell::text("x"), Cell::text("a"),
               Cell::bytes({}), Cell::bytes({9})}};
    const int nr = db.addTable(t.name, t.columns);
    for (const auto& row : t.rows) {
        db.addRow(nr, row);
        t.moved.push_back(false);
    }
    return t;
}

// 40 Longs and 80 short texts: a row longer than 256 bytes whose variable
// data ends before byte 256, so that Jet 3 puts a jump byte with nothing to jump.
TableContent writeWideRow(Database& db, const std::string& name)
{
    TableContent t{name, {}, {{}}, {false}};
    for (int i = 0; i < 120; ++i) {
        t.columns.push_back({(i < 40 ? "L" : "T") + std::to_string(i), i < 40 ? ColumnType::Long : ColumnType::Text, i < 40 ? 0 : 10});
        t.rows[0].push_back(i < 40 ? Cell::integer(1000 + i) : i % 9 == 4 ? Cell::null() : Cell::text(std::string(1, char('a' + i % 26))));
    }
    db.addRow(db.addTable(t.name, t.columns), t.rows[0]);
    return t;
}

// Texts of 176 to 255 characters, rows on both sides of 256 bytes: Jet 3 adds a jump byte for
// each 256 bytes a row reaches, and must not for a row of exactly 256.
TableContent writeRowLengths(Database& db, const std::string& name)
{
    TableContent t{name, {{"Nr", ColumnType::Long}, {"Text", ColumnType::Text, 255}}, {}, {}};
    const int nr = db.addTable(t.name, t.columns);
    for (int i = 0; i < 80; ++i) {
        t.rows.push_back({Cell::integer(i), Cell::text(std::string(std::size_t(176 + i), char('a' + i % 26)))});
        t.moved.push_back(false);
        db.addRow(nr, t.rows.back());
    }
    return t;
}

}  // namespace mdbwriter
