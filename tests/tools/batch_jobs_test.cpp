// The batch files the program writes for MS-DOS mode, run line by line on a machine: arming
// the next start (prodos.bat), the restore job (C:\dosrun.bat) and the clean-up (dosToWin.bat),
// through a real start of the machine. The clean-up is the one the program writes.
#include "dos_machine.h"

#include "dosjob/dos_job_runner.h"

#include "tools/programs/tool_registry.h"

#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "platform/cabinet.h"
#include "registry/registry.h"

#include <gtest/gtest.h>

#include <sstream>

using korvane::test::DosMachine;
using korvane::test::TempMachineOptions;
using korvane::test::valueText;
namespace attr = w98::attr;

namespace {

constexpr std::uint8_t kHsr = attr::kHidden | attr::kSystem | attr::kReadOnly;

std::vector<std::string> prodos(bool renameLine, bool deleteLine) {
    std::vector<std::string> lines = {"c:", "cd \\", "attrib -s -h -r c:\\msdos.sys"};
    if (renameLine)
        lines.push_back("ren autoexec.bat autoexec.bei");
    if (deleteLine)
        lines.push_back("del autoexec.bat");
    lines.push_back("ren autoexec.txt autoexec.bat");
    return lines;
}

std::vector<std::string> restoreJob(const std::string& winDir, const std::string& cabinet,
                                    const std::string& lastLine) {
    std::vector<std::string> lines = {"@ECHO OFF",
                                      "%winbootdir%\\COMMAND\\attrib -s -h -r " + winDir + "\\system.dat",
                                      "%winbootdir%\\COMMAND\\attrib -s -h -r " + winDir + "\\user.dat",
                                      "%winbootdir%\\COMMAND\\attrib -s -h -r " + winDir + "\\desktop.ini",
                                      "%winbootdir%\\COMMAND\\attrib -s -h -r c:\\msdos.sys",
                                      "%winbootdir%\\COMMAND\\attrib -s -h -r c:\\io.sys",
                                      "%winbootdir%\\COMMAND\\extract /y /e /L " + winDir +
                                          "\\TEMP\\RESTORE1 " + cabinet,
                                      "%winbootdir%\\COMMAND\\attrib -s -h -r c:\\msdos.sys",
                                      winDir.substr(0, 2),
                                      "cd " + winDir.substr(2) + "\\TEMP\\RESTORE1",
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
                                      "copy win.com %winbootdir% /Y"};
    lines.push_back(lastLine);
    return lines;
}

w98::CabEntry entry(const std::string& name, const std::string& data,
                    std::uint8_t attributes = attr::kArchive) {
    w98::CabEntry e;
    e.name = name;
    e.data = data;
    e.attributes = attributes;
    e.time = {2024, 5, 6, 7, 8, 10};
    return e;
}

std::string runTool(w98::Machine& m, const std::string& tool, const w98::ToolArgs& args) {
    std::ostringstream out;
    w98::runTool(m, tool, args, out);
    return out.str();
}

} // namespace

TEST(ArmingTheNextStart, ProdosSwapsTheStartupFile) {
    DosMachine d;
    auto& m = d.m();
    m.writeTextLines("C:\\AUTOEXEC.BAT", {"@ECHO OFF", "PATH C:\\WINDOWS"});
    m.writeTextLines("C:\\autoexec.txt",
                     {"@ECHO OFF", "call C:\\dosrun.bat", "call C:\\WINDOWS\\dosToWin.bat"});
    m.writeFile("C:\\MSDOS.SYS", "[Paths]", kHsr);
    m.writeTextLines("C:\\WINDOWS\\prodos.bat", prodos(true, true));

    // As RunAndWait starts it: "command.com /c C:\WINDOWS\prodos.bat", echo on.
    EXPECT_EQ(runTool(m, "command", {"/c", "C:\\WINDOWS\\prodos.bat"}),
              "\nC:\\>c:\n\nC:\\>cd \\\n\nC:\\>attrib -s -h -r c:\\msdos.sys\n\nC:\\>ren autoexec.bat "
              "autoexec.bei\n"
              "\nC:\\>del autoexec.bat\nFile not found\n\nC:\\>ren autoexec.txt autoexec.bat\n");
    EXPECT_EQ(d.text("C:\\AUTOEXEC.BEI"), "@ECHO OFF\nPATH C:\\WINDOWS\n");
    EXPECT_EQ(d.text("C:\\AUTOEXEC.BAT"), "@ECHO OFF\ncall C:\\dosrun.bat\ncall C:\\WINDOWS\\dosToWin.bat\n");
    EXPECT_FALSE(m.exists("C:\\autoexec.txt"));
    EXPECT_EQ(m.attributes("C:\\MSDOS.SYS"), 0);
}

TEST(ArmingTheNextStart, AnEarlierSavedStartupFileStays) {
    DosMachine d;
    auto& m = d.m();
    m.writeTextLines("C:\\AUTOEXEC.BEI", {"REM the user's own"});
    m.writeTextLines("C:\\AUTOEXEC.BAT", {"REM a launcher left over"});
    m.writeTextLines("C:\\autoexec.txt", {"REM new launcher"});
    m.writeTextLines("C:\\WINDOWS\\prodos.bat", prodos(false, true));
    const std::string out = runTool(m, "command", {"/c", "C:\\WINDOWS\\prodos.bat"});
    EXPECT_NE(out.find("attrib -s -h -r c:\\msdos.sys\nFile not found - c:\\msdos.sys\n"), std::string::npos)
        << out;
    EXPECT_EQ(d.text("C:\\AUTOEXEC.BEI"), "REM the user's own\n");
    EXPECT_EQ(d.text("C:\\AUTOEXEC.BAT"), "REM new launcher\n");

    // Neither file there: the rename finds nothing and says so.
    m.deleteFile("C:\\AUTOEXEC.BEI");
    m.deleteFile("C:\\AUTOEXEC.BAT");
    m.writeTextLines("C:\\autoexec.txt", {"REM new launcher"});
    m.writeTextLines("C:\\WINDOWS\\prodos.bat", prodos(true, false));
    EXPECT_NE(runTool(m, "command", {"/c", "C:\\WINDOWS\\prodos.bat"})
                  .find("ren autoexec.bat autoexec.bei\nDuplicate file name or file not found\n"),
              std::string::npos);
    EXPECT_EQ(d.text("C:\\AUTOEXEC.BAT"), "REM new launcher\n");
}

TEST(CleanUp, DosToWinRemovesTheJobAndStartsWindows) {
    DosMachine d;
    auto& m = d.m();
    for (const char* f : {"C:\\dosrun.bat", "C:\\AUTOEXEC.BAT", "C:\\AUTOEXEC.BEI", "C:\\WINDOWS\\prodos.bat",
                          "C:\\WINDOWS\\scRegbei.bat", "C:\\WINDOWS\\scanrun.reg"})
        m.writeFile(f, "x");
    m.writeFile("C:\\MSDOS.SYS", "msdos");
    m.writeFile("C:\\IO.SYS", "io");
    m.createDirectories("C:\\WINDOWS\\TEMP\\RESTORE1");
    m.writeTextLines("C:\\WINDOWS\\TEMP\\RESTORE1\\Autoexec.bat", {"REM restored"});
    m.writeTextLines("C:\\WINDOWS\\dosToWin.bat", korvane::DosToWinLines(m, "C:\\WINDOWS"));

    d.session.setMsDosMode(true);
    const std::string out = d.runBatch({"@ECHO OFF", "call C:\\WINDOWS\\dosToWin.bat"}, "C:\\LAUNCH.BAT");
    // MSDOS.SYS is hidden by then, so MS-DOS does not see it and tries the rename.
    EXPECT_EQ(
        out,
        "File not found\nDuplicate file name or file not found\nFile not found\n        1 file(s) copied\n"
        "Starting Windows 98...\nWindows started.\n");
    for (const char* f : {"C:\\autoexec.txt", "C:\\dosrun.bat", "C:\\AUTOEXEC.BEI", "C:\\WINDOWS\\prodos.bat",
                          "C:\\WINDOWS\\scRegbei.bat", "C:\\WINDOWS\\scanrun.reg"})
        EXPECT_FALSE(m.exists(f)) << f;
    EXPECT_EQ(m.attributes("C:\\MSDOS.SYS"), attr::kArchive | kHsr);
    EXPECT_EQ(m.attributes("C:\\IO.SYS"), attr::kArchive | kHsr);
    EXPECT_EQ(d.text("C:\\AUTOEXEC.BAT"), "REM restored\n");
    EXPECT_EQ(d.session.paths.folder(), "C:\\WINDOWS");
    EXPECT_TRUE(d.session.windowsStarted);
}

TEST(CleanUp, MissingMsdosSysComesBackFromItsCopy) {
    DosMachine d;
    auto& m = d.m();
    m.writeFile("C:\\Msdos.bei", "saved msdos");
    m.writeTextLines("C:\\WINDOWS\\dosToWin.bat", korvane::DosToWinLines(m, "C:\\WINDOWS"));
    d.session.setMsDosMode(true);
    const std::string out = d.runBatch({"@call C:\\WINDOWS\\dosToWin.bat"});
    EXPECT_NE(out.find("File not found - c:\\msdos.sys\n"), std::string::npos) << out;
    EXPECT_EQ(m.readFile("C:\\MSDOS.SYS"), "saved msdos");
    EXPECT_FALSE(m.exists("C:\\Msdos.bei"));
}

TEST(CleanUp, WindowsOnDriveD) {
    TempMachineOptions o;
    o.windowsFolder = "D:\\WINDOWS";
    DosMachine d(o);
    auto& m = d.m();
    m.createDirectories("D:\\WINDOWS\\TEMP\\RESTORE1");
    m.writeTextLines("D:\\WINDOWS\\TEMP\\RESTORE1\\Autoexec.bat", {"REM from D"});
    m.writeTextLines("D:\\WINDOWS\\dosToWin.bat", korvane::DosToWinLines(m, "D:\\WINDOWS"));
    d.session.setMsDosMode(true);
    d.runBatch({"@call D:\\WINDOWS\\dosToWin.bat"});
    EXPECT_EQ(d.text("C:\\AUTOEXEC.BAT"), "REM from D\n");
    EXPECT_EQ(d.session.paths.drive(), 'D');
    EXPECT_EQ(d.session.paths.folder(), "D:\\WINDOWS");
}

// The whole road: prodos.bat arms the start, the machine starts, the job restores the cabinet
// and the clean-up hands over to Windows, whose start makes the day's backup.
TEST(RestoreJob, ACabinetIsRestoredAtTheNextStart) {
    DosMachine d;
    auto& m = d.m();
    const std::string win = "C:\\WINDOWS";
    const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

    // The live system.
    m.registry().setValue(w98::kHkeyLocalMachine, "Software\\Test",
                          {"State", w98::reg_type::kSz, w98::regStringData("live")});
    m.registry().createKey(w98::kHkeyUsers, ".DEFAULT\\Control Panel");
    m.setAttributes(win + "\\SYSTEM.DAT", kHsr);
    m.setAttributes(win + "\\USER.DAT", kHsr);
    m.writeTextLines("C:\\AUTOEXEC.BAT", {"@ECHO OFF", "REM the user's"});
    m.writeFile("C:\\MSDOS.SYS", "live msdos", kHsr);
    m.writeFile("C:\\IO.SYS", "live io", kHsr);
    m.writeFile(win + "\\WIN.INI", "live win");
    m.writeFile(win + "\\DESKTOP.INI", "live desktop", attr::kHidden | attr::kSystem);

    // The restore point: a registry checker cabinet without Explorer.exe and Protocol.ini.
    const std::string systemDat = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
                                  "\"SystemRoot\"=\"C:\\\\WINDOWS\"\r\n\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"State\"=\"restored\"\r\n\r\n";
    const std::string userDat = "REGEDIT4\r\n\r\n[HKEY_USERS]\r\n\r\n[HKEY_USERS\\.DEFAULT]\r\n\r\n";
    m.createDirectories(win + "\\SYSBCKUP");
    m.writeFile(
        win + "\\SYSBCKUP\\rb003.cab",
        w98::buildCabinet({entry("SYSTEM.DAT", systemDat, attr::kArchive | kHsr),
                           entry("USER.DAT", userDat, attr::kArchive | kHsr),
                           entry("SYSTEM.INI", "old system"), entry("WIN.INI", "old win"),
                           entry("CONFIG.SYS", "old config"), entry("MSDOS.SYS", "old msdos", kHsr),
                           entry("IO.SYS", "old io", kHsr), entry("COMMAND.COM", "MZ old command"),
                           entry("AUTOEXEC.BAT", "REM restored\r\n"), entry("Control.ini", "old control"),
                           entry("Desktop.ini", "old desktop", attr::kHidden | attr::kSystem),
                           entry("WIN.COM", "MZ old win.com")}));
    m.setLastWriteTime(win + "\\SYSBCKUP\\rb003.cab", {2024, 5, 6, 7, 8, 10});

    // What the program writes before it restarts the computer.
    m.writeTextLines(win + "\\scRegbei.bat", {"@ECHO OFF", win + "\\COMMAND\\scanreg.exe /backup", "exit"});
    m.writeTextLines(win + "\\scanrun.reg",
                     {"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\" + runKey + "]",
                      "\"ScanRegistry系统备份\"=\"C:\\\\WINDOWS\\\\scanregw.exe /autorun\""});
    m.writeTextLines("C:\\dosrun.bat",
                     restoreJob(win, win + "\\SYSBCKUP\\rb003.cab", "regedit " + win + "\\scanrun.reg"));
    m.writeTextLines("C:\\autoexec.txt",
                     {"@ECHO OFF", "call C:\\dosrun.bat", "call " + win + "\\dosToWin.bat"});
    m.writeTextLines(win + "\\dosToWin.bat", korvane::DosToWinLines(m, win));
    m.writeTextLines(win + "\\prodos.bat", prodos(true, true));
    runTool(m, "command", {"/c", win + "\\prodos.bat"});

    const std::string boot = runTool(m, "boot", {});

    EXPECT_EQ(valueText(m, "Software\\Test", "State"), "restored");
    EXPECT_EQ(valueText(m, runKey, "ScanRegistry系统备份"), "C:\\WINDOWS\\scanregw.exe /autorun");
    EXPECT_EQ(m.readFile("C:\\MSDOS.SYS"), "old msdos");
    EXPECT_EQ(m.attributes("C:\\MSDOS.SYS"), attr::kArchive | kHsr);
    EXPECT_EQ(m.readFile("C:\\IO.SYS"), "old io");
    EXPECT_EQ(m.readFile("C:\\CONFIG.SYS"), "old config");
    EXPECT_EQ(m.readFile("C:\\COMMAND.COM"), "MZ old command");
    EXPECT_EQ(m.readFile(win + "\\WIN.INI"), "old win");
    EXPECT_EQ(m.readFile(win + "\\SYSTEM.INI"), "old system");
    EXPECT_EQ(m.readFile(win + "\\CONTROL.INI"), "old control");
    EXPECT_EQ(m.readFile(win + "\\DESKTOP.INI"), "old desktop");
    EXPECT_EQ(m.readFile(win + "\\WIN.COM"), "MZ old win.com");
    EXPECT_EQ(d.text("C:\\AUTOEXEC.BAT"), "REM restored\n");
    for (const std::string& f :
         std::vector<std::string>{"C:\\autoexec.txt", "C:\\AUTOEXEC.BEI", "C:\\dosrun.bat",
                                  win + "\\prodos.bat", win + "\\scRegbei.bat", win + "\\scanrun.reg"})
        EXPECT_FALSE(m.exists(f)) << f;

    // Each failing line said why, and nothing else went wrong.
    EXPECT_NE(boot.find("File not found - Explorer.exe\n        0 file(s) copied\n"
                        "File not found - Protocol.ini\n        0 file(s) copied\n"),
              std::string::npos)
        << boot;
    EXPECT_EQ(boot.find("Bad command"), std::string::npos) << boot;
    EXPECT_EQ(boot.find("Access denied"), std::string::npos) << boot;
    EXPECT_NE(boot.find("Information in C:\\WINDOWS\\scanrun.reg has been successfully entered"),
              std::string::npos);

    // Windows started once, and its Run value made today's backup beside the old one.
    EXPECT_EQ(m.list(win + "\\SYSBCKUP", "rb*.cab").size(), 2u) << boot;
    EXPECT_NE(boot.find("Running C:\\WINDOWS\\scanregw.exe /autorun\n"), std::string::npos);
    EXPECT_EQ(boot.find("Starting Windows 98"), boot.rfind("Starting Windows 98"));

    // The launcher is gone: the next start runs the restored AUTOEXEC.BAT only.
    const std::string next = runTool(m, "boot", {});
    EXPECT_EQ(next.find("dosrun"), std::string::npos) << next;
    EXPECT_EQ(valueText(m, "Software\\Test", "State"), "restored");
}
