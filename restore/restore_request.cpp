#include "restore_request.h"

#include "daily_backup.h"
#include "restore_execution.h"

#include "platform/machine.h"
#include "sysaccess/system.h"

namespace korvane {

PreparedRestore PrepareRestore(System& system, const SharedPaths& paths, const RestorePoint& chosen,
                               const RestorePoint& newest) {
    // A point whose files MS-DOS cannot name is explained before its files are even read.
    RestorePlan plan = CheckRestorable(system, paths, chosen);
    PreparedRestore prepared;
    prepared.point = CheckRestorePoint(system.machine, std::move(plan));
    prepared.newestIsToday = NewestRestorePointIsToday(newest.shownDate, system.machine, system.clock);
    return prepared;
}

std::optional<OfflineRestore> CarryOutRestore(System& system, SharedPaths& paths,
                                              const PreparedRestore& restore,
                                              const std::function<void()>& processEvents) {
    if (system.machine.isDiskImage())
        return RestoreOffline(system, paths, restore.point, restore.newestIsToday, processEvents);
    RestoreSystem(system, paths, restore.point, restore.newestIsToday, processEvents);
    return std::nullopt;
}

} // namespace korvane
