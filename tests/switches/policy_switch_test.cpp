// The six policy switches against the registry files: both clicks of each, the refresh rules,
// and the pair of values that two switches share.
#include "registry_file.h"
#include "switches/policy_switch.h"
#include "switches/switch_keys.h"
#include "sysaccess/registry_values.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;
namespace keys = korvane::switch_keys;

namespace {

const std::string kUserExplorer =
    "HKEY_USERS\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const std::string kUserSystem =
    "HKEY_USERS\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
const std::string kUserWinOldApp =
    "HKEY_USERS\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp";
const std::string kShowAll = "HKEY_LOCAL_MACHINE\\" + std::string(keys::kShowAll);
const std::string kRegClass = "HKEY_LOCAL_MACHINE\\Software\\CLASSES\\.reg";

// A machine as start-up leaves it: the MS-DOS values present, the explorer's option and the
// .reg class in their usual state.
struct Fixture {
    TempMachine tm;
    w98::Machine& m = tm.machine();
    Fixture() {
        WriteRegInt(m, keys::kMsDosRoot, keys::kMsDos, "Disabled", 0);
        WriteRegInt(m, keys::kMsDosRoot, keys::kMsDos, "old", 0);
        WriteRegInt(m, keys::kShowAllRoot, keys::kShowAll, "CheckedValue", 1);
        m.registry().createKey(keys::kRegClassRoot, keys::kRegClass);
        WriteRegDefault(m, keys::kRegClassRoot, keys::kRegClass, "regfile");
    }
    std::vector<std::string> lines(const std::string& file, const std::string& key) const {
        return keyLines(tm, file, key);
    }
};

struct Effect {
    std::string file, key, line;
    bool afterFirst, afterSecond;
};

struct Case {
    const PolicySwitch* s;
    std::vector<Effect> effects;
};

std::vector<Case> cases() {
    return {
        {&kAddressBarSwitch,
         {{"USER.DAT", kUserExplorer, "\"NoRun\"=dword:00000001", true, false},
          {"USER.DAT", kUserExplorer, "\"NoSun\"=dword:00000001", true, false}}},
        {&kRunCommandSwitch,
         {{"USER.DAT", kUserExplorer, "\"NoRun\"=dword:00000001", true, false},
          {"USER.DAT", kUserExplorer, "\"NoSun\"=dword:00000001", true, false}}},
        {&kSuperHiddenSwitch,
         {{"SYSTEM.DAT", kShowAll, "\"CheckedValue\"=dword:00000000", true, false},
          {"SYSTEM.DAT", kShowAll, "\"CheckedValue\"=dword:00000001", false, true}}},
        {&kMsDosSwitch,
         {{"USER.DAT", kUserWinOldApp, "\"old\"=dword:00000001", true, false},
          {"USER.DAT", kUserWinOldApp, "\"old\"=dword:00000000", false, true},
          {"USER.DAT", kUserWinOldApp, "\"Disabled\"=dword:00000000", true, true}}},
        {&kRegistryEditorSwitch,
         {{"USER.DAT", kUserSystem, "\"DisableRegistryTools\"=dword:00000001", false, true},
          {"USER.DAT", kUserWinOldApp, "\"Disabled\"=dword:00000000", true, false}}},
        {&kRegFileSwitch,
         {{"SYSTEM.DAT", kRegClass, "@=\"regfile\"", true, false},
          {"SYSTEM.DAT", kRegClass, "@=\"txtfile\"", false, true}}},
    };
}

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(PolicySwitches, EachSwitchsTwoClicksWriteTheRegistryFilesAndFlipTheCaption) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.s->control);
        Fixture f;
        const std::string afterFirst = ClickPolicySwitch(f.m, *c.s, c.s->compareCaption);
        EXPECT_EQ(afterFirst, c.s->firstCaption);
        EXPECT_EQ(RefreshPolicySwitch(f.m, *c.s), c.s->firstCaption);
        for (const Effect& e : c.effects)
            EXPECT_EQ(hasLine(f.lines(e.file, e.key), e.line), e.afterFirst) << e.line;

        EXPECT_EQ(ClickPolicySwitch(f.m, *c.s, afterFirst), c.s->compareCaption);
        EXPECT_EQ(RefreshPolicySwitch(f.m, *c.s), c.s->compareCaption);
        for (const Effect& e : c.effects)
            EXPECT_EQ(hasLine(f.lines(e.file, e.key), e.line), e.afterSecond) << e.line;
    }
}

// The Run command's form caption matches neither of its own captions, so its first click
// allows the Run command: it removes what the address-bar switch wrote.
TEST(PolicySwitches, TheRunCommandsFormCaptionRemovesThePairTheAddressBarSwitchWrote) {
    Fixture f;
    EXPECT_EQ(ClickPolicySwitch(f.m, kAddressBarSwitch, "禁用地址栏直接输入"), "启用地址栏直接输入");
    EXPECT_EQ(RefreshPolicySwitch(f.m, kRunCommandSwitch), "启用〔运行〕");
    EXPECT_EQ(ClickPolicySwitch(f.m, kRunCommandSwitch, "找回〔运行〕"), "禁用〔运行〕");
    EXPECT_TRUE(f.lines("USER.DAT", kUserExplorer).empty());
    EXPECT_EQ(RefreshPolicySwitch(f.m, kAddressBarSwitch), "禁用地址栏直接输入");
}

TEST(PolicySwitches, OnlyNoRunIsReadBack) {
    Fixture f;
    WriteRegInt(f.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoSun", 1);
    EXPECT_EQ(RefreshPolicySwitch(f.m, kAddressBarSwitch), "禁用地址栏直接输入");
    WriteRegInt(f.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoRun", 0);
    EXPECT_EQ(RefreshPolicySwitch(f.m, kRunCommandSwitch), "启用〔运行〕");
}

TEST(PolicySwitches, SuperHiddenFilesRefresh) {
    Fixture f;
    auto set = [&](std::int32_t v) {
        WriteRegInt(f.m, keys::kShowAllRoot, keys::kShowAll, "CheckedValue", v);
    };
    set(0);
    EXPECT_EQ(RefreshPolicySwitch(f.m, kSuperHiddenSwitch), "取消彻底隐藏文件或文件夹");
    set(5);
    EXPECT_EQ(RefreshPolicySwitch(f.m, kSuperHiddenSwitch), "彻底隐藏文件或文件夹");
    WriteRegStr(f.m, keys::kShowAllRoot, keys::kShowAll, "CheckedValue", "0");
    EXPECT_EQ(messageOf([&] { RefreshPolicySwitch(f.m, kSuperHiddenSwitch); }),
              "Invalid data type for 'CheckedValue'");
}

// A fresh machine may lack the value or the whole key: a caption, no error, nothing written.
TEST(PolicySwitches, AMissingCheckedValueShowsTheUsualStateAndWritesNothing) {
    Fixture f;
    f.m.registry().deleteValue(keys::kShowAllRoot, keys::kShowAll, "CheckedValue");
    EXPECT_EQ(RefreshPolicySwitch(f.m, kSuperHiddenSwitch), "彻底隐藏文件或文件夹");
    f.m.registry().deleteKey(keys::kShowAllRoot, keys::kShowAll);
    const std::string before = f.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT");
    EXPECT_EQ(RefreshPolicySwitch(f.m, kSuperHiddenSwitch), "彻底隐藏文件或文件夹");
    EXPECT_EQ(f.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT"), before);
}

TEST(PolicySwitches, MsDosRefreshReadsOldOnlyWhenDisabledExists) {
    Fixture f;
    WriteRegInt(f.m, keys::kMsDosRoot, keys::kMsDos, "old", 5);
    EXPECT_EQ(RefreshPolicySwitch(f.m, kMsDosSwitch), "启用MS-DOS");
    DeleteRegValue(f.m, keys::kMsDosRoot, keys::kMsDos, "Disabled");
    EXPECT_EQ(RefreshPolicySwitch(f.m, kMsDosSwitch), "禁用MS-DOS");
    DeleteRegValue(f.m, keys::kMsDosRoot, keys::kMsDos, "old");
    EXPECT_EQ(RefreshPolicySwitch(f.m, kMsDosSwitch), "禁用MS-DOS");
    WriteRegInt(f.m, keys::kMsDosRoot, keys::kMsDos, "Disabled", 0);
    EXPECT_EQ(RefreshPolicySwitch(f.m, kMsDosSwitch), "禁用MS-DOS");
}

TEST(PolicySwitches, RegistryEditorRefresh) {
    Fixture f;
    EXPECT_EQ(RefreshPolicySwitch(f.m, kRegistryEditorSwitch), "禁用注册表程序");
    WriteRegInt(f.m, keys::kDefaultUserRoot, keys::kDefaultSystemPolicy, "DisableRegistryTools", 0);
    EXPECT_EQ(RefreshPolicySwitch(f.m, kRegistryEditorSwitch), "启用注册表程序");
}

TEST(PolicySwitches, RegFilesOtherThanTextOrMergeAndAMissingClassKey) {
    Fixture f;
    WriteRegDefault(f.m, keys::kRegClassRoot, keys::kRegClass, "");
    EXPECT_EQ(RefreshPolicySwitch(f.m, kRegFileSwitch), "禁用注册文件");
    EXPECT_EQ(ClickPolicySwitch(f.m, kRegFileSwitch, "禁用注册文件"), "启用注册文件");
    EXPECT_EQ(ReadRegDefault(f.m, keys::kRegClassRoot, keys::kRegClass), "txtfile");

    // Without the key nothing is written, yet the caption flips; the next refresh says so.
    f.m.registry().deleteKey(keys::kRegClassRoot, keys::kRegClass);
    EXPECT_EQ(ClickPolicySwitch(f.m, kRegFileSwitch, "启用注册文件"), "禁用注册文件");
    EXPECT_EQ(ClickPolicySwitch(f.m, kRegFileSwitch, "禁用注册文件"), "启用注册文件");
    EXPECT_FALSE(f.m.registry().keyExists(keys::kRegClassRoot, keys::kRegClass));
    EXPECT_EQ(RefreshPolicySwitch(f.m, kRegFileSwitch), "禁用注册文件");
}
