#include "registry/registry.h"
#include "sysaccess/registry_values.h"
#include "tests/support/temp_machine.h"
#include "tests/support/writes_fail.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;

namespace {
constexpr auto HKCU = w98::kHkeyCurrentUser;
constexpr auto HKLM = w98::kHkeyLocalMachine;

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}
} // namespace

TEST(RegistryValues, NumbersRoundTripOnNewKeyChains) {
    TempMachine tm;
    auto& m = tm.machine();
    WriteRegInt(m, HKCU, "Software\\Korvane\\A\\B", "n", 10);
    WriteRegInt(m, HKCU, "Software\\Korvane\\A\\B", "neg", -2);
    EXPECT_EQ(ReadRegInt(m, HKCU, "software\\korvane\\a\\b", "N"), 10);
    EXPECT_EQ(ReadRegInt(m, HKCU, "Software\\Korvane\\A\\B", "neg"), -2);
    // The current user lives in USER.DAT under .DEFAULT, as a stored 32-bit pattern.
    EXPECT_NE(tm.bytes("C:\\WINDOWS\\USER.DAT").find("\"neg\"=dword:fffffffe"), std::string::npos);
    EXPECT_TRUE(tm.reopen()->registry().keyExists(w98::kHkeyUsers, ".DEFAULT\\Software\\Korvane\\A\\B"));
}

TEST(RegistryValues, ReadingAMissingValueCreatesItsKey) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(ReadRegStr(m, HKLM, "Software\\New\\Key", "x"), "");
    EXPECT_TRUE(m.registry().keyExists(HKLM, "Software\\New\\Key"));
    EXPECT_FALSE(RegValueExists(m, HKLM, "Software\\Other", "x"));
    EXPECT_TRUE(m.registry().keyExists(HKLM, "Software\\Other"));
}

TEST(RegistryValues, ErrorsCarryTheProgramsTexts) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(messageOf([&] { ReadRegInt(m, HKCU, "K", "Disabled"); }), "Failed to get data for 'Disabled'");
    WriteRegStr(m, HKCU, "K", "s", "ab");
    EXPECT_EQ(messageOf([&] { ReadRegInt(m, HKCU, "K", "s"); }), "Invalid data type for 's'");
    // Data longer than a number reports the size first, as the registry does.
    WriteRegStr(m, HKCU, "K", "t", "text");
    EXPECT_EQ(messageOf([&] { ReadRegInt(m, HKCU, "K", "t"); }), "Failed to get data for 't'");
    m.registry().setValue(HKCU, "K", {"bin", w98::reg_type::kBinary, std::string("\x0c\x00", 2)});
    EXPECT_EQ(messageOf([&] { ReadRegInt(m, HKCU, "K", "bin"); }), "Invalid data type for 'bin'");
    m.registry().setValue(HKCU, "K", {"long", w98::reg_type::kBinary, std::string(8, '\x01')});
    EXPECT_EQ(messageOf([&] { ReadRegInt(m, HKCU, "K", "long"); }), "Failed to get data for 'long'");
    WriteRegInt(m, HKCU, "K", "d", 1);
    EXPECT_EQ(messageOf([&] { ReadRegStr(m, HKCU, "K", "d"); }), "Invalid data type for 'd'");
}

TEST(RegistryValues, StringsEmptyValuesAndTypeChanges) {
    TempMachine tm;
    auto& m = tm.machine();
    WriteRegStr(m, HKCU, "K", "empty", "");
    EXPECT_TRUE(RegValueExists(m, HKCU, "K", "empty"));
    EXPECT_EQ(ReadRegStr(m, HKCU, "K", "empty"), "");
    WriteRegInt(m, HKCU, "K", "v", 3);
    WriteRegStr(m, HKCU, "K", "v", "系统还原");
    EXPECT_EQ(ReadRegStr(m, HKCU, "K", "v"), "系统还原");
    m.registry().setValue(HKCU, "K", {"x", w98::reg_type::kExpandSz, w98::regStringData("%windir%\\a")});
    EXPECT_EQ(ReadRegStr(m, HKCU, "K", "x"), "%windir%\\a");
    // Text after the first NUL is not part of the string.
    m.registry().setValue(HKCU, "K", {"nul", w98::reg_type::kSz, std::string("ab\0cd\0", 6)});
    EXPECT_EQ(ReadRegStr(m, HKCU, "K", "nul"), "ab");
}

TEST(RegistryValues, DeleteTwiceIsQuiet) {
    TempMachine tm;
    auto& m = tm.machine();
    WriteRegInt(m, HKCU, "K", "v", 1);
    DeleteRegValue(m, HKCU, "K", "v");
    EXPECT_FALSE(RegValueExists(m, HKCU, "K", "v"));
    EXPECT_NO_THROW(DeleteRegValue(m, HKCU, "K", "v"));
}

TEST(RegistryValues, DefaultValuesNeverCreateKeys) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(ReadRegDefault(m, HKCU, "AppEvents\\Schemes\\Missing"), "");
    WriteRegDefault(m, HKCU, "AppEvents\\Schemes\\Missing", "x");
    EXPECT_FALSE(m.registry().keyExists(HKCU, "AppEvents\\Schemes\\Missing"));
    EXPECT_FALSE(m.registry().keyExists(HKCU, "AppEvents"));
    m.registry().createKey(HKCU, "AppEvents\\Schemes\\Here");
    EXPECT_EQ(ReadRegDefault(m, HKCU, "AppEvents\\Schemes\\Here"), "");
    WriteRegDefault(m, HKCU, "AppEvents\\Schemes\\Here", "C:\\WINDOWS\\MEDIA\\start.wav");
    EXPECT_EQ(ReadRegDefault(m, HKCU, "appevents\\schemes\\here"), "C:\\WINDOWS\\MEDIA\\start.wav");
}

TEST(RegistryValues, ABrokenRegistryFileIsReportedAndKept) {
    TempMachine tm;
    auto& m = tm.machine();
    const std::string broken = "REGEDIT4\r\n\r\n[HKEY_USERS\\.DEFAULT\\K]\r\n\"v\"=dword:zz\r\n";
    m.writeFile("C:\\WINDOWS\\USER.DAT", broken);
    std::string msg = messageOf([&] { WriteRegInt(m, HKCU, "K", "v", 1); });
    EXPECT_NE(msg.find("USER.DAT"), std::string::npos) << msg;
    EXPECT_NE(msg.find("第 4 行"), std::string::npos) << msg;
    EXPECT_EQ(tm.bytes("C:\\WINDOWS\\USER.DAT"), broken);
}

// A registry file that cannot be written: every write and delete says so and nothing changes,
// so that no caller takes it for done. A value that is not there is still simply gone.
TEST(RegistryValues, WritesAndDeletesThatCannotBeDoneRaise) {
    TempMachine tm;
    auto& m = tm.machine();
    WriteRegInt(m, HKCU, "K", "v", 1);
    m.registry().createKey(HKCU, "Class");
    const std::string before = tm.bytes("C:\\WINDOWS\\USER.DAT");
    {
        test::WritesFail full;
        EXPECT_EQ(messageOf([&] { DeleteRegValue(m, HKCU, "K", "v"); }),
                  "无法删除注册表值 'v'（Write error: C:\\WINDOWS\\USER.DAT）");
        EXPECT_EQ(messageOf([&] { WriteRegDefault(m, HKCU, "Class", "txtfile"); }),
                  "Failed to set data for ''");
        EXPECT_EQ(messageOf([&] { WriteRegInt(m, HKCU, "K", "v", 2); }), "Failed to set data for 'v'");
        EXPECT_EQ(messageOf([&] { WriteRegStr(m, HKCU, "K", "s", "x"); }), "Failed to set data for 's'");
        DeleteRegValue(m, HKCU, "K", "missing");
        DeleteRegValue(m, HKCU, "Missing\\Key", "v");
        WriteRegDefault(m, HKCU, "Missing\\Key", "txtfile");
    }
    EXPECT_EQ(tm.bytes("C:\\WINDOWS\\USER.DAT"), before);
    EXPECT_EQ(ReadRegInt(m, HKCU, "K", "v"), 1);
}
