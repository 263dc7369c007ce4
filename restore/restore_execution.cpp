#include "restore_execution.h"

#include "daily_backup.h"
#include "dosjob/batch_file.h"
#include "dosjob/dos_job_runner.h"
#include "dosjob/job_step_lines.h"
#include "dosjob/steps_at_once.h"
#include "restore_check.h"
#include "restore_mark.h"
#include "restore_point.h"
#include "restore_record.h"

#include "base/error.h"
#include "platform/machine.h"
#include "sysaccess/backup_folder.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "sysaccess/system_info.h"

namespace korvane {
const std::vector<std::string>& RestoreProgressLines() {
    static const std::vector<std::string> lines = {
        "", " 请少侯1分钟...",        "", "   正在备份当前的系统文件...",
        "", "    请勿对电脑再作操作", "", "     请您等待电脑自动重新启动后就好了"};
    return lines;
}

std::vector<std::string> ScanregRunRegLines(const w98::Machine& m, const std::string& winDir) {
    std::string checker;
    for (char c : DosPath(m, winDir) + "\\scanregw.exe") {
        if (c == '\\' || c == '"')
            checker += '\\';
        checker += c;
    }
    return {"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]",
            "\"ScanRegistry系统备份\"=\"" + checker + " /autorun\""};
}

JobStep DailyBackupImportStep(const std::string& winDir, std::vector<std::string> importLines) {
    JobStep s = MakeStep(StepKind::Import, {DailyBackupImport(winDir), ""});
    s.text = std::move(importLines);
    return s;
}

std::string DailyBackupJobLine(const w98::Machine& m, const std::string& winDir) {
    return StepLines(m, {DailyBackupImportStep(winDir, {})}).front();
}

std::vector<JobStep> RestoreJobSteps(const RestorePlan& plan) {
    std::vector<JobStep> steps = {LineStep("@ECHO OFF")};
    for (const RestoreFile& f : ClearedLiveFiles())
        steps.push_back(MakeStep(StepKind::ClearAttributes,
                                 {plan.livePath(f), f.to == RestoreTarget::BootRoot ? "c:\\" + f.name : ""}));
    if (!plan.cabinet) {
        for (const RestoreFile& f : plan.files)
            steps.push_back(MakeStep(StepKind::Copy, {plan.livePath(f), ""}, {plan.sourcePath(f), ""}));
        return steps;
    }
    const std::string unpack = HandOverFolder(plan.winDir);
    steps.push_back(MakeStep(StepKind::Extract, {unpack, ""}, {plan.source, ""}));
    // Cleared again once unpacked, and each unpacked copy before it is copied: at once nothing
    // is unpacked into the folder, and the live files were cleared above.
    steps.push_back(OnlyInMsDos(MakeStep(StepKind::ClearAttributes, {"C:\\MSDOS.SYS", "c:\\msdos.sys"})));
    steps.push_back(MakeStep(StepKind::ChangeToFolder, {unpack, ""}));
    for (const RestoreFile& f : plan.files) {
        if (f.handedOver)
            continue; // the clean-up copies it
        const StepPath unpacked = {unpack + "\\" + f.from, f.from};
        if (f.clearAttributesFirst)
            steps.push_back(OnlyInMsDos(MakeStep(StepKind::ClearAttributes, unpacked)));
        steps.push_back(MakeStep(
            StepKind::Copy, {plan.livePath(f), f.to == RestoreTarget::BootRoot ? "c:\\" : "%winbootdir%"},
            unpacked, true));
    }
    return steps;
}

std::vector<std::string> RestoreJobLines(const w98::Machine& m, const RestorePlan& plan,
                                         const std::string& lastLine) {
    std::vector<std::string> lines;
    for (const JobStep& s : RestoreJobSteps(plan)) {
        if (s.kind == StepKind::Extract)
            BatchDrive(plan.bootDrive);
        AppendStepLines(m, s, lines);
    }
    lines.push_back(lastLine);
    return lines;
}

namespace {

[[noreturn]] void refuseFromDos(const w98::Error& e) {
    throw w98::Error(std::string("无法在MS-DOS方式下从这个还原点还原：\n") + e.what() +
                     "\n\n本程序没有做任何改动：没有备份当前系统，没有写任何文件，也不会重新启动电脑。");
}

} // namespace

RestorePlan CheckRestorable(System& system, const SharedPaths& paths, const RestorePoint& point) {
    w98::Machine& m = system.machine;
    std::string winDir;
    try {
        winDir = GetWindowsDir(m);
    } catch (const w98::Error& e) {
        refuseFromDos(e);
    }
    return CheckRestorableIn(m, winDir, paths.BootDrive, point);
}

RestorePlan CheckRestorableIn(const w98::Machine& m, const std::string& winDir, const std::string& bootDrive,
                              const RestorePoint& point) {
    try {
        RestorePlan plan = PlanRestore(m, point, winDir, bootDrive);
        // Every line the restore would write, built and thrown away: what cannot be written
        // safely is found before the first change.
        CheckMsDosBatchLines(m, kDosJob, RestoreJobLines(m, plan, DailyBackupJobLine(m, winDir)));
        ScanregRunRegLines(m, winDir);
        ScanregBackupLines(winDir);
        CheckMsDosBatchLines(m, "C:\\autoexec.txt", AutoexecTxtLines(m, winDir));
        CheckMsDosBatchLines(m, winDir + "\\dosToWin.bat", DosToWinLines(m, winDir));
        return plan;
    } catch (const w98::Error& e) {
        refuseFromDos(e);
    }
}

bool SaveStateBeforeRestore(w98::Machine& m, SharedPaths& paths, const RestorePlan& plan) {
    paths.WinDir = plan.winDir;
    paths.BackupDir = BackupDirIn(paths.WinDir);
    return plan.point.note != notes::kBeforeRestore &&
           BackupWithScanreg(m, paths.WinDir, paths.BackupDir + "\\restore");
}

void RestoreSystem(System& system, SharedPaths& paths, const CheckedRestorePoint& point, bool newestIsToday,
                   const std::function<void()>& processEvents) {
    w98::Machine& m = system.machine;
    const RestorePlan& plan = point.plan;
    auto pump = [&] {
        if (processEvents)
            processEvents();
    };
    WriteRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "old", 1);
    const bool backupMade = SaveStateBeforeRestore(m, paths, plan);
    pump();

    std::string lastLine;
    if (!newestIsToday) {
        WriteBatchFile(m, DailyBackupImport(paths.WinDir), ScanregRunRegLines(m, paths.WinDir));
        lastLine = DailyBackupJobLine(m, paths.WinDir);
    }
    pump();

    WriteMsDosBatchFile(m, kDosJob, RestoreJobLines(m, plan, lastLine));
    PrepareHandOverFolder(m, paths.WinDir);
    // After the pre-restore backup, so that the backup never holds the mark.
    const std::string mark = NewRestoreMark();
    LeaveRestoreMark(m, mark);
    WriteRestoreRecord(m, paths.WinDir, MakeRestoreRecord(m, plan, backupMade, mark));
    pump();
    try {
        RunDosJob(system, paths, processEvents);
    } catch (...) {
        // Nothing was armed: there is no restore for the next start to report. The error
        // that stopped the arming is the one the user sees.
        try {
            ForgetRestoreRecord(m, paths.WinDir);
        } catch (const std::exception&) {
        }
        try {
            RemoveRestoreMark(m, mark);
        } catch (const std::exception&) {
        }
        // Nor is the job left in C:\ for a start that would never run it.
        for (const std::string& file : {std::string(kDosJob), DailyBackupImport(paths.WinDir)})
            try {
                DeleteIfThere(m, file);
            } catch (const std::exception&) {
            }
        throw;
    }
}

} // namespace korvane
