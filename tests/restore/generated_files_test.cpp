// Every file the restore road writes, byte for byte, as the generators write it on a machine:
// the job C:\dosrun.bat in its cabinet and file-pair forms, the launcher, the clean-up, the
// arming batch, the registry checker's batch, the registry import and the checker's settings.
#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "dosjob/dos_job_runner.h"
#include "platform/clock.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_point.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/restore_click.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;
using korvane::test::TempMachineOptions;

namespace {

// The lines as a file holds them: code page 936, CR LF after every one.
std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return w98::cp936::fromUtf8(out);
}

struct Restore {
    TempMachine tm;
    w98::FixedClock clock{w98::DateTime{2002, 5, 17, 10, 0, 0}};
    test::RecordingShell shell;
    test::RecordingPower power;
    System system{tm.machine(), clock, shell, power};
    SharedPaths paths;
    TextTable table{7, 2};

    explicit Restore(TempMachineOptions o = {}) : tm(o) {
        const std::string win = o.windowsFolder;
        paths = {win, win.substr(0, 2), win + "\\SYSBCKUP", "C:\\KORVANE"};
        auto& m = tm.machine();
        WriteScanregTemplate(m, win);
        m.writeFile(win + "\\COMMAND\\SCANREG.EXE", "MZ");
        m.writeFile("C:\\AUTOEXEC.BAT", "@ECHO OFF\r\n");
    }
    void row(const std::string& date, const char* note, const std::string& folder, const std::string& ext,
             const std::string& file) {
        table.setCell(restore_col::kDate, 1, date);
        table.setCell(restore_col::kNote, 1, note);
        table.setCell(restore_col::kFolder, 1, folder);
        table.setCell(restore_col::kExtension, 1, ext);
        table.setCell(restore_col::kFileName, 1, file);
    }
    void run() { test::RestoreRowUnread(system, paths, table, 1); }
    std::string bytes(const std::string& path) { return tm.bytes(path); }
};

const std::string kScanregIni = crlf({
    ";",
    "; Scanreg.ini for making ",
    "system backups.",
    ";",
    "",
    ";Registry backup is ",
    "skipped altogether if this ",
    "is set to 0",
    "Backup=1",
    "",
    ";Registry automatic ",
    "optimization is skipped ",
    "if this is set to 0",
    "Optimize=1",
    "",
    "ScanregVersion=0.0001",
    "MaxBackupCopies=6",
    "",
    ";Backup directory where ",
    "the cabs are stored is",
    "; <windir>\\sysbckup by ",
    "default. Value below ",
    "overrides it.",
    "; It must be a full path. ",
    "ex. c:\\tmp\\backup",
    ";",
    "BackupDirectory=",
    "",
    "; Additional system files ",
    "to backup into cab as ",
    "follows:",
    "; Filenames are ",
    "separated by ','",
    "; dir code can be:",
    ";       10      : windir (ex. ",
    "c:\\windows)",
    ";       11      : system dir ",
    "(ex. c:\\windows\\system)",
    ";       30      : boot dir (ex. ",
    "c:\\)",
    ";       31      : boot host dir ",
    "(ex. c:\\)",
    ";",
    ";Files=[dir ",
    "code,]file1,file2,file3",
    ";Files=[dir ",
    "code,]file1,file2,file3",
    "Files=30,config.sys,msdos.sys,io.sys,command.com,autoexec.bat",
    "Files=10,Protocol.ini,Control.ini,Desktop.ini,WIN.COM,Explorer.exe",
});

} // namespace

TEST(GeneratedFiles, ACabinetRestoreWritesEveryFileAsSpecified) {
    Restore r;
    r.row("2002-5-16 8:00:00", notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP", ".cab", "rb002.cab");
    r.run();

    EXPECT_EQ(r.bytes("C:\\dosrun.bat"),
              crlf({"@ECHO OFF",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r C:\\WINDOWS\\SYSTEM.DAT",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r C:\\WINDOWS\\USER.DAT",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r C:\\WINDOWS\\DESKTOP.INI",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r c:\\msdos.sys",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r c:\\io.sys",
                    "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 "
                    "C:\\WINDOWS\\SYSBCKUP\\RB002.CAB",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r c:\\msdos.sys",
                    "C:",
                    "cd \\WINDOWS\\TEMP\\RESTORE1",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r msdos.sys",
                    "copy msdos.sys c:\\ /Y",
                    "copy command.com c:\\ /Y",
                    "copy config.sys c:\\ /Y",
                    "copy Control.ini %winbootdir% /Y",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r io.sys",
                    "copy io.sys c:\\ /Y",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r Desktop.ini",
                    "copy Desktop.ini %winbootdir% /Y",
                    "copy Explorer.exe %winbootdir% /Y",
                    "copy Protocol.ini %winbootdir% /Y",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r system.dat",
                    "copy system.dat %winbootdir% /Y",
                    "copy system.ini %winbootdir% /Y",
                    "%winbootdir%\\COMMAND\\attrib -s -h -r user.dat",
                    "copy user.dat %winbootdir% /Y",
                    "copy win.ini %winbootdir% /Y",
                    "copy win.com %winbootdir% /Y",
                    "regedit C:\\WINDOWS\\SCANRUN.REG"}));
    EXPECT_EQ(r.bytes("C:\\WINDOWS\\scanrun.reg"),
              crlf({"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]",
                    "\"ScanRegistry系统备份\"=\"C:\\\\WINDOWS\\\\scanregw.exe /autorun\""}));
    EXPECT_EQ(r.bytes("C:\\WINDOWS\\scRegbei.bat"),
              crlf({"@ECHO OFF", "C:\\WINDOWS\\COMMAND\\scanreg.exe /backup", "exit"}));
    // Its lines are those the clean-up's steps print (DosJobRunner tests).
    EXPECT_EQ(r.bytes("C:\\WINDOWS\\dosToWin.bat"), crlf(DosToWinLines(r.tm.machine(), "C:\\WINDOWS")));
    // C:\autoexec.txt is the launcher C:\AUTOEXEC.BAT now; the arming batch stays until the clean-up.
    EXPECT_EQ(r.bytes("C:\\AUTOEXEC.BAT"),
              crlf({"@ECHO OFF", "call C:\\dosrun.bat", "call C:\\WINDOWS\\DOSTOWIN.BAT"}));
    EXPECT_EQ(r.bytes("C:\\WINDOWS\\prodos.bat"),
              crlf({"c:", "cd \\", "attrib -s -h -r c:\\msdos.sys", "ren autoexec.bat autoexec.bei",
                    "del autoexec.bat", "ren autoexec.txt autoexec.bat"}));
    // The settings the checker ran with are put back, and a text that is a byte off fails here.
    EXPECT_EQ(r.bytes("C:\\WINDOWS\\scanreg.ini"), kScanregIni);
    EXPECT_EQ(r.tm.machine().attributes("C:\\WINDOWS\\scanreg.ini") & w98::attr::kReadOnly, 0);
    EXPECT_EQ(r.bytes("c:\\scanreg.bei"), kScanregIni);
}

TEST(GeneratedFiles, TheJobOfAPreRestoreBackupMovedAsideEndsInAnEmptyLine) {
    Restore r;
    r.tm.machine().writeFile("C:\\AUTOEXEC.BEI", "@ECHO OFF\r\n");
    r.row("2002-5-17 8:00:00", notes::kMovedNow, "C:\\WINDOWS\\sysbckup\\restore", ".cab", "rb000.cab");
    r.run();
    const std::string job = r.bytes("C:\\dosrun.bat");
    EXPECT_NE(job.find("\r\n%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 "
                       "C:\\WINDOWS\\SYSBCKUP\\RESTORE\\OLD\\RB000.CAB\r\n"),
              std::string::npos);
    EXPECT_TRUE(job.ends_with("\r\ncopy win.com %winbootdir% /Y\r\n\r\n"));
    EXPECT_EQ(std::count(job.begin(), job.end(), '\n'), 29);
    // With an AUTOEXEC.BEI waiting there is no rename line.
    EXPECT_EQ(r.bytes("C:\\WINDOWS\\prodos.bat"),
              crlf({"c:", "cd \\", "attrib -s -h -r c:\\msdos.sys", "del autoexec.bat",
                    "ren autoexec.txt autoexec.bat"}));
    EXPECT_FALSE(r.tm.machine().exists("C:\\WINDOWS\\scanrun.reg"));
    // Moved, it is no longer taken for a pre-restore backup: the present state is saved first.
    EXPECT_TRUE(r.tm.machine().exists("C:\\WINDOWS\\scRegbei.bat"));
}

TEST(GeneratedFiles, EachFilePairFormCopiesWhatItsFolderHolds) {
    {
        Restore r;
        auto& m = r.tm.machine();
        m.writeFile("C:\\WINDOWS\\win.in0", "w");
        m.writeFile("C:\\WINDOWS\\system.in0", "s");
        r.row("2002-5-17 8:00:00", notes::kFirstInstall, "C:\\WINDOWS", ".da0", "system.da0");
        r.run();
        EXPECT_EQ(r.bytes("C:\\dosrun.bat"),
                  crlf({"@ECHO OFF", "%winbootdir%\\COMMAND\\attrib -s -h -r C:\\WINDOWS\\SYSTEM.DAT",
                        "%winbootdir%\\COMMAND\\attrib -s -h -r C:\\WINDOWS\\USER.DAT",
                        "%winbootdir%\\COMMAND\\attrib -s -h -r C:\\WINDOWS\\DESKTOP.INI",
                        "%winbootdir%\\COMMAND\\attrib -s -h -r c:\\msdos.sys",
                        "%winbootdir%\\COMMAND\\attrib -s -h -r c:\\io.sys",
                        "copy C:\\WINDOWS\\SYSTEM.DA0 C:\\WINDOWS\\SYSTEM.DAT",
                        "copy C:\\WINDOWS\\USER.DA0 C:\\WINDOWS\\USER.DAT",
                        "copy C:\\WINDOWS\\WIN.IN0 C:\\WINDOWS\\WIN.INI",
                        "copy C:\\WINDOWS\\SYSTEM.IN0 C:\\WINDOWS\\SYSTEM.INI", ""}));
    }
    {
        Restore r;
        r.tm.machine().createDirectories("C:\\WINDOWS\\REGOPT");
        r.tm.machine().writeFile("C:\\WINDOWS\\REGOPT\\win.ini", "w");
        r.row("2002-5-16 8:00:00", notes::kOtherSoftware, "C:\\WINDOWS\\REGOPT", ".dat", "system.dat");
        r.run();
        const std::string job = r.bytes("C:\\dosrun.bat");
        EXPECT_TRUE(job.ends_with("%winbootdir%\\COMMAND\\attrib -s -h -r c:\\io.sys\r\n"
                                  "copy C:\\WINDOWS\\REGOPT\\SYSTEM.DAT C:\\WINDOWS\\SYSTEM.DAT\r\n"
                                  "copy C:\\WINDOWS\\REGOPT\\USER.DAT C:\\WINDOWS\\USER.DAT\r\n"
                                  "copy C:\\WINDOWS\\REGOPT\\WIN.INI C:\\WINDOWS\\WIN.INI\r\n"
                                  "regedit C:\\WINDOWS\\SCANRUN.REG\r\n"))
            << job;
    }
    {
        Restore r;
        r.tm.machine().createDirectories("C:\\WINDOWS\\REGOPT");
        r.tm.machine().writeFile("C:\\WINDOWS\\REGOPT\\system.in", "s");
        r.row("2002-5-17 8:00:00", notes::kOtherSoftware, "C:\\WINDOWS\\REGOPT", ".da", "system.da");
        r.run();
        const std::string job = r.bytes("C:\\dosrun.bat");
        EXPECT_TRUE(job.ends_with("%winbootdir%\\COMMAND\\attrib -s -h -r c:\\io.sys\r\n"
                                  "copy C:\\WINDOWS\\REGOPT\\SYSTEM.DA C:\\WINDOWS\\SYSTEM.DAT\r\n"
                                  "copy C:\\WINDOWS\\REGOPT\\USER.DA C:\\WINDOWS\\USER.DAT\r\n"
                                  "copy C:\\WINDOWS\\REGOPT\\SYSTEM.IN C:\\WINDOWS\\SYSTEM.INI\r\n\r\n"))
            << job;
    }
}

TEST(GeneratedFiles, WindowsOnDriveDChangesOnlyTheDriveLinesAndPaths) {
    Restore r({.windowsFolder = "D:\\WINDOWS", .drives = "C=fixed\nD=fixed\n"});
    r.row("2002-5-17 8:00:00", notes::kBeforeRestore, "D:\\WINDOWS\\sysbckup\\restore", ".cab", "rb001.cab");
    r.run();
    const std::string cleanUp = r.bytes("D:\\WINDOWS\\dosToWin.bat");
    EXPECT_TRUE(cleanUp.starts_with(
        crlf({"@ECHO OFF", "c:", "cd \\", "del autoexec.txt", "del D:\\WINDOWS\\PRODOS.BAT",
              "del D:\\WINDOWS\\SCREGBEI.BAT", "del D:\\WINDOWS\\SCANRUN.REG"})))
        << cleanUp;
    EXPECT_TRUE(cleanUp.ends_with(crlf({"del Msdos.bei", "D:", "cd \\WINDOWS\\TEMP\\RESTORE1",
                                        "copy Autoexec.bat c:\\ /Y", "D:", "cd \\WINDOWS", "win"})))
        << cleanUp;
    EXPECT_EQ(r.bytes("C:\\AUTOEXEC.BAT"),
              crlf({"@ECHO OFF", "call C:\\dosrun.bat", "call D:\\WINDOWS\\DOSTOWIN.BAT"}));
    const std::string job = r.bytes("C:\\dosrun.bat");
    EXPECT_NE(job.find("\r\n%winbootdir%\\COMMAND\\extract /y /e /L D:\\WINDOWS\\TEMP\\RESTORE1 "
                       "D:\\WINDOWS\\SYSBCKUP\\RESTORE\\RB001.CAB\r\n%winbootdir%\\COMMAND\\attrib -s -h -r "
                       "c:\\msdos.sys\r\nD:\r\ncd \\WINDOWS\\TEMP\\RESTORE1\r\n"),
              std::string::npos)
        << job;
}

TEST(GeneratedFiles, TheSettingsTemplateIsWrittenOverWhateverWasThere) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeTextLines("C:\\WINDOWS\\scanreg.ini", {"[scanreg]", "MaxBackupCopies=2"});
    WriteScanregTemplate(m, "C:\\WINDOWS");
    EXPECT_EQ(tm.bytes("C:\\WINDOWS\\scanreg.ini"), kScanregIni);
}
