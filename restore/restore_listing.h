#pragma once
// The restore points as the first page's table lists them, as typed data: newest first, each
// with its date as the table shows it; the point at index i is the table's row i + 1 and is
// numbered i + 1. The page and the command line take their points from here.
#include "restore_point.h"

#include "sysaccess/text_table.h"

#include <cstdint>
#include <optional>
#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

// The table of the start-up scans, filled as the first page fills it (FillRestoreTable).
TextTable ScanRestoreTable(const w98::Machine& m, const std::string& winDir, const std::string& backupDir,
                           int referenceYear);

// The points of a filled table, in its order.
RestoreCatalogue ListedRestorePoints(const TextTable& table);

// The Windows path a point is known by: its cabinet, or the system file of a pair.
std::string PointFile(const RestorePoint& point);

// The index of the listed point whose file is winPath (letter case and the form of the path
// ignored); nullopt when none is.
std::optional<std::size_t> FindPointByFile(const RestoreCatalogue& listed, const std::string& winPath);

// The index of the newest pre-restore backup ("系统还原前的备份"); nullopt when none is listed.
std::optional<std::size_t> NewestBackupBeforeRestore(const RestoreCatalogue& listed);

// A packed MS-DOS date-time in ISO 8601 ("2002-05-17T09:30:00"); empty for 0.
std::string IsoDateTime(std::uint32_t dosTime);

} // namespace korvane
