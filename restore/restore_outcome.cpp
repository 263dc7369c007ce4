#include "restore_outcome.h"

#include "boot_log.h"
#include "dosjob/dos_job_runner.h"
#include "restore_mark.h"

#include "base/text.h"
#include "platform/machine.h"

namespace korvane {
namespace {

const char* const kUndo =
    "\n还原前的系统已保存在列表中附加说明为“系统还原前的备份”的还原点里，点击那一行即可撤销这次还原。";

// The launcher is still C:\AUTOEXEC.BAT: the computer has not restarted since the job was armed.
// A start-up file that cannot be read is not the launcher the program wrote.
bool jobStillArmed(const w98::Machine& m) {
    const std::string autoexec = "C:\\AUTOEXEC.BAT";
    try {
        if (!m.isFile(autoexec) || m.fileSize(autoexec) > 4096)
            return false;
        for (const auto& line : m.readTextLines(autoexec))
            if (w98::equalsNoCase(line, "call " + std::string(kDosJob)))
                return true;
    } catch (const std::exception&) {
    }
    return false;
}

} // namespace

RestoreOutcome DescribeRestoreOutcome(const RestoreRecord& r, bool restored, const std::string& reason,
                                      RestoreReport when) {
    RestoreOutcome o;
    o.restored = restored;
    const std::string which = when == RestoreReport::AfterRestart ? "上次的系统还原" : "系统还原";
    if (restored) {
        o.message = which + "已经完成：系统已还原到 " + r.date + " 的还原点。";
    } else {
        o.message = which + "没有完成：系统没有还原到 " + r.date + " 的还原点。\n原因：" +
                    (reason.empty() ? std::string("重新启动后的注册表仍是还原前的") : reason) + "。";
    }
    if (r.backupMade)
        o.message += kUndo;
    return o;
}

std::optional<RestoreOutcome> TakeRestoreOutcome(w98::Machine& m, const std::string& winDir) {
    if (!m.exists(RestoreRecordPath(winDir)))
        return std::nullopt;
    const std::optional<RestoreRecord> record = ReadRestoreRecord(m, winDir);
    if (!record) {
        ForgetRestoreRecord(m, winDir);
        return std::nullopt;
    }
    if (jobStillArmed(m))
        return std::nullopt;

    bool readable = true;
    MarkedFiles marked;
    try {
        marked = FindRestoreMark(m, record->mark);
    } catch (const std::exception&) {
        readable = false;
    }
    const bool restored = readable && !marked.system && !marked.user;
    std::string reason;
    if (!restored) {
        const std::string log = BootLogSince(m, record->bootLogOffset);
        if (log.empty())
            reason = "电脑重新启动时没有执行还原任务";
        else
            reason = RestoreFailureFromLog(log);
        if (reason.empty() && !readable)
            reason = "现在的注册表文件无法读取";
    }
    try {
        RemoveRestoreMark(m, record->mark);
    } catch (const std::exception&) {
        // A mark left behind names a job of the past: no later record carries it.
    }
    ForgetRestoreRecord(m, winDir);
    return DescribeRestoreOutcome(*record, restored, reason);
}

} // namespace korvane
