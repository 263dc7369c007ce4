#pragma once
// Putting the system back to a restore point: save the present state first (unless the
// point is itself such a backup), write the job C:\dosrun.bat that unpacks the point over
// the live files in MS-DOS mode, arm it and restart.
#include "restore_plan.h"

#include "dosjob/job_step.h"
#include "sysaccess/shared_paths.h"

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
// registry, so that Windows makes a backup at its next start. The checker is named in the
// Windows folder, by its short path, as Windows keeps it there.
std::vector<std::string> ScanregRunRegLines(const w98::Machine& m, const std::string& winDir);

// The regedit step that imports those lines into the restored registry.
JobStep DailyBackupImportStep(const std::string& winDir, std::vector<std::string> importLines);

// The job's last line when the restored registry is to make the day's backup at the next start.
std::string DailyBackupJobLine(const w98::Machine& m, const std::string& winDir);

// The job's steps for a plan, without its last line: clear the live files' attributes, then
// unpack the cabinet and copy each file from there, or copy each file of a pair.
std::vector<JobStep> RestoreJobSteps(const RestorePlan& plan);

// The job's lines for a plan; lastLine is the daily-backup line (possibly empty). MS-DOS runs
// them before Windows loads: every path is named by its short name, and the job moves into the
// folder it unpacks into by that folder's own short path.
std::vector<std::string> RestoreJobLines(const w98::Machine& m, const RestorePlan& plan,
                                         const std::string& lastLine);

// Plans the restore of a point and builds, and throws away, every line it would write. When a
// path cannot be named in MS-DOS mode as itself, throws w98::Error explaining in Chinese why
// this restore point cannot be restored; nothing has been changed then.
RestorePlan CheckRestorable(System& system, const SharedPaths& paths, const RestorePoint& point);
// The same for a Windows folder already known.
RestorePlan CheckRestorableIn(const w98::Machine& m, const std::string& winDir, const std::string& bootDrive,
                              const RestorePoint& point);

// Points paths at the plan's Windows folder and saves the present state with the registry
// checker into SYSBCKUP\restore, unless the point is itself such a save. True when the checker
// made one: only then is it offered as the way back.
bool SaveStateBeforeRestore(w98::Machine& m, SharedPaths& paths, const RestorePlan& plan);

// The whole restore of a point that passed both checks (CheckRestorable, then
// CheckRestorePoint); ends with the restart. newestIsToday: the newest restore point listed is
// from today, so the restored registry need not make the day's backup. What the job restores
// from is recorded before it is armed, so that the next start can tell whether it took place.
void RestoreSystem(System& system, SharedPaths& paths, const CheckedRestorePoint& point, bool newestIsToday,
                   const std::function<void()>& processEvents);

} // namespace korvane
