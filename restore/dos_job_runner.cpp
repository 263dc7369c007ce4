#include "dos_job_runner.h"

#include "batch_file.h"

#include "platform/dos_attributes.h"
#include "platform/error.h"
#include "platform/machine.h"
#include "platform/power.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "sysaccess/system_info.h"

namespace korvane {

std::vector<std::string> AutoexecTxtLines(const std::string& winDir) {
    return {"@ECHO OFF", "call C:\\dosrun.bat", "call " + BatchPath(winDir + "\\dosToWin.bat")};
}

std::vector<std::string> DosToWinLines(const std::string& winDir, const std::string& bootDriveText) {
    const std::string bootDrive = BatchDrive(bootDriveText);
    return {"@ECHO OFF",
            "c:",
            "cd \\",
            "del autoexec.txt",
            "del " + BatchPath(winDir + "\\prodos.bat"),
            "del " + BatchPath(winDir + "\\scRegbei.bat"),
            "del " + BatchPath(winDir + "\\scanregrun.reg"),
            "del dosrun.bat",
            "del c:\\autoexec.bat",
            "del autoexec.bei",
            "%winbootdir%\\COMMAND\\attrib +s +h +r c:\\msdos.sys",
            "%winbootdir%\\COMMAND\\attrib +s +h +r c:\\io.sys",
            "if not exist Msdos.sys ren Msdos.bei Msdos.sys",
            "del Msdos.bei",
            bootDrive,
            "cd \\",
            "cd windows",
            "cd temp",
            "cd RESTORE1",
            "copy Autoexec.bat c:\\ /Y",
            bootDrive,
            "cd \\",
            "cd windows",
            "win"};
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

std::string HandOverFolder(const std::string& winDir) { return winDir + "\\temp\\restore1"; }

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

void RunDosJob(System& system, SharedPaths& paths, const std::function<void()>& processEvents) {
    w98::Machine& m = system.machine;
    const std::string winDir = GetWindowsDir(m);
    const std::string bootDrive = winDir.substr(0, 2);
    // The lines first: a Windows folder that MS-DOS cannot name stops the runner before
    // anything is changed.
    const auto launcher = AutoexecTxtLines(winDir);
    const auto cleanUp = DosToWinLines(winDir, bootDrive);
    paths.BackupDir = winDir + "\\sysbckup";
    WriteRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "Disabled", 0);
    WriteBatchFile(m, "C:\\autoexec.txt", launcher);
    WriteBatchFile(m, winDir + "\\dosToWin.bat", cleanUp);
    WriteBatchFile(m, winDir + "\\prodos.bat", ProdosLines(m, processEvents));
    RunAndWait(m, "command.com /c " + BatchPath(winDir + "\\prodos.bat"), kSwHide);
    system.power.exitWindows(w98::kEwxReboot, 0);
}

} // namespace korvane
