#include "dos_job_runner.h"

#include "batch_file.h"
#include "clean_up_steps.h"
#include "job_step_lines.h"
#include "steps_at_once.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "platform/machine.h"
#include "platform/power.h"
#include "sysaccess/backup_folder.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "sysaccess/system_info.h"

#include <optional>

namespace korvane {

std::string DailyBackupImport(const std::string& winDir) {
    return winDir + "\\" + kDailyBackupImportName;
}

std::vector<std::string> AutoexecTxtLines(const w98::Machine& m, const std::string& winDir) {
    return {"@ECHO OFF", "call C:\\dosrun.bat", "call " + DosPath(m, winDir + "\\dosToWin.bat")};
}

std::vector<std::string> ChangeToFolderLines(const w98::Machine& m, const std::string& folder) {
    const std::string path = DosPath(m, folder);
    return {BatchDrive(path.substr(0, 2)), "cd " + path.substr(2)};
}

std::vector<std::string> DosToWinLines(const w98::Machine& m, const std::string& winDir) {
    return StepLines(m, CleanUpSteps(winDir));
}

std::vector<std::string> ProdosLines(const w98::Machine& m, const std::function<void()>& processEvents) {
    std::vector<std::string> lines = {"c:", "cd \\", "attrib -s -h -r c:\\msdos.sys"};
    if (!m.exists("c:\\autoexec.bei"))
        lines.push_back("ren autoexec.bat autoexec.bei");
    if (processEvents)
        processEvents();
    if (m.exists("c:\\autoexec.bat"))
        lines.push_back("del autoexec.bat");
    lines.push_back("ren autoexec.txt autoexec.bat");
    return lines;
}

std::string HandOverFolder(const std::string& winDir) {
    return winDir + "\\temp\\restore1";
}

void PrepareHandOverFolder(w98::Machine& m, const std::string& winDir) {
    const std::string folder = HandOverFolder(winDir);
    if (m.isDirectory(folder)) {
        for (const auto& e : m.list(folder)) {
            if (e.attributes & w98::attr::kDirectory)
                continue;
            const std::string file = folder + "\\" + e.name;
            m.setAttributes(file, w98::attr::kArchive);
            m.deleteFile(file);
        }
    } else {
        m.createDirectories(folder);
    }
    const std::string own = m.exists("C:\\AUTOEXEC.BEI") ? "C:\\AUTOEXEC.BEI" : "C:\\AUTOEXEC.BAT";
    if (m.isFile(own)) {
        m.copyFile(own, folder + "\\Autoexec.bat", true);
        m.setAttributes(folder + "\\Autoexec.bat", w98::attr::kArchive);
    }
}

namespace {

constexpr const char* kLauncher = "C:\\autoexec.txt";
constexpr const char* kSwitchNotRun =
    "没有安排还原：无法运行 MS-DOS 命令解释程序（COMMAND.COM）来换上启动文件，系统没有重新启动，"
    "启动文件保持原样。";
constexpr const char* kSwitchNotMade =
    "没有安排还原：启动文件没能换成还原任务（C:\\AUTOEXEC.BAT 不是还原任务的启动文件），系统没有"
    "重新启动，启动文件保持原样。";

struct SavedFile {
    std::string bytes;
    std::uint8_t attributes = 0;
    w98::DateTime time;
};

std::optional<SavedFile> saved(const w98::Machine& m, const std::string& path) {
    if (!m.isFile(path))
        return std::nullopt;
    return SavedFile{m.readFile(path), m.attributes(path), m.lastWriteTime(path)};
}

// What the switch of the start-up files may change in C:\.
struct StartFilesBefore {
    std::optional<SavedFile> autoexec;
    bool savedCopyThere = false; // C:\AUTOEXEC.BEI
    std::optional<std::uint8_t> msdosAttributes;
};

StartFilesBefore RememberStartFiles(const w98::Machine& m) {
    StartFilesBefore b;
    b.autoexec = saved(m, "C:\\AUTOEXEC.BAT");
    b.savedCopyThere = m.exists("C:\\AUTOEXEC.BEI");
    if (m.isFile("C:\\MSDOS.SYS"))
        b.msdosAttributes = m.attributes("C:\\MSDOS.SYS");
    return b;
}

// Undoes what a switch that did not finish left: the start-up file as it was, no launcher.
void PutStartFilesBack(w98::Machine& m, const StartFilesBefore& before, const std::string& winDir) {
    DeleteIfThere(m, kLauncher);
    DeleteIfThere(m, winDir + "\\prodos.bat");
    DeleteIfThere(m, winDir + "\\dosToWin.bat");
    if (!before.savedCopyThere && m.isFile("C:\\AUTOEXEC.BEI")) {
        if (m.exists("C:\\AUTOEXEC.BAT"))
            DeleteIfThere(m, "C:\\AUTOEXEC.BAT");
        m.moveFile("C:\\AUTOEXEC.BEI", "C:\\AUTOEXEC.BAT");
    }
    if (before.autoexec) {
        const SavedFile& was = *before.autoexec;
        if (!m.isFile("C:\\AUTOEXEC.BAT") || m.readFile("C:\\AUTOEXEC.BAT") != was.bytes) {
            DeleteIfThere(m, "C:\\AUTOEXEC.BAT");
            m.writeFile("C:\\AUTOEXEC.BAT", was.bytes, w98::attr::kArchive);
            m.setLastWriteTime("C:\\AUTOEXEC.BAT", was.time);
        }
        if (m.attributes("C:\\AUTOEXEC.BAT") != was.attributes)
            m.setAttributes("C:\\AUTOEXEC.BAT", was.attributes);
    } else {
        DeleteIfThere(m, "C:\\AUTOEXEC.BAT");
    }
    if (before.msdosAttributes && m.isFile("C:\\MSDOS.SYS") &&
        m.attributes("C:\\MSDOS.SYS") != *before.msdosAttributes)
        m.setAttributes("C:\\MSDOS.SYS", *before.msdosAttributes);
}

} // namespace

void RunDosJob(System& system, SharedPaths& paths, const std::function<void()>& processEvents) {
    w98::Machine& m = system.machine;
    const std::string winDir = GetWindowsDir(m);
    // The lines first: a Windows folder that MS-DOS cannot name stops the runner before
    // anything is changed.
    const auto launcher = AutoexecTxtLines(m, winDir);
    const auto cleanUp = DosToWinLines(m, winDir);
    paths.BackupDir = BackupDirIn(winDir, BackupDirCase::Lower);
    WriteRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "Disabled", 0);
    const StartFilesBefore before = RememberStartFiles(m);
    WriteMsDosBatchFile(m, kLauncher, launcher);
    const std::string launcherBytes = m.readFile(kLauncher);
    WriteMsDosBatchFile(m, winDir + "\\dosToWin.bat", cleanUp);
    WriteBatchFile(m, winDir + "\\prodos.bat", ProdosLines(m, processEvents));
    const std::int32_t ran = RunAndWait(m, "command.com /c " + BatchPath(winDir + "\\prodos.bat"), kSwHide);
    // The restart is asked for only with the launcher in place: a start with the old start-up
    // file would restore nothing and leave the job's files behind.
    if (ran < 0 || m.exists(kLauncher) || !m.isFile("C:\\AUTOEXEC.BAT") ||
        m.readFile("C:\\AUTOEXEC.BAT") != launcherBytes) {
        PutStartFilesBack(m, before, winDir);
        throw w98::Error(ran < 0 ? kSwitchNotRun : kSwitchNotMade);
    }
    system.power.exitWindows(w98::kEwxReboot, 0);
}

} // namespace korvane
