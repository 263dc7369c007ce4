// Batch files and registry imports as a real machine may hold them: the machine still starts
// Windows after a broken AUTOEXEC.BAT, the restore hands the user's file over byte for byte,
// and an import that cannot be read changes nothing.
#include "broken_forms.h"

#include "dosjob/dos_job_runner.h"
#include "registry/registry.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

const std::string kAutoexec = "C:\\AUTOEXEC.BAT";

void putRaw(TempMachine& tm, const std::string& file, const std::string& bytes) {
    std::ofstream(tm.machine().hostPath(file), std::ios::binary | std::ios::trunc) << bytes;
}

const std::string kGoodAutoexec =
    "@ECHO OFF\r\nSET PATH=C:\\WINDOWS;C:\\WINDOWS\\COMMAND\r\n"
    "IF EXIST C:\\MOUSE\\MOUSE.COM LH C:\\MOUSE\\MOUSE.COM\r\nREM \xd6\xd0\xce\xc4\r\n";

} // namespace

TEST(BrokenBatchFiles, WindowsStartsAfterAnyAutoexecAndTheRestoreHandsItOverUnchanged) {
    auto forms = test::brokenForms(kGoodAutoexec);
    std::string nested;
    while (nested.size() < 8000)
        nested += "if a==a call lh /L:1 ";
    forms.push_back({"nested beyond a line's length", nested + "echo deep\r\n"});
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        putRaw(tm, kAutoexec, form.bytes);
        const std::string printed = test::runProgram(tm.machine(), "boot", {});
        EXPECT_NE(printed.find("Windows started."), std::string::npos) << printed.substr(0, 2000);

        PrepareHandOverFolder(tm.machine(), "C:\\WINDOWS");
        EXPECT_EQ(tm.bytes(HandOverFolder("C:\\WINDOWS") + "\\Autoexec.bat"), form.bytes);
        EXPECT_EQ(tm.bytes(kAutoexec), form.bytes);
    }
}

TEST(BrokenBatchFiles, AFolderNamedAutoexecIsPassedOverAndKept) {
    TempMachine tm;
    test::folderInPlaceOf(tm.machine(), kAutoexec);
    EXPECT_NE(test::runProgram(tm.machine(), "boot", {}).find("Windows started."), std::string::npos);
    PrepareHandOverFolder(tm.machine(), "C:\\WINDOWS");
    EXPECT_FALSE(tm.machine().exists(HandOverFolder("C:\\WINDOWS") + "\\Autoexec.bat"));
    EXPECT_TRUE(test::folderStillHolds(tm.machine(), kAutoexec));
}

TEST(BrokenRegFiles, AnImportThatCannotBeReadChangesNeitherRegistryFile) {
    const std::string good =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
        "\"ScanRegistry\"=\"C:\\\\WINDOWS\\\\scanregw.exe /autorun\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Control Panel\\desktop]\r\n\"Wallpaper\"=\"C:\\\\WINDOWS\\\\\xd4\xc6.bmp\"\r\n";
    for (const auto& form : test::brokenForms(good)) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        tm.machine().registry().setValue(w98::kHkeyUsers, ".DEFAULT",
                                         {"x", w98::reg_type::kSz, w98::regStringData("1")});
        const std::string system = tm.bytes("C:\\WINDOWS\\SYSTEM.DAT");
        const std::string user = tm.bytes("C:\\WINDOWS\\USER.DAT");
        putRaw(tm, "C:\\IMPORT.REG", form.bytes);
        const std::string printed = test::runProgram(tm.machine(), "regedit", {"/s", "C:\\IMPORT.REG"});
        if (printed.find("无法导入") == std::string::npos)
            continue; // a cut that ends at a line break is a shorter import, and a sound one
        EXPECT_NE(printed.find("C:\\IMPORT.REG"), std::string::npos) << printed;
        EXPECT_EQ(tm.bytes("C:\\WINDOWS\\SYSTEM.DAT"), system);
        EXPECT_EQ(tm.bytes("C:\\WINDOWS\\USER.DAT"), user);
    }
}
