#include "base/dos_attributes.h"
#include "base/error.h"
#include "startup/startup_catalogue.h"
#include "startup_machine.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

std::vector<std::string> programs(const std::vector<StartupEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries)
        out.push_back(e.program);
    return out;
}

} // namespace

TEST(StartupCatalogue, RunKeysInKeyOrderThenValueOrderOnlyMachineWide) {
    TempMachine tm;
    auto& m = tm.machine();
    setRun(m, "RunOnce", "Setup", "c:\\setup.exe");
    setRun(m, "Run", "Zeta", "z.exe");
    setRun(m, "Run", "Alpha", "a.exe");
    setRun(m, "RunServices", "Svc", "s.exe");
    m.registry().setValue(w98::kHkeyLocalMachine, kRunKeyPrefix + std::string("Run\\Sub"),
                          {"Nested", w98::reg_type::kSz, w98::regStringData("nested.exe")});
    m.registry().setValue(w98::kHkeyCurrentUser, kRunKeyPrefix + std::string("Run"),
                          {"Mine", w98::reg_type::kSz, w98::regStringData("mine.exe")});
    m.writeTextLines("C:\\WINDOWS\\win.ini", {"[windows]", "load="});

    const auto entries = BuildStartupCatalogue(m, "C:\\WINDOWS");
    const std::vector<StartupEntry> expected = {{"z.exe", "Zeta", "Run"},
                                                {"a.exe", "Alpha", "Run"},
                                                {"s.exe", "Svc", "RunServices"},
                                                {"c:\\setup.exe", "Setup", "RunOnce"}};
    EXPECT_EQ(entries, expected);
    // Missing run keys are created empty.
    for (const char* key : kRunKeyNames)
        EXPECT_TRUE(m.registry().keyExists(w98::kHkeyLocalMachine, kRunKeyPrefix + std::string(key))) << key;
}

TEST(StartupCatalogue, ValuesThatAreNotTextAreListedInRegeditNotation) {
    TempMachine tm;
    auto& m = tm.machine();
    auto& r = m.registry();
    const std::string run = kRunKeyPrefix + std::string("Run");
    r.setValue(w98::kHkeyLocalMachine, run, {"Flag", w98::reg_type::kDword, w98::regDwordData(10)});
    r.setValue(w98::kHkeyLocalMachine, run, {"Raw", w98::reg_type::kBinary, std::string("\x0c\x00\xff", 3)});
    r.setValue(w98::kHkeyLocalMachine, run, {"Big", w98::reg_type::kBinary, std::string(100, 'A')});
    r.setValue(w98::kHkeyLocalMachine, run, {"Bad", w98::reg_type::kSz, std::string("\x81\x20", 2)});
    r.setValue(w98::kHkeyLocalMachine, run,
               {"Path", w98::reg_type::kExpandSz, w98::regStringData("%windir%\\a.exe")});
    r.setValue(w98::kHkeyLocalMachine, run, {"Empty", w98::reg_type::kBinary, ""});

    std::vector<StartupEntry> entries;
    ListRunKeyValues(m, "Run", entries);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].program, "dword:0000000a");
    EXPECT_EQ(entries[1].program, "hex:0c,00,ff");
    EXPECT_EQ(entries[2].program.size(), 4 + 64 * 3 - 1 + 4);
    EXPECT_TRUE(entries[2].program.ends_with("41,41,..."));
    EXPECT_EQ(entries[3].program, "hex(1):81,20");
    EXPECT_EQ(entries[4].program, "%windir%\\a.exe");
    EXPECT_EQ(entries[5].program, "");
    EXPECT_EQ(entries[3].name, "Bad");
}

TEST(StartupCatalogue, WinIniLoadLines) {
    struct Case {
        std::vector<std::string> lines;
        std::vector<std::string> programs;
    };
    const std::vector<Case> cases = {
        {{"load="}, {}},
        {{"LOAD="}, {""}},
        {{"Load="}, {""}},
        {{"load=c:\\tools\\a.exe"}, {"c:\\tools\\a.exe"}},
        {{"  load=x.exe"}, {"d=x.exe"}},
        {{"[windows]", "load=a.exe", "run=", "load=b.exe"}, {"a.exe", "b.exe"}},
        {{"程序载入load=x.exe"}, {"oad=x.exe"}}, // whole characters are cut
        {{"run=load.exe", "loader=x"}, {}},
    };
    for (const auto& c : cases) {
        const auto entries = WinIniLoadEntries(c.lines);
        EXPECT_EQ(programs(entries), c.programs) << c.lines.back();
        for (const auto& e : entries) {
            EXPECT_EQ(e.name, "load=");
            EXPECT_EQ(e.source, "win.ini");
        }
    }
}

TEST(StartupCatalogue, StartupFolderFilesWithTheirFullPath) {
    TempMachine tm;
    auto& m = tm.machine();
    const std::string folder = "C:\\WINDOWS\\Start Menu\\Programs\\启动";
    m.createDirectories(folder);
    m.writeFile(folder + "\\Office.lnk", "L");
    m.writeFile(folder + "\\readme", "x");
    m.createDirectory(folder + "\\plain");
    m.createDirectory(folder + "\\hidden");
    m.setAttributes(folder + "\\hidden", w98::attr::kHidden);
    m.writeTextLines("C:\\WINDOWS\\WIN.INI", {"[windows]"});

    const auto entries = BuildStartupCatalogue(m, "C:\\WINDOWS");
    EXPECT_EQ(programs(entries),
              (std::vector<std::string>{folder + "\\hidden", folder + "\\Office.lnk", folder + "\\readme"}));
    EXPECT_EQ(entries[1].name, "开始－程序－");
    EXPECT_EQ(entries[1].source, "启动");
}

TEST(StartupCatalogue, AFileNameThatWouldLeaveTheFolderIsNotListed) {
    TempMachine tm;
    auto& m = tm.machine();
    const std::string folder = "C:\\WINDOWS\\Start Menu\\Programs\\启动";
    m.createDirectories(folder);
    // Only a host file system can hold such a name; joined to the folder it names SYSTEM.DAT.
    std::ofstream(m.hostPath(folder) / "..\\..\\..\\SYSTEM.DAT") << "x";
    std::vector<StartupEntry> entries;
    ListStartupFolder(m, folder, entries);
    EXPECT_TRUE(entries.empty());
}

TEST(StartupCatalogue, MissingFolderGivesNothingButMissingWinIniIsAnError) {
    TempMachine tm;
    auto& m = tm.machine();
    std::vector<StartupEntry> entries;
    ListStartupFolder(m, "C:\\WINDOWS\\Start Menu\\Programs\\启动", entries);
    EXPECT_TRUE(entries.empty());
    try {
        BuildStartupCatalogue(m, "C:\\WINDOWS");
        ADD_FAILURE() << "no error";
    } catch (const w98::Error& e) {
        EXPECT_NE(std::string(e.what()).find("win.ini"), std::string::npos) << e.what();
    }
}
