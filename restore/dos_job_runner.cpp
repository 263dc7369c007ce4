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
    std::vector<std::string> lines = {"@ECHO OFF",
                                      "c:",
                                      "cd \\",
                                      "del autoexec.txt",
                                      "del " + DosPath(m, winDir + "\\prodos.bat"),
                                      "del " + DosPath(m, winDir + "\\scRegbei.bat"),
                                      "del " + DosPath(m, DailyBackupImport(winDir)),
                                      "del dosrun.bat",
                                      "del c:\\autoexec.bat",
                                      "del autoexec.bei",
                                      "%winbootdir%\\COMMAND\\attrib +s +h +r c:\\msdos.sys",
                                      "%winbootdir%\\COMMAND\\attrib +s +h +r c:\\io.sys",
                                      "if not exist Msdos.sys ren Msdos.bei Msdos.sys",
                                      "del Msdos.bei"};
    // Into the hand-over folder and back to the Windows folder by their own short paths,
    // wherever the Windows folder is.
    for (const auto& line : ChangeToFolderLines(m, HandOverFolder(winDir)))
        lines.push_back(line);
    lines.push_back("copy Autoexec.bat c:\\ /Y");
    for (const auto& line : ChangeToFolderLines(m, winDir))
        lines.push_back(line);
    lines.push_back("win");
    return lines;
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

void RunDosJob(System& system, SharedPaths& paths, const std::function<void()>& processEvents) {
    w98::Machine& m = system.machine;
    const std::string winDir = GetWindowsDir(m);
    // The lines first: a Windows folder that MS-DOS cannot name stops the runner before
    // anything is changed.
    const auto launcher = AutoexecTxtLines(m, winDir);
    const auto cleanUp = DosToWinLines(m, winDir);
    paths.BackupDir = winDir + "\\sysbckup";
    WriteRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "Disabled", 0);
    WriteMsDosBatchFile(m, "C:\\autoexec.txt", launcher);
    WriteMsDosBatchFile(m, winDir + "\\dosToWin.bat", cleanUp);
    WriteBatchFile(m, winDir + "\\prodos.bat", ProdosLines(m, processEvents));
    RunAndWait(m, "command.com /c " + BatchPath(winDir + "\\prodos.bat"), kSwHide);
    system.power.exitWindows(w98::kEwxReboot, 0);
}

} // namespace korvane
