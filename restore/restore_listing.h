#pragma once
// The restore points as the first page's table lists them, as typed data: newest first, each
// with its date as the table shows it; the point at index i is the table's row i + 1 and is
// numbered i + 1 until a row is dragged. The page and the command line take their points from
// here: the page fills its grid from a listing and maps a row back to the listing's point, never
// to the grid's text.
#include "restore_point.h"

#include "sysaccess/text_table.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace w98 {
class Machine;
class Clock;
} // namespace w98

namespace korvane {

class RestoreListing {
  public:
    RestoreListing() = default;
    // The scanned points as the table lists them: each with its sort key (the packed date-time,
    // read from its date text when the scan did not know it) as dosTime and its shown date,
    // sorted newest first and numbered from 1.
    RestoreListing(RestoreCatalogue scanned, const w98::Machine& m, int referenceYear);
    // The start-up scans, listed.
    static RestoreListing Scan(const w98::Machine& m, const std::string& winDir, const std::string& backupDir,
                               int referenceYear);

    const RestoreCatalogue& points() const { return points_; }
    std::size_t size() const { return points_.size(); }
    bool empty() const { return points_.empty(); }
    const RestorePoint& operator[](std::size_t i) const { return points_[i]; }
    // The number the point at index i is shown with (i + 1 until a row is dragged).
    int numberAt(std::size_t i) const { return numbers_[i]; }

    // The point shown in the table's row (row 1 is index 0); an empty point for a row outside.
    RestorePoint atRow(int row) const;
    // The newest point listed (the first row); an empty point when none is.
    RestorePoint newest() const { return atRow(1); }

    // The table the grid shows: headers in row 0, one row per point, all seven columns.
    TextTable table() const;
    // The cells of one data row, as table() has them.
    std::vector<std::string> rowCells(std::size_t i) const;

    // A row dragged from one place to another: the point goes with it, number included.
    void movePoint(std::size_t from, std::size_t to);
    // The note a point is shown with, changed (a point refused by a restore is marked so).
    void setNote(std::size_t i, std::string note);

    // Moves cabinets dated after now into an "old" subfolder of their folder and marks every
    // future point; creates <backupDir>\old first. Returns the indexes of the marked points.
    std::vector<std::size_t> moveFuturePointsAside(w98::Machine& m, const std::string& backupDir,
                                                   const w98::Clock& clock);

    std::optional<std::size_t> findByFile(const std::string& winPath) const;
    std::optional<std::size_t> newestBackupBeforeRestore() const;

  private:
    RestoreCatalogue points_;
    std::vector<int> numbers_;
};

// The table of the start-up scans, filled as the first page fills it.
TextTable ScanRestoreTable(const w98::Machine& m, const std::string& winDir, const std::string& backupDir,
                           int referenceYear);

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
