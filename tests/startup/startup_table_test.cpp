#include "startup/startup_catalogue.h"
#include "startup/startup_grid.h"
#include "startup_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

TextTable tableOf(const std::vector<std::string>& programs, const std::string& winDir = "C:\\WINDOWS") {
    std::vector<StartupEntry> entries;
    for (const auto& p : programs)
        entries.push_back({p, "Name", "Run"});
    return StartupTable(entries, winDir);
}

} // namespace

TEST(StartupTable, KnownEntriesGetTheirNoteAndProtection) {
    struct Case {
        std::string program;
        std::string note;
        bool deletable;
    };
    const std::vector<Case> cases = {
        {"C:\\WINDOWS\\scanregw.exe /autorun", "注册表检查，不能删", false},
        {"c:\\windows\\SCANREGW.EXE /AUTORUN", "注册表检查，不能删", false},
        {"C:\\WINDOWS\\scanregw.exe", "", true},
        {"internat.exe", "输入法图标，不要删", false},
        {"Internat.exe", "", true}, // equality keeps letter case
        {" internat.exe", "", true},
        {"C:\\WINDOWS\\SysTray.Exe", "系统托盘。不能删", false},
        {"C:\\WINDOWS\\SYSTEM\\systray.exe", "系统托盘。不能删", false},
        {"RUNDLL32.EXE POWRPROF.DLL,LoadCurrentPwrScheme", "电源管理，不要删", false},
        {"C:\\WINDOWS\\SYSTEM\\internat.exe", "输入法图标，不要删", true},
        {"C:\\WINDOWS\\SYSTEM\\mstask.exe", "计划任务，不用可删", true},
        {"D:\\OTHER\\SYSTEM\\mstask.exe", "", true},
        {"C:\\WINDOWS\\taskmon.exe", "计划任务，如不用可删", true},
        {"C:\\Program Files\\Tool\\tool.exe /tray", "", true},
        // Two rules: the later note stands, and the earlier protection stays.
        {"C:\\WINDOWS\\SysTray.Exe C:\\WINDOWS\\taskmon.exe", "计划任务，如不用可删", false},
        {"C:\\WINDOWS\\SYSTEM\\INTERNAT.EXE C:\\WINDOWS\\SYSTEM\\Mstask.exe", "计划任务，不用可删", true},
    };
    std::vector<std::string> programs;
    for (const auto& c : cases)
        programs.push_back(c.program);
    const TextTable t = tableOf(programs);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        EXPECT_EQ(t.cell(startup_col::kNote, row), cases[i].note) << cases[i].program;
        EXPECT_EQ(t.cell(startup_col::kDelete, row), cases[i].deletable ? "删除" : "") << cases[i].program;
    }
}

TEST(StartupTable, RulesFollowTheWindowsFolder) {
    const TextTable t =
        tableOf({"C:\\WINDOWS\\scanregw.exe /autorun", "D:\\WIN98\\scanregw.exe /autorun"}, "D:\\WIN98");
    EXPECT_EQ(t.cell(startup_col::kNote, 1), "");
    EXPECT_EQ(t.cell(startup_col::kNote, 2), "注册表检查，不能删");
}

TEST(StartupTable, RowsHeadersAndEmptyColumns) {
    const std::vector<StartupEntry> entries = {{"a.exe", "A", "Run"}, {"x.exe", "load=", "win.ini"}};
    const TextTable t = StartupTable(entries, "C:\\WINDOWS");
    ASSERT_EQ(t.rowCount(), 3);
    ASSERT_EQ(t.colCount(), 8);
    EXPECT_EQ(t.row(0), StartupGridHeaders());
    EXPECT_EQ(t.row(2), (std::vector<std::string>{"2", "x.exe", "", "删除", "", "", "load=", "win.ini"}));
    EXPECT_EQ(StartupTable({}, "C:\\WINDOWS").rowCount(), 1);
    EXPECT_EQ(StartupGridWidths().size(), 8u);
}

TEST(StartupTable, ListingTwiceGivesTheSameTable) {
    TempMachine tm;
    auto& m = tm.machine();
    setRun(m, "Run", "SysTray", "C:\\WINDOWS\\SysTray.Exe");
    m.writeTextLines("C:\\WINDOWS\\win.ini", {"[windows]", "load=a.exe"});
    const TextTable first = StartupTable(BuildStartupCatalogue(m, "C:\\WINDOWS"), "C:\\WINDOWS");
    EXPECT_EQ(first.rowCount(), 3);
    EXPECT_EQ(StartupTable(BuildStartupCatalogue(m, "C:\\WINDOWS"), "C:\\WINDOWS"), first);
}
