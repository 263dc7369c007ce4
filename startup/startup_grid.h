#pragma once
// The startup table: one header row, then one row per entry with its number, program text,
// note, delete cell, two columns kept empty, entry name and source.
#include "startup_entry.h"

#include "sysaccess/text_table.h"

#include <string>
#include <vector>

namespace korvane {

namespace startup_col {
inline constexpr int kNumber = 0;
inline constexpr int kProgram = 1;
inline constexpr int kNote = 2;
inline constexpr int kDelete = 3;
inline constexpr int kLoadTime = 4;   // header only
inline constexpr int kFindTarget = 5; // header only
inline constexpr int kName = 6;
inline constexpr int kSource = 7;
inline constexpr int kCount = 8;
} // namespace startup_col

inline constexpr const char* kDeleteCell = "删除";

const std::vector<std::string>& StartupGridHeaders();
// Pixels, from column 0 on.
const std::vector<int>& StartupGridWidths();

// The table for the entries, in their order, with the notes and protection of the known
// system entries.
TextTable StartupTable(const std::vector<StartupEntry>& entries, const std::string& winDir);

} // namespace korvane
