#pragma once
// One restore as the user asks for it, whether by a click on the table's row or from the
// command line: the checks in their order and the plan first, with nothing written; then the
// restore itself, made into a disk at once or armed as a job for the next start.
#include "offline_restore.h"
#include "restore_check.h"

#include "sysaccess/shared_paths.h"

#include <functional>
#include <optional>

namespace korvane {

struct System;

struct PreparedRestore {
    CheckedRestorePoint point;
    // The newest point listed is from today: the restored registry need not make the day's backup.
    bool newestIsToday = false;
};

// Checks that MS-DOS can name every path of the restore (w98::Error), then the point's own
// files (UnusableRestorePoint). newest is the first point the table lists. Writes nothing.
PreparedRestore PrepareRestore(System& system, const SharedPaths& paths, const RestorePoint& chosen,
                               const RestorePoint& newest);

// Makes a prepared restore. A disk's Windows is switched off: the point goes into the disk at
// once and the result is returned. A machine folder's job is armed and the restart asked for;
// nullopt then, the result being known after the restart.
std::optional<OfflineRestore> CarryOutRestore(System& system, SharedPaths& paths,
                                              const PreparedRestore& restore,
                                              const std::function<void()>& processEvents);

} // namespace korvane
