#pragma once
// Notes and protection for well-known system entries of the startup table. A protected row
// loses its "删除" cell, and removal refuses it.
#include "sysaccess/text_table.h"

#include <string>

namespace korvane {

// Applies the seven rules, in order, to every entry row of a startup table (row 0 is the
// header). Each matching rule writes its note, so the last match's note stands; a row once
// protected stays protected.
void KnownStartupEntries(TextTable& table, const std::string& winDir);

} // namespace korvane
