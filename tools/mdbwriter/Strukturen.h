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
