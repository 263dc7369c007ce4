#include "base/dos_attributes.h"
#include "base/error.h"
#include "registry/registry.h"
#include "sysaccess/backup_folder.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system_info.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;
using korvane::test::TempMachineOptions;

TEST(RunAndWait, RunsTheMachinesProgramsAsChildProcesses) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeTextLines("C:\\WINDOWS\\T.BAT", {"@ECHO OFF", "echo hello", "exit"});
    EXPECT_EQ(RunAndWait(m, "command.com /c C:\\WINDOWS\\T.BAT", kSwHide), 0);
    m.writeTextLines("C:\\WINDOWS\\T.BAT", {"@ECHO OFF", "nonsense"});
    EXPECT_EQ(RunAndWait(m, "command.com /c C:\\WINDOWS\\T.BAT", kSwHide), 0);
}

TEST(RunAndWait, AProgramMissingFromTheMachineGivesMinusOne) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(RunAndWait(m, "nothere.exe /x", kSwHide), -1);
    EXPECT_EQ(RunAndWait(m, "C:\\WINDOWS\\COMMAND\\EXTRACT.EXE /y", kSwHide), -1);
    EXPECT_EQ(RunAndWait(m, "", kSwHide), -1);
}

TEST(RunAndWait, OverlongCommandLinesAreRefused) {
    TempMachine tm;
    auto& m = tm.machine();
    std::string line = "command.com /c " + std::string(497, 'x');
    ASSERT_EQ(line.size(), 512u);
    EXPECT_NO_THROW(RunAndWait(m, line, kSwHide));
    EXPECT_THROW(RunAndWait(m, line + "x", kSwHide), w98::Error);
}

TEST(Drives, FirstCdromOrZero) {
    TempMachine two({.drives = "C=fixed\nE=cdrom\nF=cdrom\n"});
    EXPECT_EQ(FindCdromDrive(two.machine()), "E:\\");
    TempMachine none({.drives = "C=fixed\n"});
    EXPECT_EQ(FindCdromDrive(none.machine()), "0");
}

TEST(WindowsFolder, FromSystemRoot) {
    TempMachine tm({.windowsFolder = "D:\\WIN98", .drives = "C=fixed\nD=fixed\n"});
    EXPECT_EQ(GetWindowsDir(tm.machine()), "D:\\WIN98");
    TempMachine bare({.windows98 = false});
    EXPECT_EQ(GetWindowsDir(bare.machine()), "");
}

TEST(WindowsFolder, TheBackupFolderKeepsItsCallersSpelling) {
    EXPECT_EQ(BackupDirIn("D:\\WIN98"), "D:\\WIN98\\SYSBCKUP");
    EXPECT_EQ(BackupDirIn("C:\\Windows 98", BackupDirCase::Lower), "C:\\Windows 98\\sysbckup");
}

TEST(WindowsVersion, BothValuesMustNameWindows98) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_TRUE(IsWindows98(m));
    WriteRegStr(m, w98::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "Version",
                "WINDOWS 98");
    EXPECT_TRUE(IsWindows98(m));
    DeleteRegValue(m, w98::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Setup\\Updates",
                   "Updates");
    EXPECT_FALSE(IsWindows98(m));
    TempMachine me({.windows98 = false});
    WriteRegStr(me.machine(), w98::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                "Version", "Windows Millennium");
    EXPECT_FALSE(IsWindows98(me.machine()));
}

TEST(FileSize, OpensForWriting) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeFile("C:\\EMPTY.BMP", "");
    EXPECT_EQ(FileSizeOf(m, "C:\\EMPTY.BMP"), 0u);
    m.writeFile("C:\\P.JPG", std::string(20000, 'x'));
    EXPECT_EQ(FileSizeOf(m, "c:\\p.jpg"), 20000u);
    m.setAttributes("C:\\P.JPG", w98::attr::kReadOnly);
    EXPECT_THROW(FileSizeOf(m, "C:\\P.JPG"), w98::IoError);
    EXPECT_THROW(FileSizeOf(m, "C:\\MISSING.JPG"), w98::IoError);
    EXPECT_THROW(FileSizeOf(m, "C:\\WINDOWS"), w98::IoError);
}
