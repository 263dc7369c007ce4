#include "dos_machine.h"

#include "tools/programs/tool_registry.h"

#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "platform/cabinet.h"
#include "registry/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using korvane::test::DosMachine;
using korvane::test::valueText;
namespace attr = w98::attr;

namespace {

constexpr std::uint8_t kHsr = attr::kHidden | attr::kSystem | attr::kReadOnly;

w98::CabEntry entry(const std::string& name, const std::string& data,
                    std::uint8_t attributes = attr::kArchive) {
    w98::CabEntry e;
    e.name = name;
    e.data = data;
    e.attributes = attributes;
    e.time = {2001, 2, 3, 4, 5, 6};
    return e;
}

std::string readHost(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(Attrib, SetsClearsAndListsAsMsDosDoes) {
    DosMachine d;
    auto& m = d.m();
    m.writeFile("C:\\MSDOS.SYS", "m");
    m.writeFile("C:\\WINDOWS\\DESKTOP.INI", "d", attr::kHidden | attr::kSystem);
    m.writeFile("C:\\WINDOWS\\WIN.INI", "w", attr::kArchive | attr::kHidden);

    EXPECT_EQ(d.type("%winbootdir%\\COMMAND\\attrib +s +h +r c:\\msdos.sys"), "");
    EXPECT_EQ(m.attributes("C:\\MSDOS.SYS"), attr::kArchive | kHsr);
    EXPECT_EQ(d.type("attrib -r -a c:\\msdos.sys"), "Not resetting system file C:\\MSDOS.SYS\n");
    EXPECT_EQ(d.type("attrib -s-h-r -a c:\\msdos.sys"), "");
    EXPECT_EQ(m.attributes("C:\\MSDOS.SYS"), 0);

    // Relative names resolve against the interpreter's current folder.
    EXPECT_EQ(d.type("cd windows"), "");
    EXPECT_EQ(d.type("attrib *.ini"),
              "     SH      C:\\WINDOWS\\DESKTOP.INI\nA     H      C:\\WINDOWS\\WIN.INI\n");
    EXPECT_EQ(d.type("attrib +r *.ini"), "Not resetting system file C:\\WINDOWS\\DESKTOP.INI\nNot resetting "
                                         "hidden file C:\\WINDOWS\\WIN.INI\n");
    EXPECT_EQ(d.type("attrib -h +r win.ini"), "");
    EXPECT_EQ(m.attributes("C:\\WINDOWS\\WIN.INI"), attr::kArchive | attr::kReadOnly);

    EXPECT_EQ(d.type("attrib -r nothing.sys"), "File not found - nothing.sys\n");
    EXPECT_EQ(d.type("attrib +q win.ini"), "Invalid parameter - +q\n");
    EXPECT_EQ(d.type("attrib /s win.ini"), "Invalid switch - /s\n");
    EXPECT_EQ(d.type("attrib -r q:\\x"), "Invalid drive specification\n");
}

TEST(Extract, UnpacksEveryFileWithItsAttributesAndTimes) {
    DosMachine d;
    auto& m = d.m();
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
    m.writeFile("C:\\WINDOWS\\SYSBCKUP\\rb001.cab",
                w98::buildCabinet({entry("SYSTEM.DAT", "system", attr::kArchive | kHsr),
                                   entry("Autoexec.bat", "auto"), entry("MSDOS.SYS", "msdos", kHsr)}));

    const std::string line = "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\temp\\restore1 "
                             "C:\\WINDOWS\\SYSBCKUP\\rb001.cab";
    d.type(line); // the folder does not exist yet: it is created
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\temp\\restore1\\SYSTEM.DAT"), "system");
    EXPECT_EQ(m.attributes("C:\\WINDOWS\\temp\\restore1\\SYSTEM.DAT"), attr::kArchive | kHsr);
    EXPECT_EQ(m.attributes("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat"), attr::kArchive);
    EXPECT_EQ(m.lastWriteTime("C:\\WINDOWS\\temp\\restore1\\MSDOS.SYS"),
              (w98::DateTime{2001, 2, 3, 4, 5, 6}));

    // /Y overwrites; a read-only file left from before is refused and the others still come.
    m.setAttributes("C:\\WINDOWS\\temp\\restore1\\MSDOS.SYS", attr::kArchive);
    m.writeFile("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat", "changed");
    const std::string out = d.type(line);
    EXPECT_NE(out.find("Access denied - C:\\WINDOWS\\temp\\restore1\\SYSTEM.DAT\n"), std::string::npos)
        << out;
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat"), "auto");
    EXPECT_EQ(m.attributes("C:\\WINDOWS\\temp\\restore1\\MSDOS.SYS"), kHsr);

    // Without /Y nothing is replaced.
    m.writeFile("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat", "changed");
    d.type("extract /e /L C:\\WINDOWS\\temp\\restore1 C:\\WINDOWS\\SYSBCKUP\\rb001.cab");
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat"), "changed");

    // No /L: the current folder.
    d.type("cd \\windows");
    d.type("extract /y C:\\WINDOWS\\SYSBCKUP\\rb001.cab autoexec.bat");
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\Autoexec.bat"), "auto");
}

TEST(Extract, FollowsTheCabinetSetUntilEveryNamedFileIsFound) {
    DosMachine d;
    auto& m = d.m();
    d.addDrive('d');
    m.createDirectories("D:\\WIN98");
    m.writeFile("D:\\WIN98\\WIN98_47.CAB", w98::buildCabinet({entry("CONFIGMG.VXD", "configmg")}));
    m.writeFile("D:\\WIN98\\WIN98_48.CAB",
                w98::buildCabinet({entry("VCOMM.VXD", "vcomm"), entry("VDMAD.VXD", "vdmad")}));
    m.writeFile("D:\\WIN98\\WIN98_49.CAB",
                w98::buildCabinet({entry("VDD.VXD", "vdd"), entry("VMOUSE.VXD", "vmouse"),
                                   entry("NTKERN.VXD", "ntkern"), entry("VCOMM.VXD", "late")}));
    m.writeFile("D:\\WIN98\\WIN98_50.CAB", w98::buildCabinet({entry("VFLATD.VXD", "vflatd")}));
    m.writeFile("D:\\WIN98\\WIN98_52.CAB", w98::buildCabinet({entry("LOST.VXD", "beyond a gap")}));
    m.createDirectories("C:\\WINDOWS\\system");

    const std::string files = " vcomm.vxd vdmad.vxd vdd.vxd vmouse.vxd ntkern.vxd vflatd.vxd";
    const std::string out = d.runBatch({
        "%winbootdir%\\COMMAND\\extract /y /a /l C:\\WINDOWS\\system D:\\WIN98\\win98_47.cab configmg.vxd",
        "%winbootdir%\\COMMAND\\extract /y /a /l C:\\WINDOWS\\system D:\\WIN98\\win98_48.cab" + files,
        "%winbootdir%\\COMMAND\\extract /y /a /l C:\\WINDOWS\\system\\vmm32 D:\\WIN98\\win98_47.cab "
        "configmg.vxd",
        "%winbootdir%\\COMMAND\\extract /y /a /l C:\\WINDOWS\\system\\vmm32 D:\\WIN98\\win98_48.cab" + files,
    });
    for (const char* f : {"CONFIGMG", "VCOMM", "VDMAD", "VDD", "VMOUSE", "NTKERN", "VFLATD"}) {
        EXPECT_TRUE(m.isFile(std::string("C:\\WINDOWS\\system\\") + f + ".VXD")) << f << "\n" << out;
        EXPECT_TRUE(m.isFile(std::string("C:\\WINDOWS\\system\\vmm32\\") + f + ".VXD")) << f;
    }
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\system\\VCOMM.VXD"), "vcomm"); // the first cabinet holding it

    EXPECT_EQ(d.type("extract /y /a /l C:\\X D:\\WIN98\\win98_49.cab lost.vxd vflatd.vxd")
                  .find("lost.vxd: not found in "
                        "D:\\WIN98\\win98_49.cab or "
                        "the cabinets after it\n"),
              0u);
    EXPECT_TRUE(m.isFile("C:\\X\\VFLATD.VXD"));
    EXPECT_EQ(d.type("extract /y /l C:\\Y D:\\WIN98\\win98_47.cab vcomm.vxd"),
              "vcomm.vxd: not found in D:\\WIN98\\win98_47.cab\n");
}

TEST(Extract, ABadCabinetWritesNothing) {
    DosMachine d;
    auto& m = d.m();
    const std::string good = w98::buildCabinet({entry("A.TXT", std::string(3000, 'a')), entry("B.TXT", "b")});
    m.writeFile("C:\\TEXT.CAB", "this is not a cabinet");
    m.writeFile("C:\\CUT.CAB", good.substr(0, good.size() / 2));
    m.writeFile("C:\\SET_1.CAB", good);
    m.writeFile("C:\\SET_2.CAB", "MSCF and then nothing sensible at all, long enough to pass the size test");

    EXPECT_NE(d.type("extract /y /e /l C:\\OUT C:\\TEXT.CAB").find("C:\\TEXT.CAB"), std::string::npos);
    EXPECT_NE(d.type("extract /y /e /l C:\\OUT C:\\CUT.CAB").find("C:\\CUT.CAB"), std::string::npos);
    EXPECT_NE(d.type("extract /y /a /l C:\\OUT C:\\SET_1.CAB a.txt c.txt").find("C:\\SET_2.CAB"),
              std::string::npos);
    EXPECT_FALSE(m.exists("C:\\OUT"));

    // Names a cabinet may carry that no file of the machine may have.
    m.writeFile("C:\\ODD.CAB", w98::buildCabinet({entry("..", "up"), entry("OK.TXT", "ok")}));
    const std::string out = d.type("extract /y /e /l C:\\OUT C:\\ODD.CAB");
    EXPECT_NE(out.find("\"..\" is not a valid file name"), std::string::npos) << out;
    EXPECT_EQ(m.readFile("C:\\OUT\\OK.TXT"), "ok");
    EXPECT_EQ(d.type("extract /y /e /l C:\\OUT C:\\NONE.CAB"), "Cannot find the cabinet file C:\\NONE.CAB\n");
    EXPECT_EQ(d.type("extract /y /e /l"), "The /L switch needs a folder\n");
}

TEST(Regedit, ImportsAllOrNothing) {
    DosMachine d;
    auto& m = d.m();
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    m.writeTextLines("C:\\WINDOWS\\scanregrun.reg",
                     {"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\" + run + "]",
                      "\"ScanRegistry系统备份\"=\"C:\\\\WINDOWS\\\\scanregw.exe /autorun\""});
    EXPECT_EQ(
        d.type("regedit C:\\WINDOWS\\scanregrun.reg"),
        "Information in C:\\WINDOWS\\scanregrun.reg has been successfully entered into the registry.\n");
    EXPECT_EQ(valueText(m, w98::kHkeyLocalMachine, run, "ScanRegistry系统备份"),
              "C:\\WINDOWS\\scanregw.exe /autorun");

    m.writeTextLines("C:\\BAD.REG", {"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\Software\\Test]", "\"a\"=\"1\"",
                                     "\"b\"=dword:zz"});
    EXPECT_TRUE(d.type("regedit c:\\bad.reg").starts_with("无法导入 C:\\bad.reg 第 5 行："));
    EXPECT_FALSE(m.registry().keyExists(w98::kHkeyLocalMachine, "Software\\Test"));

    m.writeFile("C:\\BIN.REG", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"\xff\xff\"=\"1\"\r\n");
    EXPECT_EQ(d.type("regedit /s c:\\bin.reg"),
              "无法导入 C:\\bin.reg 第 4 行：这一行不是代码页 936 的文字\n");
    EXPECT_EQ(d.type("regedit c:\\none.reg"), "无法导入：File not found: C:\\none.reg\n");
    EXPECT_TRUE(d.type("regedit /x c:\\bad.reg").starts_with("Invalid switch"));
}

TEST(Regedit, ExportThenRebuildInMsDosMode) {
    DosMachine d;
    auto& m = d.m();
    auto& r = m.registry();
    r.setValue(w98::kHkeyLocalMachine, "Software\\Test",
               {"Kept", w98::reg_type::kSz, w98::regStringData("用户")});
    r.setValue(w98::kHkeyUsers, ".DEFAULT\\Control Panel",
               {"Beep", w98::reg_type::kSz, w98::regStringData("yes")});
    m.setAttributes("C:\\WINDOWS\\SYSTEM.DAT", kHsr);

    // The export batch, run under Windows.
    m.writeTextLines("C:\\WINDOWS\\reg.bat", {"regedit /e c:\\reg.reg"});
    d.type("C:\\WINDOWS\\reg.bat");
    const std::string exported = d.temp().bytes("C:\\reg.reg");
    EXPECT_TRUE(exported.starts_with("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n")) << exported;
    EXPECT_NE(exported.find("\"Kept\"=\"\xd3\xc3\xbb\xa7\"\r\n"), std::string::npos); // code page 936
    EXPECT_NE(exported.find("[HKEY_USERS\\.DEFAULT\\Control Panel]\r\n"), std::string::npos);

    // What changes after the export is undone by the rebuild.
    r.setValue(w98::kHkeyLocalMachine, "Software\\Test",
               {"Later", w98::reg_type::kSz, w98::regStringData("x")});
    r.deleteValue(w98::kHkeyLocalMachine, "Software\\Test", "Kept");

    EXPECT_EQ(d.runBatch({"@ECHO OFF", "smartdrv 20480 20480", "regedit /c  c:\\reg.reg", "del c:\\reg.reg",
                          "del C:\\WINDOWS\\reg.bat"}),
              "Disk cache: 20480 KB under MS-DOS, 20480 KB under Windows.\nA new registry was built from "
              "C:\\reg.reg.\n");
    EXPECT_EQ(valueText(m, w98::kHkeyLocalMachine, "Software\\Test", "Kept"), "用户");
    EXPECT_EQ(valueText(m, w98::kHkeyLocalMachine, "Software\\Test", "Later"), "<none>");
    EXPECT_EQ(valueText(m, w98::kHkeyCurrentUser, "Control Panel", "Beep"), "yes");
    EXPECT_EQ(m.attributes("C:\\WINDOWS\\SYSTEM.DAT"), kHsr);
    EXPECT_FALSE(m.exists("C:\\reg.reg"));
    EXPECT_FALSE(m.exists("C:\\WINDOWS\\reg.bat"));

    // A broken or partial export leaves the registry as it is.
    const std::string systemBefore = d.temp().bytes("C:\\WINDOWS\\SYSTEM.DAT");
    const std::string userBefore = d.temp().bytes("C:\\WINDOWS\\USER.DAT");
    m.writeFile("C:\\reg.reg",
                exported.substr(0, exported.find("[HKEY_USERS")) + "[HKEY_USERS\\X]\r\n\"v\"=what\r\n");
    const std::string out = d.type("regedit /c c:\\reg.reg");
    EXPECT_TRUE(out.starts_with("Cannot build a new registry from C:\\reg.reg 第 ")) << out;
    m.writeFile("C:\\reg.reg", exported.substr(0, exported.find("[HKEY_USERS")));
    EXPECT_NE(d.type("regedit /c c:\\reg.reg").find("not an export of the whole registry"),
              std::string::npos);
    EXPECT_EQ(d.temp().bytes("C:\\WINDOWS\\SYSTEM.DAT"), systemBefore);
    EXPECT_EQ(d.temp().bytes("C:\\WINDOWS\\USER.DAT"), userBefore);

    // One branch.
    d.type("regedit /e c:\\branch.reg \"HKEY_CURRENT_USER\\Control Panel\"");
    EXPECT_EQ(d.temp().bytes("C:\\branch.reg"),
              "REGEDIT4\r\n\r\n[HKEY_USERS\\.DEFAULT\\Control Panel]\r\n\"Beep\"=\"yes\"\r\n\r\n");
    EXPECT_EQ(d.type("regedit /e c:\\branch.reg HKEY_LOCAL_MACHINE\\Nowhere"),
              "Cannot export C:\\branch.reg: the key HKEY_LOCAL_MACHINE\\Nowhere does not exist\n");
}

TEST(Windows, StartRunsTheKnownRunPrograms) {
    DosMachine d;
    auto& m = d.m();
    auto& r = m.registry();
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    r.setValue(w98::kHkeyLocalMachine, run,
               {"ScanRegistry系统备份", w98::reg_type::kSz,
                w98::regStringData("C:\\WINDOWS\\scanregw.exe /autorun")});
    r.setValue(w98::kHkeyLocalMachine, run,
               {"Tray", w98::reg_type::kSz, w98::regStringData("C:\\WINDOWS\\tray.exe")});
    m.writeFile("C:\\WINDOWS\\TRAY.EXE", "MZ");

    const std::string out = d.type("win");
    EXPECT_TRUE(out.starts_with("Starting Windows 98...\nRunning C:\\WINDOWS\\scanregw.exe /autorun\n"
                                "Registry backed up to "))
        << out;
    EXPECT_TRUE(out.ends_with("Not started: C:\\WINDOWS\\tray.exe\nWindows started.\n")) << out;
    EXPECT_EQ(m.list("C:\\WINDOWS\\SYSBCKUP", "*.cab").size(), 1u);
    EXPECT_EQ(d.type("win"), "Windows is already running.\n");
}

TEST(Boot, RunsAutoexecThenWindowsAndKeepsALog) {
    DosMachine d;
    auto& m = d.m();
    std::ostringstream first;
    w98::runTool(m, "boot", {}, first);
    EXPECT_TRUE(first.str().ends_with("\nStarting Windows 98...\nWindows started.\n")) << first.str();

    m.writeTextLines("C:\\AUTOEXEC.BAT",
                     {"@ECHO OFF", "echo %winbootdir%", "cd windows", "win", "echo back in MS-DOS"});
    std::ostringstream second;
    w98::runTool(m, "boot", {}, second);
    EXPECT_TRUE(
        second.str().ends_with("\nC:\\WINDOWS\nStarting Windows 98...\nWindows started.\nback in MS-DOS\n"))
        << second.str();

    EXPECT_EQ(readHost(d.temp().root() / "boot.log"), first.str() + second.str());
}
