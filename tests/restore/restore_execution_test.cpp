#include "base/dos_attributes.h"
#include "base/error.h"
#include "dosjob/dos_job_runner.h"
#include "platform/clock.h"
#include "restore/daily_backup.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/restore_click.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

using namespace korvane;
using korvane::test::TempMachine;
using Lines = std::vector<std::string>;

namespace {
RestorePoint pointOf(const char* note, const std::string& folder, const char* extension, const char* file) {
    RestorePoint p;
    p.note = note;
    p.folder = folder;
    p.extension = extension;
    p.fileName = file;
    return p;
}
Lines jobLines(const w98::Machine& m, const std::string& winDir, const char* note, const std::string& folder,
               const char* extension, const char* file, const std::string& last) {
    return RestoreJobLines(m, PlanRestore(m, pointOf(note, folder, extension, file), winDir, "C:"), last);
}
} // namespace

TEST(DosJobRunner, LauncherAndCleanUpNameEveryPathByItsShortNameAndMoveByTheFoldersOwnPaths) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(AutoexecTxtLines(m, "C:\\WINDOWS"),
              (Lines{"@ECHO OFF", "call C:\\dosrun.bat", "call C:\\WINDOWS\\DOSTOWIN.BAT"}));
    const Lines c = DosToWinLines(m, "C:\\WINDOWS");
    EXPECT_EQ(c, (Lines{"@ECHO OFF",
                        "c:",
                        "cd \\",
                        "del autoexec.txt",
                        "del C:\\WINDOWS\\PRODOS.BAT",
                        "del C:\\WINDOWS\\SCREGBEI.BAT",
                        "del C:\\WINDOWS\\SCANRUN.REG",
                        "del dosrun.bat",
                        "del c:\\autoexec.bat",
                        "del autoexec.bei",
                        "%winbootdir%\\COMMAND\\attrib +s +h +r c:\\msdos.sys",
                        "%winbootdir%\\COMMAND\\attrib +s +h +r c:\\io.sys",
                        "if not exist Msdos.sys ren Msdos.bei Msdos.sys",
                        "del Msdos.bei",
                        "C:",
                        "cd \\WINDOWS\\TEMP\\RESTORE1",
                        "copy Autoexec.bat c:\\ /Y",
                        "C:",
                        "cd \\WINDOWS",
                        "win"}));

    // A Windows folder on another drive, and one with a long name: its short name is read
    // from the disk, the hand-over folder below it spelt as MS-DOS will see it.
    const Lines d = DosToWinLines(m, "D:\\WINDOWS");
    EXPECT_EQ(Lines(d.begin() + 14, d.end()),
              (Lines{"D:", "cd \\WINDOWS\\TEMP\\RESTORE1", "copy Autoexec.bat c:\\ /Y", "D:", "cd \\WINDOWS",
                     "win"}));
    EXPECT_EQ(d[1], "c:");
    EXPECT_EQ(d[2], "cd \\");
    m.createDirectories("C:\\Windows 98\\temp");
    const Lines l = DosToWinLines(m, "C:\\Windows 98");
    EXPECT_EQ(l[4], "del C:\\WINDOW~1\\PRODOS.BAT");
    EXPECT_EQ(Lines(l.begin() + 14, l.end()),
              (Lines{"C:", "cd \\WINDOW~1\\TEMP\\RESTORE1", "copy Autoexec.bat c:\\ /Y",
                     "C:", "cd \\WINDOW~1", "win"}));
    EXPECT_EQ(AutoexecTxtLines(m, "C:\\Windows 98")[2], "call C:\\WINDOW~1\\DOSTOWIN.BAT");
}

TEST(DosJobRunner, ArmingLinesFollowWhatCHolds) {
    TempMachine tm;
    auto& m = tm.machine();
    const Lines both = {"c:",
                        "cd \\",
                        "attrib -s -h -r c:\\msdos.sys",
                        "ren autoexec.bat autoexec.bei",
                        "del autoexec.bat",
                        "ren autoexec.txt autoexec.bat"};
    const Lines renameOnly = {"c:", "cd \\", "attrib -s -h -r c:\\msdos.sys", "ren autoexec.bat autoexec.bei",
                              "ren autoexec.txt autoexec.bat"};
    const Lines deleteOnly = {"c:", "cd \\", "attrib -s -h -r c:\\msdos.sys", "del autoexec.bat",
                              "ren autoexec.txt autoexec.bat"};
    EXPECT_EQ(ProdosLines(m, {}), renameOnly);
    m.writeFile("C:\\AUTOEXEC.BAT", "@ECHO OFF\r\n");
    EXPECT_EQ(ProdosLines(m, {}), both);
    m.writeFile("C:\\AUTOEXEC.BEI", "@ECHO OFF\r\n");
    EXPECT_EQ(ProdosLines(m, {}), deleteOnly);
}

TEST(DosJobRunner, HandOverFolderHoldsOnlyTheUsersStartUpFile) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\temp\\restore1");
    m.writeFile("C:\\WINDOWS\\temp\\restore1\\win.ini", "stale", w98::attr::kReadOnly);
    m.writeFile("C:\\WINDOWS\\temp\\restore1\\io.sys", "stale", w98::attr::kReadOnly | w98::attr::kHidden);
    m.writeFile("C:\\AUTOEXEC.BAT", "mine\r\n");
    PrepareHandOverFolder(m, "C:\\WINDOWS");
    auto entries = m.list("C:\\WINDOWS\\temp\\restore1");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Autoexec.bat");
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat"), "mine\r\n");
    // While an earlier arming is pending, the user's own file is the saved one.
    m.writeFile("C:\\AUTOEXEC.BEI", "saved\r\n");
    PrepareHandOverFolder(m, "C:\\WINDOWS");
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat"), "saved\r\n");
}

TEST(RestoreJob, CabinetLinesAndTheMovedSource) {
    TempMachine tm;
    Lines job = jobLines(tm.machine(), "C:\\WINDOWS", notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP", ".cab",
                         "rb002.cab", "");
    ASSERT_EQ(job.size(), 29u);
    EXPECT_EQ(job[1], "%winbootdir%\\COMMAND\\attrib -s -h -r C:\\WINDOWS\\SYSTEM.DAT");
    EXPECT_EQ(job[6], "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 "
                      "C:\\WINDOWS\\SYSBCKUP\\RB002.CAB");
    // Into the folder the cabinet was unpacked into, by its own path.
    EXPECT_EQ(job[8], "C:");
    EXPECT_EQ(job[9], "cd \\WINDOWS\\TEMP\\RESTORE1");
    EXPECT_EQ(job[10], "%winbootdir%\\COMMAND\\attrib -s -h -r msdos.sys");
    EXPECT_EQ(job[27], "copy win.com %winbootdir% /Y");
    EXPECT_EQ(job[28], "");
    EXPECT_EQ(SourceCabinet(pointOf(notes::kMovedNow, "C:\\WINDOWS\\SYSBCKUP", ".cab", "rb002.cab")),
              "C:\\WINDOWS\\SYSBCKUP\\old\\rb002.cab");
    EXPECT_EQ(SourceCabinet(pointOf(notes::kMovedNow, "C:\\WINDOWS\\sysbckup\\old", ".cab", "rb002.cab")),
              "C:\\WINDOWS\\sysbckup\\old\\rb002.cab");

    // A Windows folder that is not C:\WINDOWS: the job moves into its hand-over folder.
    TempMachine win98({.windowsFolder = "C:\\WIN98"});
    job = jobLines(win98.machine(), "C:\\WIN98", notes::kDailyBackup, "C:\\WIN98\\SYSBCKUP", ".cab",
                   "rb002.cab", "");
    EXPECT_EQ(
        job[6],
        "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WIN98\\TEMP\\RESTORE1 C:\\WIN98\\SYSBCKUP\\RB002.CAB");
    EXPECT_EQ(job[9], "cd \\WIN98\\TEMP\\RESTORE1");
    // The daily backup the restored registry makes runs the checker of this Windows folder.
    EXPECT_EQ(ScanregRunRegLines(win98.machine(), "C:\\WIN98").back(),
              "\"ScanRegistry系统备份\"=\"C:\\\\WIN98\\\\scanregw.exe /autorun\"");
}

TEST(RestoreJob, FilePairCopiesOnlyWhatExists) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeFile("C:\\WINDOWS\\win.in0", "x");
    Lines job =
        jobLines(m, "C:\\WINDOWS", notes::kFirstInstall, "C:\\WINDOWS", ".da0", "system.da0", "regedit x");
    EXPECT_EQ(Lines(job.begin() + 6, job.end()),
              (Lines{"copy C:\\WINDOWS\\SYSTEM.DA0 C:\\WINDOWS\\SYSTEM.DAT",
                     "copy C:\\WINDOWS\\USER.DA0 C:\\WINDOWS\\USER.DAT",
                     "copy C:\\WINDOWS\\WIN.IN0 C:\\WINDOWS\\WIN.INI", "regedit x"}));
}

namespace {
struct RestoreHarness {
    TempMachine tm;
    w98::FixedClock clock{w98::DateTime{2002, 5, 17, 10, 0, 0}};
    test::RecordingShell shell;
    test::RecordingPower power;
    System system{tm.machine(), clock, shell, power};
    SharedPaths paths{"C:\\WINDOWS", "C:", "C:\\WINDOWS\\SYSBCKUP", "C:\\KORVANE"};
    TextTable table;
    RestoreHarness() {
        auto& m = tm.machine();
        WriteScanregTemplate(m, "C:\\WINDOWS");
        m.writeFile("C:\\WINDOWS\\COMMAND\\SCANREG.EXE", "MZ");
        m.writeFile("C:\\AUTOEXEC.BAT", "@ECHO OFF\r\n");
    }
    void row(const std::string& date, const std::string& note, const std::string& folder) {
        table = TextTable(7, 2);
        table.setCell(restore_col::kDate, 1, date);
        table.setCell(restore_col::kNote, 1, note);
        table.setCell(restore_col::kFolder, 1, folder);
        table.setCell(restore_col::kExtension, 1, ".cab");
        table.setCell(restore_col::kFileName, 1, "rb000.cab");
    }
};
} // namespace

TEST(RestoreSystem, APreRestoreBackupIsRestoredWithoutAnotherBackupAndArmsTheJob) {
    RestoreHarness h;
    auto& m = h.tm.machine();
    h.row("2002-5-17 8:00:00", notes::kBeforeRestore, "C:\\WINDOWS\\sysbckup\\restore");
    test::RestoreRowUnread(h.system, h.paths, h.table, 1);
    EXPECT_FALSE(m.exists("C:\\WINDOWS\\scRegbei.bat"));
    EXPECT_FALSE(m.exists("C:\\WINDOWS\\scanrun.reg")); // the newest point is from today
    Lines job = m.readTextLines("C:\\dosrun.bat");
    EXPECT_EQ(job.back(), "");
    EXPECT_EQ(job[6], "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 "
                      "C:\\WINDOWS\\SYSBCKUP\\RESTORE\\RB000.CAB");
    EXPECT_EQ(ReadRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "old"), 1);
    EXPECT_EQ(ReadRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "Disabled"), 0);
    // The arming batch ran: the launcher is C:\AUTOEXEC.BAT, the user's file waits as AUTOEXEC.BEI.
    EXPECT_EQ(m.readTextLines("C:\\AUTOEXEC.BAT"), AutoexecTxtLines(m, "C:\\WINDOWS"));
    EXPECT_EQ(m.readFile("C:\\AUTOEXEC.BEI"), "@ECHO OFF\r\n");
    EXPECT_FALSE(m.exists("C:\\autoexec.txt"));
    ASSERT_EQ(h.power.calls.size(), 1u);
    EXPECT_EQ(h.power.calls[0].flags, 2u);
    EXPECT_EQ(h.paths.BackupDir, "C:\\WINDOWS\\sysbckup");
}

TEST(RestoreSystem, AnOlderNewestPointRearmsTheDailyBackupAndTheStateIsSavedFirst) {
    RestoreHarness h;
    auto& m = h.tm.machine();
    h.row("2002-5-16 8:00:00", notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP");
    test::RestoreRowUnread(h.system, h.paths, h.table, 1);
    EXPECT_EQ(
        m.readTextLines("C:\\WINDOWS\\scanrun.reg"),
        (Lines{"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]",
               "\"ScanRegistry系统备份\"=\"C:\\\\WINDOWS\\\\scanregw.exe /autorun\""}));
    EXPECT_EQ(m.readTextLines("C:\\dosrun.bat").back(), "regedit C:\\WINDOWS\\SCANRUN.REG");
    EXPECT_TRUE(m.exists("C:\\WINDOWS\\scRegbei.bat"));
    EXPECT_EQ(m.list("C:\\WINDOWS\\sysbckup\\restore", "*.cab").size(), 1u);
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\scanreg.ini"), ScanregTemplate());
}

TEST(RestoreSystem, ControlCharactersFromTheDiskAreRefused) {
    RestoreHarness h;
    auto& m = h.tm.machine();
    h.row("2002-5-17 8:00:00", notes::kBeforeRestore, "C:\\WINDOWS\\sysbckup\\restore");
    h.table.setCell(restore_col::kFileName, 1, "rb000.cab\r\nformat c:");
    EXPECT_THROW(test::RestoreRowUnread(h.system, h.paths, h.table, 1), w98::Error);
    EXPECT_FALSE(m.exists("C:\\dosrun.bat"));
    EXPECT_TRUE(h.power.calls.empty());
}

// A restore whose steps cannot run fails with the reason, asks for no restart and leaves C:\ as
// it was byte for byte: without the checker's command interpreter the state before cannot be
// saved; with a point that needs no such save, the start-up files cannot be switched.
TEST(RestoreSystem, AStepThatCannotRunFailsTheClickAndLeavesTheRootAsItWas) {
    struct Case {
        const char* note;
        const char* folder;
        const char* message;
    };
    for (const Case& c :
         {Case{notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP",
               "没有做备份：无法运行 MS-DOS "
               "命令解释程序（COMMAND.COM）来启动注册表检查程序，什么也没有改动。"},
          Case{notes::kBeforeRestore, "C:\\WINDOWS\\sysbckup\\restore",
               "没有安排还原：无法运行 MS-DOS 命令解释程序（COMMAND.COM）来换上启动文件，系统没有重新启动，"
               "启动文件保持原样。"}}) {
        RestoreHarness h;
        auto& m = h.tm.machine();
        m.writeFile("C:\\MSDOS.SYS", "[Paths]\r\n",
                    w98::attr::kReadOnly | w98::attr::kHidden | w98::attr::kSystem);
        h.row("2002-5-16 8:00:00", c.note, c.folder);
        auto root = [&] {
            std::map<std::string, std::string> files;
            for (const auto& e : std::filesystem::directory_iterator(h.tm.root() / "drive_c"))
                if (e.is_regular_file())
                    files[e.path().filename().string()] = test::readBytes(e.path());
            return files;
        };
        const auto before = root();
        const auto msdos = m.attributes("C:\\MSDOS.SYS");
        ::setenv("W98_TOOL", "/nonexistent/w98", 1);
        try {
            test::RestoreRowUnread(h.system, h.paths, h.table, 1);
            ADD_FAILURE() << c.note << ": no error";
        } catch (const w98::Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        ::unsetenv("W98_TOOL");
        EXPECT_EQ(root(), before) << c.note;
        EXPECT_EQ(m.attributes("C:\\MSDOS.SYS"), msdos);
        EXPECT_FALSE(m.exists("C:\\WINDOWS\\korvane.rst"));
        EXPECT_FALSE(m.exists("C:\\WINDOWS\\prodos.bat"));
        EXPECT_TRUE(h.power.calls.empty());
    }
}
