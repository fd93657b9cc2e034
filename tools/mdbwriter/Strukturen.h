#pragma once
// Tables holding what Access leaves in files that have been worked on:
// moved and deleted rows, deleted and added columns, long values in every
// place, property blocks in the catalogue. Each function writes its table
// and returns what a reader must give back, so that the tests against
// mdbtools and against our own readers check the same files.

#include "MdbWriter.h"

#include <string>
#include <vector>

namespace mdbwriter {

// A table as readers must show it: its columns (without deleted ones) and
// its rows in the order Access shows them, a moved row where its slot stands.
struct TableContent {
    std::string name;
    std::vector<Column> columns;
    std::vector<std::vector<Cell>> rows;
    std::vector<bool> moved;  // per row: its data lies on a later page
};

// Every column type with its extremes, a row of Nulls, long values over several pages.
TableContent writeAllTypes(Database& db, Format format, const std::string& name);
// 40 Longs and 80 short texts: a row longer than 256 bytes whose variable data
// ends before byte 256, so that Jet 3 puts a jump byte with nothing to jump.
TableContent writeWideRow(Database& db, const std::string& name);
// Texts of 176 to 255 characters: rows on both sides of 256 bytes, where Jet 3
// adds a jump byte for each 256 bytes a row reaches (and not for exactly 256).
TableContent writeRowLengths(Database& db, const std::string& name);

// Rows moved (with and without an earlier version in the slot) and deleted
// in every form, among live rows. With few rows all stand on one page.
TableContent writeMovedRows(Database& db, const std::string& name, int rows);

// Every row moved: the data of one page's rows needs more than one page.
TableContent writeAllRowsMoved(Database& db, const std::string& name, int rows);

// Columns deleted (fixed, variable, memo) and added between rows.
TableContent writeChangedColumns(Database& db, const std::string& name);

// Memo and OLE values inline, on one long-value page and chained, with the
// sizes on both sides of each limit (bytes as stored).
TableContent writeLongValues(Database& db, Format format, const std::string& name);
// The stored sizes writeLongValues uses, and the largest long value one
// long-value row holds.
std::vector<int> longValueSizes();
int longValueRowLimit(Format format);

// Property blocks like those Access writes, for a small table (inline), a
// middle one (one long-value page) and a wide one (chained over several).
struct ObjectProperties {
    std::string object;
    std::vector<PropertyBlock> blocks;
};
std::vector<ObjectProperties> writePropertyTables(Database& db);

}  // namespace mdbwriter
