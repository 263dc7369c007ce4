// The registry rebuild: its two batch files, the export through the real registry editor, and
// the whole road through the DOS-mode job runner and the next start.
#include "maintenance_machine.h"

#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "base/error.h"
#include "maintenance/registry_rebuild.h"
#include "platform/machine_programs.h"
#include "registry/registry.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::DemoMachine;

namespace {

using Lines = std::vector<std::string>;
constexpr auto HKLM = w98::kHkeyLocalMachine;
constexpr auto HKU = w98::kHkeyUsers;

void put(w98::Machine& m, w98::RegRoot root, const std::string& key, const std::string& name,
         std::uint32_t type, const std::string& data) {
    m.registry().setValue(root, key, w98::RegValue{name, type, data});
}

// Values an export must carry exactly: names and data beyond ASCII, empty ones, quotes and
// backslashes, binary and expandable strings, a key with no values.
void seedAwkwardValues(w98::Machine& m) {
    const std::string key = "Software\\康维测试\\子键";
    put(m, HKLM, key, "名称", w98::reg_type::kSz, w98::regStringData("中文的值"));
    put(m, HKLM, key, "", w98::reg_type::kSz, w98::regStringData(""));
    put(m, HKLM, key, "Empty", w98::reg_type::kSz, w98::regStringData(""));
    put(m, HKLM, key, "Quoted", w98::reg_type::kSz, w98::regStringData("say \"hi\" to C:\\WINDOWS\\"));
    put(m, HKLM, key, "Bytes", w98::reg_type::kBinary, std::string("\x00\xff\x10\x80", 4));
    put(m, HKLM, key, "NoBytes", w98::reg_type::kBinary, "");
    put(m, HKLM, key, "Path", w98::reg_type::kExpandSz, w98::regStringData("%SystemRoot%\\system\\中文"));
    put(m, HKLM, key, "Count", w98::reg_type::kDword, w98::regDwordData(0xfffffffe));
    m.registry().createKey(HKLM, "Software\\康维测试\\空键");
    put(m, HKU, ".DEFAULT\\Control Panel\\桌面", "墙纸", w98::reg_type::kSz,
        w98::regStringData("C:\\WINDOWS\\云.bmp"));
}

} // namespace

TEST(RegistryRebuild, JobFileLineByLine) {
    EXPECT_EQ(ExportBatchLines(), Lines{"regedit /e c:\\reg.reg"});
    test::TempMachine tm;
    EXPECT_EQ(RegistryRebuildJobLines(tm.machine(), "C:\\WINDOWS"),
              (Lines{"@ECHO OFF", "smartdrv 20480 20480", "regedit /c  c:\\reg.reg", "del c:\\reg.reg",
                     "del C:\\WINDOWS\\REG.BAT"}));
    EXPECT_EQ(RegistryRebuildJobLines(tm.machine(), "D:\\WIN98").back(), "del D:\\WIN98\\REG.BAT");
    // MS-DOS runs the job: a Windows folder with a long name is named by its short name.
    tm.machine().createDirectories("C:\\Windows 98");
    EXPECT_EQ(RegistryRebuildJobLines(tm.machine(), "C:\\Windows 98").back(), "del C:\\WINDOW~1\\REG.BAT");
}

TEST(RegistryRebuildEndToEnd, TheNextStartBuildsTheExportedRegistryAndKeepsTheUsersAutoexec) {
    DemoMachine d;
    seedAwkwardValues(d.m);
    const Lines autoexec = {"@ECHO OFF", "SET BLASTER=A220 I5 D1 H5 P330 T6",
                            "PATH C:\\WINDOWS;C:\\WINDOWS\\COMMAND", "REM 用户自己的"};
    d.m.writeTextLines("C:\\AUTOEXEC.BAT", autoexec);

    int repaints = 0;
    RebuildRegistry(d.system, d.paths, [&] { ++repaints; });
    ASSERT_EQ(d.power.calls.size(), 1u);
    EXPECT_EQ(d.power.calls[0].flags, 2u);
    EXPECT_GE(repaints, 1);
    EXPECT_EQ(d.m.readTextLines("C:\\WINDOWS\\reg.bat"), ExportBatchLines());
    EXPECT_EQ(d.m.readTextLines("C:\\dosrun.bat"), RegistryRebuildJobLines(d.m, "C:\\WINDOWS"));
    EXPECT_EQ(d.m.readTextLines("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat"), autoexec);

    // The export is the registry as it was; what changes after it is gone after the rebuild.
    const std::string exported = d.m.readFile("C:\\reg.reg");
    EXPECT_EQ(exported, w98::cp936::fromUtf8(d.m.registry().exportText()));
    put(d.m, HKLM, "Software\\康维测试\\子键", "Later", w98::reg_type::kSz, w98::regStringData("x"));
    d.m.registry().deleteValue(HKLM, "Software\\康维测试\\子键", "名称");
    d.m.registry().deleteKey(HKLM, "Software\\康维测试\\空键");

    ASSERT_EQ(w98::runW98(d.m, {"boot"}), 0);
    // Where the stand-in's Windows counts its starts as it rewrites the registry files.
    d.m.registry().deleteKey(HKLM, "Software\\w98");
    d.m.registry().deleteKey(w98::kHkeyCurrentUser, "Software\\w98");
    EXPECT_EQ(w98::cp936::fromUtf8(d.m.registry().exportText()), exported) << d.hostText("boot.log");
    EXPECT_TRUE(d.m.registry().keyExists(HKLM, "Software\\康维测试\\空键"));
    EXPECT_EQ(d.m.registry().getValue(HKLM, "Software\\康维测试\\子键", "Bytes")->data,
              std::string("\x00\xff\x10\x80", 4));
    EXPECT_EQ(d.m.attributes("C:\\WINDOWS\\SYSTEM.DAT") & w98::attr::kHidden, w98::attr::kHidden);

    EXPECT_EQ(d.m.readTextLines("C:\\AUTOEXEC.BAT"), autoexec);
    for (const char* gone : {"C:\\reg.reg", "C:\\WINDOWS\\reg.bat", "C:\\dosrun.bat", "C:\\autoexec.txt",
                             "C:\\AUTOEXEC.BEI", "C:\\WINDOWS\\prodos.bat"})
        EXPECT_FALSE(d.m.exists(gone)) << gone;
    EXPECT_NE(d.hostText("boot.log").find("A new registry was built from C:\\reg.reg."), std::string::npos);
}

TEST(RegistryRebuildEndToEnd, RunningTwiceBeforeTheRestartStillKeepsTheUsersAutoexec) {
    DemoMachine d;
    const Lines autoexec = d.m.readTextLines("C:\\AUTOEXEC.BAT");
    RebuildRegistry(d.system, d.paths, {});
    ASSERT_TRUE(d.m.isFile("C:\\AUTOEXEC.BEI")); // armed, but the restart did not happen
    put(d.m, HKLM, "Software\\Second", "Run", w98::reg_type::kSz, w98::regStringData("2"));
    RebuildRegistry(d.system, d.paths, {});
    EXPECT_EQ(d.power.calls.size(), 2u);

    ASSERT_EQ(w98::runW98(d.m, {"boot"}), 0);
    EXPECT_EQ(d.m.readTextLines("C:\\AUTOEXEC.BAT"), autoexec);
    EXPECT_TRUE(d.m.registry().getValue(HKLM, "Software\\Second", "Run").has_value());
    EXPECT_FALSE(d.m.exists("C:\\reg.reg"));
}

// The program lifts the user's restriction on MS-DOS programs while it runs, so the export
// holds it lifted; the rebuilt registry has it as the user keeps it.
TEST(RegistryRebuildEndToEnd, TheUsersMsDosRestrictionSurvives) {
    DemoMachine d;
    const std::string policy = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp";
    put(d.m, HKU, ".DEFAULT\\" + policy, "Disabled", w98::reg_type::kDword, w98::regDwordData(0));
    put(d.m, HKU, ".DEFAULT\\" + policy, "old", w98::reg_type::kDword, w98::regDwordData(1));
    RebuildRegistry(d.system, d.paths, {});
    ASSERT_EQ(w98::runW98(d.m, {"boot"}), 0);
    EXPECT_EQ(d.m.registry().getValue(w98::kHkeyCurrentUser, policy, "Disabled")->data, w98::regDwordData(1));
    EXPECT_EQ(d.m.registry().getValue(w98::kHkeyCurrentUser, policy, "old")->data, w98::regDwordData(1));
}

TEST(RegistryRebuild, AFailedExportArmsNothing) {
    DemoMachine d;
    const std::string autoexec = d.m.readFile("C:\\AUTOEXEC.BAT");
    d.m.writeTextLines("C:\\dosrun.bat", {"REM an earlier job"});
    // An export left from before must not pass for this run's.
    d.m.writeFile("C:\\reg.reg", d.m.readFile("C:\\WINDOWS\\SYSTEM.DAT"));

    // An editor that dies after writing the header.
    d.m.deleteFile("C:\\WINDOWS\\REGEDIT.EXE");
    d.m.writeTextLines("C:\\WINDOWS\\REGEDIT.BAT", {"@echo REGEDIT4> c:\\reg.reg"});
    try {
        RebuildRegistry(d.system, d.paths, {});
        FAIL() << "a partial export was taken for a whole one";
    } catch (const w98::Error& e) {
        EXPECT_NE(std::string(e.what()).find("不是完整的注册表"), std::string::npos) << e.what();
    }
    // No editor at all.
    d.m.deleteFile("C:\\WINDOWS\\REGEDIT.BAT");
    EXPECT_THROW(RebuildRegistry(d.system, d.paths, {}), w98::Error);

    EXPECT_TRUE(d.power.calls.empty());
    EXPECT_FALSE(d.m.exists("C:\\reg.reg"));
    EXPECT_EQ(d.m.readTextLines("C:\\dosrun.bat"), Lines{"REM an earlier job"});
    EXPECT_EQ(d.m.readFile("C:\\AUTOEXEC.BAT"), autoexec);
    EXPECT_FALSE(d.m.exists("C:\\AUTOEXEC.BEI"));
    EXPECT_FALSE(d.m.exists("C:\\autoexec.txt"));
}

TEST(RegistryRebuild, AnExportMustBeWholeAndReadable) {
    DemoMachine d;
    auto check = [&](const std::string& bytes) {
        d.m.writeFile("C:\\reg.reg", bytes);
        try {
            CheckRegistryExport(d.m);
            return std::string("ok");
        } catch (const w98::Error& e) {
            return std::string(e.what());
        }
    };
    const std::string whole = w98::cp936::fromUtf8(d.m.registry().exportText());
    EXPECT_EQ(check(whole), "ok");
    EXPECT_NE(check(whole.substr(0, whole.find("[HKEY_USERS"))).find("不是完整的注册表"), std::string::npos);
    EXPECT_NE(check(whole + "[HKEY_USERS\\X]\r\n\"v\"=what\r\n").find("无法读取"), std::string::npos);
    EXPECT_NE(check("REGEDIT4\r\n\r\n[HKEY_USERS]\r\n\"\xff\xff\"=\"1\"\r\n").find("无法读取"),
              std::string::npos);
    EXPECT_NE(check("").find("无法读取"), std::string::npos);
    d.m.deleteFile("C:\\reg.reg");
    EXPECT_THROW(CheckRegistryExport(d.m), w98::Error);
}
