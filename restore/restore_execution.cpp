#include "restore_execution.h"

#include "batch_file.h"
#include "daily_backup.h"
#include "dos_job_runner.h"
#include "restore_mark.h"
#include "restore_point.h"
#include "restore_record.h"
#include "restore_table.h"

#include "platform/error.h"
#include "platform/machine.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "sysaccess/system_info.h"


namespace korvane {
namespace {
const std::string kAttrib = "%winbootdir%\\COMMAND\\attrib -s -h -r ";
}

const std::vector<std::string>& RestoreProgressLines() {
    static const std::vector<std::string> lines = {"", " 请少侯1分钟...", "", "   正在备份当前的系统文件...", "",
                                                   "    请勿对电脑再作操作", "", "     请您等待电脑自动重新启动后就好了"};
    return lines;
}

std::vector<std::string> ScanregRunRegLines(const std::string& bootDrive) {
    return {"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]",
            "\"ScanRegistry系统备份\"=\"" + BatchDrive(bootDrive) + "\\\\WINDOWS\\\\scanregw.exe /autorun\""};
}

std::string SourceCabinet(const std::string& note, const std::string& folder, const std::string& fileName) {
    if (note == notes::kMovedNow && folder.find("old") == std::string::npos)
        return folder + "\\old\\" + fileName;
    return folder + "\\" + fileName;
}

std::string DailyBackupJobLine(const w98::Machine& m, const std::string& winDir) {
    return "regedit " + DosPath(m, DailyBackupImport(winDir));
}

std::vector<std::string> RestoreJobLines(const w98::Machine& m, const std::string& winDir, const std::string& bootDrive,
                                         const std::string& note, const std::string& folder,
                                         const std::string& extension, const std::string& fileName,
                                         const std::string& lastLine) {
    auto dos = [&](const std::string& path) { return DosPath(m, path); };
    auto attrib = [&](const std::string& path) { return kAttrib + dos(path); };
    std::vector<std::string> lines = {"@ECHO OFF",
                                      attrib(winDir + "\\system.dat"),
                                      attrib(winDir + "\\user.dat"),
                                      attrib(winDir + "\\desktop.ini"),
                                      kAttrib + "c:\\msdos.sys",
                                      kAttrib + "c:\\io.sys"};
    if (extension == ".cab") {
        const std::string unpack = HandOverFolder(winDir);
        BatchDrive(bootDrive);
        lines.push_back("%winbootdir%\\COMMAND\\extract /y /e /L " + dos(unpack) + " " +
                        dos(SourceCabinet(note, folder, fileName)));
        lines.push_back(kAttrib + "c:\\msdos.sys");
        for (const auto& line : ChangeToFolderLines(m, unpack))
            lines.push_back(line);
        const std::vector<std::string> cab = {
            kAttrib + "msdos.sys",
            "copy msdos.sys c:\\ /Y",
            "copy command.com c:\\ /Y",
            "copy config.sys c:\\ /Y",
            "copy Control.ini %winbootdir% /Y",
            kAttrib + "io.sys",
            "copy io.sys c:\\ /Y",
            kAttrib + "Desktop.ini",
            "copy Desktop.ini %winbootdir% /Y",
            "copy Explorer.exe %winbootdir% /Y",
            "copy Protocol.ini %winbootdir% /Y",
            kAttrib + "system.dat",
            "copy system.dat %winbootdir% /Y",
            "copy system.ini %winbootdir% /Y",
            kAttrib + "user.dat",
            "copy user.dat %winbootdir% /Y",
            "copy win.ini %winbootdir% /Y",
            "copy win.com %winbootdir% /Y"};
        lines.insert(lines.end(), cab.begin(), cab.end());
    } else {
        auto copy = [&](const std::string& from, const std::string& to) {
            lines.push_back("copy " + dos(folder + "\\" + from) + " " + dos(winDir + "\\" + to));
        };
        copy("system" + extension, "system.dat");
        copy("user" + extension, "user.dat");
        auto copyIfThere = [&](const char* from, const char* to) {
            if (m.exists(folder + "\\" + from))
                copy(from, to);
        };
        if (extension == ".dat") {
            copyIfThere("win.ini", "win.ini");
            copyIfThere("system.ini", "system.ini");
        } else if (extension == ".da") {
            copyIfThere("win.in", "win.ini");
            copyIfThere("system.in", "system.ini");
        } else if (extension == ".da0") {
            copyIfThere("win.in0", "win.ini");
            copyIfThere("system.in0", "system.ini");
        }
    }
    lines.push_back(lastLine);
    return lines;
}

namespace {

struct ChosenRow {
    std::string note, folder, extension, fileName;
};

[[noreturn]] void refuseFromDos(const w98::Error& e) {
    throw w98::Error(std::string("无法在MS-DOS方式下从这个还原点还原：\n") + e.what() +
                     "\n\n本程序没有做任何改动：没有备份当前系统，没有写任何文件，也不会重新启动电脑。");
}

ChosenRow RowAt(const TextTable& table, int row) {
    return {table.cell(restore_col::kNote, row), table.cell(restore_col::kFolder, row),
            table.cell(restore_col::kExtension, row), table.cell(restore_col::kFileName, row)};
}

} // namespace

void CheckRestorable(System& system, const SharedPaths& paths, const TextTable& table, int row) {
    w98::Machine& m = system.machine;
    std::string winDir;
    try {
        winDir = GetWindowsDir(m);
    } catch (const w98::Error& e) {
        refuseFromDos(e);
    }
    CheckRestorableIn(m, winDir, paths.BootDrive, table, row);
}

void CheckRestorableIn(const w98::Machine& m, const std::string& winDir, const std::string& bootDrive,
                       const TextTable& table, int row) {
    const ChosenRow r = RowAt(table, row);
    try {
        // Every line the restore would write, built and thrown away: what cannot be written
        // safely is found before the first change.
        CheckMsDosBatchLines(m, kDosJob,
                             RestoreJobLines(m, winDir, bootDrive, r.note, r.folder, r.extension, r.fileName,
                                             DailyBackupJobLine(m, winDir)));
        ScanregRunRegLines(bootDrive);
        ScanregBackupLines(winDir);
        CheckMsDosBatchLines(m, "C:\\autoexec.txt", AutoexecTxtLines(m, winDir));
        CheckMsDosBatchLines(m, winDir + "\\dosToWin.bat", DosToWinLines(m, winDir));
    } catch (const w98::Error& e) {
        refuseFromDos(e);
    }
}

void RestoreSystem(System& system, SharedPaths& paths, const TextTable& table, int row,
                   const CheckedRestorePoint& point, const std::function<void()>& processEvents) {
    w98::Machine& m = system.machine;
    CheckRestorable(system, paths, table, row);
    auto pump = [&] {
        if (processEvents)
            processEvents();
    };
    paths.WinDir = GetWindowsDir(m);
    paths.BackupDir = paths.WinDir + "\\SYSBCKUP";
    WriteRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "old", 1);

    const ChosenRow r = RowAt(table, row);
    const std::string& note = r.note;

    // The record offers the pre-restore backup as the way back only when the checker made one.
    bool backupMade = false;
    if (note != notes::kBeforeRestore) {
        backupMade = BackupWithScanreg(m, paths.WinDir, paths.BackupDir + "\\restore");
        pump();
    }

    std::string lastLine;
    if (!NewestRestorePointIsToday(table, m, system.clock)) {
        WriteBatchFile(m, DailyBackupImport(paths.WinDir), ScanregRunRegLines(paths.BootDrive));
        lastLine = DailyBackupJobLine(m, paths.WinDir);
    }
    pump();

    const auto job =
        RestoreJobLines(m, paths.WinDir, paths.BootDrive, note, r.folder, r.extension, r.fileName, lastLine);
    WriteMsDosBatchFile(m, kDosJob, job);
    PrepareHandOverFolder(m, paths.WinDir);
    // After the pre-restore backup, so that the backup never holds the mark.
    const std::string mark = NewRestoreMark();
    LeaveRestoreMark(m, mark);
    WriteRestoreRecord(m, paths.WinDir,
                       MakeRestoreRecord(m, point, table.cell(restore_col::kDate, row), backupMade, mark));
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
        throw;
    }
}

} // namespace korvane
