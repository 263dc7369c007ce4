#include "platform/clock.h"
#include "platform/dos_attributes.h"
#include "platform/error.h"
#include "restore/daily_backup.h"
#include "restore/dos_job_runner.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;
using Lines = std::vector<std::string>;

TEST(DosJobRunner, LauncherAndCleanUpName) {
    EXPECT_EQ(AutoexecTxtLines("C:\\WINDOWS"), (Lines{"@ECHO OFF", "call C:\\dosrun.bat", "call C:\\WINDOWS\\dosToWin.bat"}));
    Lines c = DosToWinLines("C:\\WINDOWS", "C:");
    ASSERT_EQ(c.size(), 24u);
    EXPECT_EQ(c[4], "del C:\\WINDOWS\\prodos.bat");
    EXPECT_EQ(c[23], "win");
    Lines d = DosToWinLines("D:\\WINDOWS", "D:");
    EXPECT_EQ(d[14], "D:");
    EXPECT_EQ(d[20], "D:");
    EXPECT_EQ(d[1], "c:");
    EXPECT_EQ(d[2], "cd \\");
}

TEST(DosJobRunner, ArmingLinesFollowWhatCHolds) {
    TempMachine tm;
    auto& m = tm.machine();
    const Lines both = {"c:", "cd \\", "attrib -s -h -r c:\\msdos.sys", "ren autoexec.bat autoexec.bei", "del autoexec.bat",
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
    Lines job = RestoreJobLines(tm.machine(), "C:\\WINDOWS", "C:", notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP", ".cab",
                                "rb002.cab", "");
    ASSERT_EQ(job.size(), 32u);
    EXPECT_EQ(job[1], "%winbootdir%\\COMMAND\\attrib -s -h -r C:\\WINDOWS\\system.dat");
    EXPECT_EQ(job[6], "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\temp\\restore1 C:\\WINDOWS\\SYSBCKUP\\rb002.cab");
    EXPECT_EQ(job[8], "C:");
    EXPECT_EQ(job[30], "copy win.com %winbootdir% /Y");
    EXPECT_EQ(job[31], "");
    EXPECT_EQ(SourceCabinet(notes::kMovedNow, "C:\\WINDOWS\\SYSBCKUP", "rb002.cab"), "C:\\WINDOWS\\SYSBCKUP\\old\\rb002.cab");
    EXPECT_EQ(SourceCabinet(notes::kMovedNow, "C:\\WINDOWS\\sysbckup\\old", "rb002.cab"), "C:\\WINDOWS\\sysbckup\\old\\rb002.cab");
}

TEST(RestoreJob, FilePairCopiesOnlyWhatExists) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeFile("C:\\WINDOWS\\win.in0", "x");
    Lines job = RestoreJobLines(m, "C:\\WINDOWS", "C:", notes::kFirstInstall, "C:\\WINDOWS", ".da0", "system.da0", "regedit x");
    EXPECT_EQ(Lines(job.begin() + 6, job.end()),
              (Lines{"copy C:\\WINDOWS\\system.da0 C:\\WINDOWS\\system.dat", "copy C:\\WINDOWS\\user.da0 C:\\WINDOWS\\user.dat",
                     "copy C:\\WINDOWS\\win.in0 C:\\WINDOWS\\win.ini", "regedit x"}));
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
    CheckedRestorePoint point{"C:\\WINDOWS\\SYSBCKUP\\rb000.cab", "REGEDIT4\r\n\r\n", "REGEDIT4\r\n\r\n"};
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
    RestoreSystem(h.system, h.paths, h.table, 1, h.point, {});
    EXPECT_FALSE(m.exists("C:\\WINDOWS\\scRegbei.bat"));
    EXPECT_FALSE(m.exists("C:\\WINDOWS\\scanregrun.reg")); // the newest point is from today
    Lines job = m.readTextLines("C:\\dosrun.bat");
    EXPECT_EQ(job.back(), "");
    EXPECT_EQ(job[6], "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\temp\\restore1 C:\\WINDOWS\\sysbckup\\restore\\rb000.cab");
    EXPECT_EQ(ReadRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "old"), 1);
    EXPECT_EQ(ReadRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "Disabled"), 0);
    // The arming batch ran: the launcher is C:\AUTOEXEC.BAT, the user's file waits as AUTOEXEC.BEI.
    EXPECT_EQ(m.readTextLines("C:\\AUTOEXEC.BAT"), AutoexecTxtLines("C:\\WINDOWS"));
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
    RestoreSystem(h.system, h.paths, h.table, 1, h.point, {});
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\scanregrun.reg"),
              (Lines{"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]",
                     "\"ScanRegistry系统备份\"=\"C:\\\\WINDOWS\\\\scanregw.exe /autorun\""}));
    EXPECT_EQ(m.readTextLines("C:\\dosrun.bat").back(), "regedit C:\\WINDOWS\\scanregrun.reg");
    EXPECT_TRUE(m.exists("C:\\WINDOWS\\scRegbei.bat"));
    EXPECT_EQ(m.list("C:\\WINDOWS\\sysbckup\\restore", "*.cab").size(), 1u);
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\scanreg.ini"), ScanregTemplate());
}

TEST(RestoreSystem, ControlCharactersFromTheDiskAreRefused) {
    RestoreHarness h;
    auto& m = h.tm.machine();
    h.row("2002-5-17 8:00:00", notes::kBeforeRestore, "C:\\WINDOWS\\sysbckup\\restore");
    h.table.setCell(restore_col::kFileName, 1, "rb000.cab\r\nformat c:");
    EXPECT_THROW(RestoreSystem(h.system, h.paths, h.table, 1, h.point, {}), w98::Error);
    EXPECT_FALSE(m.exists("C:\\dosrun.bat"));
    EXPECT_TRUE(h.power.calls.empty());
}
