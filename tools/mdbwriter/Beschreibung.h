#pragma once
// Builds a database from a small text description, one instruction a line,
// the parts separated by tabs (so names may hold blanks):
//
//   format        jet4 | jet3
//   tabelle       <name>
//   systemtabelle <name>
//   spalte        <name>  <type> [<length>]
//   zeile         <value> <value> ...
//   abfrage       <name>
//
// Types: janein, byte, integer, long, waehrung, single, double, datum, text,
// memo, ole, binaer, guid. Values: \N is Null; \t \n \r \\ are escapes;
// numbers with '.' or ','; dates as YYYY-MM-DD[ HH:MM[:SS]]; Yes/No as
// wahr/falsch or 1/0; GUIDs as {8-4-4-4-12}; ole and binaer as hex digits.
// Lines starting with '#' and empty lines are ignored.

#include "MdbWriter.h"

#include <string>

namespace mdbwriter {

// Throws Error naming the line on a faulty description.
void buildFromDescription(const std::string& description, const std::string& path);

}  // namespace mdbwriter
