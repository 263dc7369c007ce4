// korvane create: a restore point now, as "可随时建立系统还原点..." makes it.
#include "command_output.h"
#include "command_session.h"
#include "commands.h"
#include "policy_lifted.h"

#include "base/error.h"
#include "restore/daily_backup.h"
#include "restore/restore_listing.h"

#include <set>

namespace korvane::cli {

int CreatePoint(CommandSession& session, const CommandRequest&) {
    std::set<std::string> known;
    const RestoreListing before = session.listedPoints();
    for (const RestorePoint& p : before.points())
        known.insert(PointFile(p) + "|" + std::to_string(p.dosTime));
    PolicyLifted policy(session);
    if (!CreateRestorePointNow(session.machine(), session.paths().WinDir))
        throw w98::Error(kNoRestorePointMade);
    policy.putBack();
    // Told once it is in the disk.
    session.commit();
    PrintLine(kCreateDone);
    const RestoreListing listed = session.listedPoints();
    for (std::size_t i = 0; i < listed.size(); ++i)
        if (!known.contains(PointFile(listed[i]) + "|" + std::to_string(listed[i].dosTime)))
            PrintLine(PointLine(static_cast<int>(i) + 1, listed[i]));
    return 0;
}

} // namespace korvane::cli
