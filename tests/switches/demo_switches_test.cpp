// A fresh demo machine answers every refresh without an error.
#include "demo/demo_machine.h"
#include "switches/drive_mask.h"
#include "switches/hang_protection.h"
#include "switches/policy_switch.h"
#include "switches/typed_addresses.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;

TEST(DemoMachine, TheSwitchesReadTheirUsualState) {
    const auto dir = test::makeTempFolder("korvane-demo");
    w98::createDemoMachine(dir / "m");
    {
        w98::Machine m(dir / "m");
        // Start-up adds the program's own MS-DOS value before any page is shown.
        WriteRegInt(m, w98::kHkeyCurrentUser, kWinOldAppKey, "old", 0);
        std::vector<std::string> captions;
        for (const PolicySwitch* s : PolicySwitches())
            captions.push_back(RefreshPolicySwitch(m, *s));
        EXPECT_EQ(captions,
                  (std::vector<std::string>{"禁用地址栏直接输入", "禁用〔运行〕", "彻底隐藏文件或文件夹",
                                            "禁用MS-DOS", "禁用注册表程序", "禁用注册文件"}));
        EXPECT_EQ(ReadDriveMask(m), std::nullopt);
        EXPECT_FALSE(AutoEndTasksOn(m));
        TypedAddressList list;
        std::vector<std::string> shown;
        list.Reload(m, [&](const std::string& a) { shown.push_back(a); });
        EXPECT_EQ(shown.size(), 5u);
        EXPECT_EQ(shown.front(), "http://www.sina.com.cn/");
    }
    std::filesystem::remove_all(dir);
}
