#pragma once
// What a click on a row of the restore-point table does below the window: both checks of the
// chosen point, then the restore.
#include "restore/daily_backup.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_plan.h"
#include "restore/restore_table.h"
#include "sysaccess/system.h"

namespace korvane::test {

inline bool newestIsToday(System& s, const TextTable& t) {
    return NewestRestorePointIsToday(NewestRestorePoint(t).shownDate, s.machine, s.clock);
}

// The check of the point's files alone, for a machine whose Windows folder is winDir.
inline CheckedRestorePoint CheckRow(const w98::Machine& m, const TextTable& t, int row,
                                    const std::string& winDir = "C:\\WINDOWS") {
    return CheckRestorePoint(m, PlanRestore(m, RestorePointAt(t, row), winDir, winDir.substr(0, 2)));
}

inline void RestoreRow(System& s, SharedPaths& paths, const TextTable& t, int row) {
    CheckedRestorePoint point =
        CheckRestorePoint(s.machine, CheckRestorable(s, paths, RestorePointAt(t, row)));
    RestoreSystem(s, paths, point, newestIsToday(s, t), {});
}

// The same with the files' check left out: the registry files are the ones given.
inline void RestoreRowUnread(System& s, SharedPaths& paths, const TextTable& t, int row,
                             const std::string& registryBytes = "REGEDIT4\r\n\r\n") {
    const CheckedRestorePoint point{CheckRestorable(s, paths, RestorePointAt(t, row)), registryBytes,
                                    registryBytes};
    RestoreSystem(s, paths, point, newestIsToday(s, t), {});
}

} // namespace korvane::test
