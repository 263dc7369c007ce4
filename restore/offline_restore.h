#pragma once
// A restore made directly into a disk whose Windows is switched off. Nothing holds its files
// open, so the point is put back at once instead of by a job at the next start: the state
// before is saved first, as the job's arming does, then exactly the files of the restore plan
// go where the job would copy them, with the attributes the job leaves, and the start-up files
// end as the job's clean-up leaves them. Nothing is armed; the next start is an ordinary one.
#include "restore_check.h"
#include "restore_outcome.h"

#include "sysaccess/shared_paths.h"

#include <functional>
#include <string>
#include <vector>

namespace korvane {

struct System;

struct OfflineRestore {
    bool backupMade = false;             // the state before is kept as a pre-restore backup
    std::vector<std::string> notPutBack; // files of the plan that could not be written
    RestoreOutcome outcome;              // what the user is told, in the restart report's words
};

// Restores a point that passed both checks. newestIsToday: as for RestoreSystem, the restored
// registry gets the daily backup's Run entry unless the newest point is from today. Throws
// w98::Error when the pre-restore backup or the point cannot be read; nothing of the point has
// been written then.
OfflineRestore RestoreOffline(System& system, SharedPaths& paths, const CheckedRestorePoint& point,
                              bool newestIsToday, const std::function<void()>& processEvents);

} // namespace korvane
