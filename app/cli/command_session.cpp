#include "command_session.h"

#include "command_request.h"

#include "app/startup.h"
#include "base/error.h"
#include "restore/restore_listing.h"

namespace korvane::cli {

CommandSession::CommandSession(const std::filesystem::path& machineRoot, w98::Machine::Use use)
    : machine_(std::make_unique<w98::Machine>(machineRoot, use)),
      shell_(std::make_unique<w98::HostShell>(*machine_)), system_{*machine_, clock_, *shell_, power_},
      paths_(ComputeSharedPaths(*machine_, ProgramFolder(*machine_))) {}

RestoreListing CommandSession::listedPoints() {
    return RestoreListing::Scan(*machine_, paths_.WinDir, paths_.BackupDir, clock_.now().year);
}

NumberedPoint CommandSession::chosenPoint(const CommandRequest& request, const RestoreListing& listed) {
    if (!request.file.isEmpty()) {
        const std::string file = request.file.toStdString();
        if (const auto i = listed.findByFile(file))
            return {static_cast<int>(*i) + 1, listed[*i]};
        throw w98::Error("没有以“" + file + "”为文件的还原点：korvane list 列出了所有还原点。");
    }
    const int n = request.number.value_or(0);
    if (n < 1 || static_cast<std::size_t>(n) > listed.size())
        throw w98::Error("没有编号为 " + std::to_string(n) + " 的还原点：这台机器共有 " +
                         std::to_string(listed.size()) + " 个还原点（korvane list 列出它们）。");
    return {n, listed[static_cast<std::size_t>(n - 1)]};
}

} // namespace korvane::cli
