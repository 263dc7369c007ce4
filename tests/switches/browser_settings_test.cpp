// The browser's window title, its typed-address list, and the hang protection values.
#include "registry_file.h"
#include "switches/hang_protection.h"
#include "switches/switch_keys.h"
#include "switches/typed_addresses.h"
#include "switches/window_title.h"
#include "sysaccess/registry_values.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace korvane;
using namespace korvane::test;
namespace keys = korvane::switch_keys;

namespace {

std::string title(w98::Machine& m) {
    return ReadRegStr(m, keys::kBrowserMainRoot, keys::kBrowserMain, "Window Title");
}
bool hasTitle(w98::Machine& m) {
    return RegValueExists(m, keys::kBrowserMainRoot, keys::kBrowserMain, "Window Title");
}

void typed(w98::Machine& m, const std::string& name, const std::string& address) {
    WriteRegStr(m, keys::kTypedUrlsRoot, keys::kTypedUrls, name, address);
}
bool hasTyped(w98::Machine& m, const std::string& name) {
    return m.registry().getValue(keys::kTypedUrlsRoot, keys::kTypedUrls, name).has_value();
}

std::vector<std::string> reload(w98::Machine& m, TypedAddressList& list) {
    std::vector<std::string> shown;
    list.Reload(m, [&](const std::string& a) { shown.push_back(a); });
    return shown;
}

} // namespace

TEST(WindowTitle, TheThreeOutcomes) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(StoreWindowTitle(m, "维修专家"), kTitlePrefixMissing);
    EXPECT_EQ(StoreWindowTitle(m, "我的标题栏：维修专家"), kTitlePrefixMisplaced);
    EXPECT_FALSE(hasTitle(m));

    EXPECT_EQ(StoreWindowTitle(m, "标题栏：维修专家，方便千万家"),
              std::string(kTitleStored) + "维修专家，方便千万家");
    EXPECT_EQ(title(m), "维修专家，方便千万家");
    EXPECT_EQ(StoreWindowTitle(m, "标题栏："), kTitleStored);
    EXPECT_TRUE(hasTitle(m));
    EXPECT_EQ(title(m), "");
}

TEST(WindowTitle, ATitleThatCodePage936CannotHoldIsReportedAndNotStored) {
    TempMachine tm;
    auto& m = tm.machine();
    StoreWindowTitle(m, "标题栏：旧");
    EXPECT_THROW(StoreWindowTitle(m, "标题栏：\xF0\x9F\x98\x80"), RegistryError);
    EXPECT_EQ(title(m), "旧");
}

TEST(TypedAddresses, AMissingKeyIsCreatedAndListsNothing) {
    TempMachine tm;
    auto& m = tm.machine();
    TypedAddressList list;
    EXPECT_TRUE(reload(m, list).empty());
    EXPECT_TRUE(list.names().empty());
    EXPECT_TRUE(m.registry().keyExists(keys::kTypedUrlsRoot, keys::kTypedUrls));
}

TEST(TypedAddresses, DeletingTheFirstEntryTwiceRemovesTheValueOfEachAddressClicked) {
    TempMachine tm;
    auto& m = tm.machine();
    // Names out of order: the list follows the registry, not the names.
    typed(m, "url3", "http://www.three.cn/");
    typed(m, "url1", "http://www.one.cn/");
    typed(m, "url2", "http://www.two.cn/");
    TypedAddressList list;
    EXPECT_EQ(reload(m, list),
              (std::vector<std::string>{"http://www.three.cn/", "http://www.one.cn/", "http://www.two.cn/"}));
    EXPECT_EQ(list.names(), (std::vector<std::string>{"url3", "url1", "url2"}));

    list.RemoveAt(m, 0);
    EXPECT_FALSE(hasTyped(m, "url3"));
    EXPECT_TRUE(hasTyped(m, "url1"));
    list.RemoveAt(m, 0);
    EXPECT_FALSE(hasTyped(m, "url1"));
    EXPECT_TRUE(hasTyped(m, "url2"));
    EXPECT_EQ(list.names(), std::vector<std::string>{"url2"});
    list.RemoveAt(m, 5);
    EXPECT_EQ(list.names(), std::vector<std::string>{"url2"});
}

TEST(TypedAddresses, AValueThatIsNotTextEndsTheListAfterTheAddressesBeforeIt) {
    TempMachine tm;
    auto& m = tm.machine();
    typed(m, "url1", "http://www.one.cn/");
    WriteRegInt(m, keys::kTypedUrlsRoot, keys::kTypedUrls, "url2", 7);
    typed(m, "url3", "http://www.three.cn/");
    TypedAddressList list;
    std::vector<std::string> shown;
    EXPECT_THROW(list.Reload(m, [&](const std::string& a) { shown.push_back(a); }), RegistryError);
    EXPECT_EQ(shown, std::vector<std::string>{"http://www.one.cn/"});
    list.RemoveAt(m, 0);
    EXPECT_FALSE(hasTyped(m, "url1"));
    EXPECT_TRUE(hasTyped(m, "url2"));
}

TEST(TypedAddresses, ADeleteThatCannotBeDoneKeepsTheEntry) {
    TempMachine tm;
    auto& m = tm.machine();
    typed(m, "url1", "http://www.one.cn/");
    TypedAddressList list;
    reload(m, list);
    const auto userDat = m.hostPath("C:\\WINDOWS\\USER.DAT");
    std::filesystem::rename(userDat, userDat.string() + ".away");
    std::filesystem::create_directory(userDat);
    EXPECT_THROW(list.RemoveAt(m, 0), w98::Error);
    EXPECT_EQ(list.names(), std::vector<std::string>{"url1"});
}

TEST(HangProtection, TimeoutsAndTheAutomaticEnd) {
    TempMachine tm;
    auto& m = tm.machine();
    const std::string key = "HKEY_USERS\\.DEFAULT\\Control Panel\\desktop";
    StoreWaitToKillTimeout(m);
    StoreWaitToKillTimeout(m);
    StoreHungAppTimeout(m);
    EXPECT_EQ(keyLines(tm, "USER.DAT", key), (std::vector<std::string>{"\"WaitToKillAppTimeOut\"=\"10000\"",
                                                                       "\"HungAppTimeout\"=\"10000\""}));

    EXPECT_FALSE(AutoEndTasksOn(m));
    StoreAutoEndTasks(m, true);
    EXPECT_TRUE(AutoEndTasksOn(m));
    EXPECT_TRUE(hasLine(keyLines(tm, "USER.DAT", key), "\"AutoEndTasks\"=\"1\""));
    StoreAutoEndTasks(m, false);
    EXPECT_FALSE(AutoEndTasksOn(m));
    WriteRegStr(m, keys::kDesktopRoot, keys::kDesktop, "AutoEndTasks", "2");
    EXPECT_FALSE(AutoEndTasksOn(m));
    WriteRegStr(m, keys::kDesktopRoot, keys::kDesktop, "AutoEndTasks", " 1");
    EXPECT_FALSE(AutoEndTasksOn(m));
}
