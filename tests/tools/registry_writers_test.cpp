// The machine's programs that change the registry, run side by side as real processes: an
// import by one never undoes another's.
#include "dos_machine.h"

#include "tools/programs/tool_registry.h"

#include "base/cp936.h"
#include "base/error.h"
#include "platform/machine_programs.h"
#include "registry/registry.h"
#include "registry/registry_lock.h"
#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using korvane::test::DosMachine;
using korvane::test::StuckLockHolder;
using korvane::test::valueText;

TEST(RegistryWriters, RegeditImportsRunningSideBySideKeepEveryValue) {
    DosMachine d;
    auto& m = d.m();
    constexpr int kFiles = 25;
    m.createDirectory("C:\\REGS");
    for (const char* side : {"a", "b"})
        for (int i = 0; i < kFiles; ++i)
            m.writeFile("C:\\REGS\\" + std::string(side) + std::to_string(i) + ".REG",
                        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Race]\r\n\"" + std::string(side) +
                            std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\r\n\r\n");
    std::vector<int> failures(2, 0);
    auto importAll = [&](int side) {
        for (int i = 0; i < kFiles; ++i)
            failures[static_cast<std::size_t>(side)] +=
                w98::runW98(m, {"regedit", "/s",
                                "C:\\REGS\\" + std::string(side ? "b" : "a") + std::to_string(i) + ".REG"}) !=
                0;
    };
    std::thread a(importAll, 0), b(importAll, 1);
    a.join();
    b.join();
    EXPECT_EQ(failures, (std::vector<int>{0, 0}));
    EXPECT_EQ(m.registry().values(w98::kHkeyLocalMachine, "Software\\Race").size(), 2u * kFiles);
    for (int i = 0; i < kFiles; ++i) {
        EXPECT_EQ(valueText(m, "Software\\Race", "a" + std::to_string(i)), std::to_string(i));
        EXPECT_EQ(valueText(m, "Software\\Race", "b" + std::to_string(i)), std::to_string(i));
    }
}

TEST(RegistryWriters, ARebuildOrBackupWhileAnotherProgramHoldsTheRegistryWaitsThenGivesUp) {
    DosMachine d;
    auto& m = d.m();
    m.registry().setValue(w98::kHkeyUsers, ".DEFAULT\\Kept",
                          {"Old", w98::reg_type::kSz, w98::regStringData("1")});
    m.writeFile("C:\\NEW.REG",
                "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\New]\r\n\r\n[HKEY_USERS\\.DEFAULT]\r\n\r\n");
    const std::string system = d.temp().bytes("C:\\WINDOWS\\SYSTEM.DAT"),
                      user = d.temp().bytes("C:\\WINDOWS\\USER.DAT");
    const auto before = m.list("C:\\WINDOWS\\SYSBCKUP", "*.cab").size();

    StuckLockHolder holder(m.hostPath("C:\\WINDOWS"));
    ASSERT_TRUE(holder.held());
    const auto wait = w98::registryLockWait();
    w98::setRegistryLockWait(std::chrono::milliseconds(200));
    std::ostringstream rebuild, backup;
    EXPECT_EQ(w98::runTool(m, "regedit", {"/c", "C:\\NEW.REG"}, rebuild), 1);
    EXPECT_THROW(w98::runTool(m, "scanreg", {"/backup"}, backup), w98::Error);
    w98::setRegistryLockWait(wait);

    EXPECT_EQ(rebuild.str(),
              "Cannot replace the registry: 另一个程序正在改写注册表文件 C:\\WINDOWS\\SYSTEM.DAT，"
              "等了几秒仍未完成，这次什么也没有做。请稍后再试。\nThe registry was not changed.\n");
    EXPECT_EQ(d.temp().bytes("C:\\WINDOWS\\SYSTEM.DAT"), system);
    EXPECT_EQ(d.temp().bytes("C:\\WINDOWS\\USER.DAT"), user);
    EXPECT_EQ(m.list("C:\\WINDOWS\\SYSBCKUP", "*.cab").size(), before);

    holder.release();
    std::ostringstream again;
    EXPECT_EQ(w98::runTool(m, "regedit", {"/c", "C:\\NEW.REG"}, again), 0) << again.str();
    EXPECT_TRUE(m.registry().keyExists(w98::kHkeyLocalMachine, "Software\\New"));
    EXPECT_FALSE(m.registry().keyExists(w98::kHkeyUsers, ".DEFAULT\\Kept"));
}
