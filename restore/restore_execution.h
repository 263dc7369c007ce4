#pragma once
// Putting the system back to a restore point: save the present state first (unless the
// point is itself such a backup), write the job C:\dosrun.bat that unpacks the point over
// the live files in MS-DOS mode, arm it and restart.
#include "sysaccess/shared_paths.h"
#include "ui/text_table.h"

#include <functional>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

struct System;
struct CheckedRestorePoint;

// The eight lines of the progress text shown while the restore runs.
const std::vector<std::string>& RestoreProgressLines();

// The registry import that puts the registry checker back into the Run key of the restored
// registry, so that Windows makes a backup at its next start.
std::vector<std::string> ScanregRunRegLines(const std::string& bootDrive);

// The cabinet a row restores from: a row moved aside at this start is found in "old".
std::string SourceCabinet(const std::string& note, const std::string& folder, const std::string& fileName);

// The job's last line when the restored registry is to make the day's backup at the next start.
std::string DailyBackupJobLine(const w98::Machine& m, const std::string& winDir);

// The job's lines for a row (note, folder, extension, file name); lastLine is the
// daily-backup line (possibly empty). MS-DOS runs them before Windows loads: every path is
// named by its short name, and the job moves into the folder it unpacks into by that
// folder's own short path.
std::vector<std::string> RestoreJobLines(const w98::Machine& m, const std::string& winDir, const std::string& bootDrive,
                                         const std::string& note, const std::string& folder,
                                         const std::string& extension, const std::string& fileName,
                                         const std::string& lastLine);

// Builds, and throws away, every line the restore of the row would write. When a path cannot
// be named in MS-DOS mode as itself, throws w98::Error explaining in Chinese why this restore
// point cannot be restored; nothing has been changed then.
void CheckRestorable(System& system, const SharedPaths& paths, const TextTable& table, int row);
// The same check for a Windows folder already known.
void CheckRestorableIn(const w98::Machine& m, const std::string& winDir, const std::string& bootDrive,
                       const TextTable& table, int row);

// The whole restore of data row `row` of the restore-point table, whose point has passed
// CheckRestorePoint; ends with the restart. Checks the row's paths first (CheckRestorable): a
// row that cannot be restored changes nothing. What the job restores from is recorded before
// it is armed, so that the next start can tell whether it took place.
void RestoreSystem(System& system, SharedPaths& paths, const TextTable& table, int row,
                   const CheckedRestorePoint& point, const std::function<void()>& processEvents);

} // namespace korvane
