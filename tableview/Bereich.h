#pragma once
// The range arithmetic of the grid: which blocks of rows the view needs, in
// which order they are fetched, and which cached blocks go when the cache is
// full. Plain values in and out, so the rules are tested without a window.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Gitterbereich {

// Rows travel in blocks of this many; block b holds rows b * ZeilenProBlock ...
constexpr int ZeilenProBlock = 128;

std::int64_t blockDerZeile(std::int64_t zeile);
std::int64_t blockAnzahl(std::int64_t zeilenAnzahl);

struct Zeilen {
    std::int64_t von = 0;
    int anzahl = 0;
    bool operator==(const Zeilen&) const = default;
};
// The rows of block b in a table of zeilenAnzahl rows (the last block is shorter).
Zeilen zeilenDesBlocks(std::int64_t block, std::int64_t zeilenAnzahl);

// The blocks a view of the rows erste .. letzte needs, most urgent first:
// the visible blocks from the top down, then `vorrat` blocks below and above
// (below first: users mostly scroll down). Empty for an empty table.
std::vector<std::int64_t> benoetigteBloecke(std::int64_t erste, std::int64_t letzte, std::int64_t zeilenAnzahl, int vorrat = 1);

// needed minus the blocks already held, in the order of needed.
std::vector<std::int64_t> fehlendeBloecke(const std::vector<std::int64_t>& benoetigt, const std::vector<std::int64_t>& vorhanden);

struct GecachterBlock {
    std::int64_t block = 0;
    std::size_t bytes = 0;
};
struct Grenzen {
    int bloecke = 0;       // at most this many blocks
    std::size_t bytes = 0; // and at most about this many bytes (memo values are large)
};
// The cached blocks to drop so that the cache keeps within its bounds: the
// ones farthest from the view's middle block first; a needed block is never
// dropped, even when the needed ones alone exceed the bounds.
std::vector<std::int64_t> zuVerwerfen(const std::vector<GecachterBlock>& cache, std::int64_t sichtMitte,
                                      const std::vector<std::int64_t>& benoetigt, Grenzen grenzen);

// An answer for block `block` fetched under request `antwortToken` while the
// view's current request is `aktuellerToken`: taken when it belongs to the
// current request, or when the current view still needs the block; an answer
// for a view the user has left is dropped.
bool antwortAnnehmen(std::uint64_t antwortToken, std::uint64_t aktuellerToken, std::int64_t block,
                     const std::vector<std::int64_t>& benoetigt);

}  // namespace Gitterbereich

namespace Gitterbereich {

// A selected rectangle of cells, rows and columns inclusive.
struct Rechteck {
    std::int64_t oben = 0, unten = 0;
    int links = 0, rechts = 0;
};

// What a copy of a selection takes: the selected rows as ascending,
// non-overlapping runs, and the selected columns in ascending order. A cell
// of these rows and columns that no rectangle covers is copied empty.
struct Kopierplan {
    std::vector<Zeilen> zeilen;
    std::vector<int> spalten;
    std::int64_t zeilenAnzahl() const;
};
Kopierplan kopierplan(const std::vector<Rechteck>& auswahl);
bool ausgewaehlt(const std::vector<Rechteck>& auswahl, std::int64_t zeile, int spalte);

}  // namespace Gitterbereich
