// korvane restore N and korvane undo: the click on a row of the first page's table, from a
// terminal or a script. The same checks refuse before anything is written; then the point
// goes into a disk at once, or the job is armed for the next start of a machine folder.
#include "command_output.h"
#include "command_request.h"
#include "command_session.h"
#include "commands.h"
#include "policy_lifted.h"

#include "app/app_restart.h"
#include "base/error.h"
#include "restore/restore_listing.h"
#include "restore/restore_outcome.h"
#include "restore/restore_request.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace korvane::cli {
namespace {

NumberedPoint pointToRestore(const CommandRequest& request, const RestoreListing& listed) {
    if (request.command != QLatin1String("undo"))
        return CommandSession::chosenPoint(request, listed);
    const auto newest = listed.newestBackupBeforeRestore();
    if (!newest)
        throw w98::Error(std::string("没有可以撤销的还原：还原点中没有“") + notes::kBeforeRestore + "”。");
    return {static_cast<int>(*newest) + 1, listed[*newest]};
}

// On a terminal the user says yes first; a script says so by --yes.
bool confirmed(const CommandRequest& request, const NumberedPoint& chosen) {
    if (request.yes)
        return true;
    if (!::isatty(STDIN_FILENO))
        throw UsageError("不在终端上运行时，还原需要 --yes 确认。");
    const std::string question = "确定要把系统还原到第 " + std::to_string(chosen.number) + " 个还原点（" +
                                 chosen.point.shownDate + "，" + chosen.point.note + "）吗？[y/N] ";
    std::fwrite(question.data(), 1, question.size(), stderr);
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "是";
}

} // namespace

int RestoreToPoint(CommandSession& session, const CommandRequest& request) {
    // One scan: the chosen point and the newest come from the same listing.
    const RestoreListing listed = session.listedPoints();
    const NumberedPoint chosen = pointToRestore(request, listed);
    const PreparedRestore prepared = PrepareRestore(session.system(), session.paths(), chosen.point,
                                                    listed.empty() ? chosen.point : listed[0]);
    if (!confirmed(request, chosen)) {
        PrintError("已取消，没有做任何改动。");
        return 1;
    }
    PolicyLifted policy(session);
    const auto done = CarryOutRestore(session.system(), session.paths(), prepared, {});
    policy.putBack();
    if (done) {
        // Told once it is in the disk.
        session.commit();
        if (!done->outcome.restored) {
            PrintError(done->outcome.message);
            return 1;
        }
        PrintLine(done->outcome.message);
        return 0;
    }
    session.commit();
    if (!request.restart) {
        PrintLine("已安排还原到第 " + std::to_string(chosen.number) + " 个还原点（" + chosen.point.shownDate +
                  "）：下次启动这台机器时，Windows 载入之前完成还原。要现在完成，请重新启动它，"
                  "或使用 korvane restore --restart。");
        return 0;
    }
    AppRestart::bootMachine(session.machine());
    // The start after the restart tells whether it took place, as the window would.
    const auto outcome = TakeRestoreOutcome(session.machine(), session.paths().WinDir);
    if (!outcome) {
        PrintLine("已重新启动这台机器。");
        return 0;
    }
    if (!outcome->restored) {
        PrintError(outcome->message);
        return 1;
    }
    PrintLine(outcome->message);
    return 0;
}

} // namespace korvane::cli
