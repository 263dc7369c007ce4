#pragma once
// The restore-point table: the text form of a restore listing (restore_listing.h), newest first,
// as the first page's grid shows it. Seven columns: number, "20" + date text, note, folder,
// extension, file name, and the packed MS-DOS date-time used as the sort key. Row 0 holds the
// headers. The program lists its points in a RestoreListing and fills the table from it; the
// table is never read back into points by the program (RestorePointAt is for reading a filled
// table, as tests and tools do).
#include "restore_point.h"

#include "sysaccess/text_table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace w98 {
class Machine;
class Clock;
} // namespace w98

namespace korvane {

namespace restore_col {
inline constexpr int kNumber = 0;
inline constexpr int kDate = 1;
inline constexpr int kNote = 2;
inline constexpr int kFolder = 3;
inline constexpr int kExtension = 4;
inline constexpr int kFileName = 5;
inline constexpr int kSortKey = 6;
inline constexpr int kCount = 7;
inline constexpr int kVisible = 3; // columns 0 to 2 are shown
} // namespace restore_col

// The text put before a date of the given year: a two-digit year at the front of the short
// date format is completed to its century, "19" for 1980 to 1999 (the years an MS-DOS date can
// hold before 2000), "20" otherwise. A format that does not start with a two-digit year gets
// nothing, so that its dates stay readable and can be read back.
std::string YearPrefix(const std::string& shortDateFormat, int year);

// The table's header cells.
const char* RestoreColumnHeader(int col);

// Fills the table from the catalogue, sorts it newest first and numbers the rows: the table of
// RestoreListing(catalogue, m, referenceYear).
void FillRestoreTable(TextTable& table, const RestoreCatalogue& catalogue, const w98::Machine& m,
                      int referenceYear);

// The restore point a data row was made from, with the date as the row shows it; a row
// outside the table gives an empty point.
RestorePoint RestorePointAt(const TextTable& table, int row);
// The newest point listed (the first data row); an empty point when none is.
inline RestorePoint NewestRestorePoint(const TextTable& table) {
    return RestorePointAt(table, 1);
}

// Descending sort of the data rows on a column of decimal numbers (a text that is no number
// counts as 0). Rows are exchanged, never copied cell by cell, so the sort stays O(n log n).
void SortTableRows(TextTable& table, int keyColumn);
void SwapTableRows(TextTable& table, int a, int b);
// The order the same sort gives keys: order[k] is the index of the key that goes to place k,
// largest key first; equal keys end up where the table's sort leaves their rows.
std::vector<std::size_t> NewestFirstOrder(const std::vector<std::uint32_t>& keys);

// The message shown when the sort fails.
std::string SortErrorMessage(const std::string& what);

// Moves restore points dated after now into an "old" subfolder of their folder and marks
// them in the table. Creates <backupDir>\old first.
void MoveFutureRestorePoints(w98::Machine& m, TextTable& table, const std::string& backupDir,
                             const w98::Clock& clock);

// The steps of that move, for the table and the listing alike: <backupDir>\old made when it
// can be; one future point's file moved aside (false: it stays, and so does its note).
void MakeOldBackupFolder(w98::Machine& m, const std::string& backupDir);
bool MoveFuturePointAside(w98::Machine& m, const std::string& folder, const std::string& fileName,
                          const std::string& extension);

} // namespace korvane
