// The program's registry work on a machine whose registry files are in Windows 98's binary form,
// each result read back through an independent reader (cregexport) rather than our own: a
// restore from a cabinet, the registry rebuild, a policy switch and a start-up entry's removal.
#include "base/host_file.h"
#include "base/text.h"
#include "demo/demo_machine.h"
#include "maintenance/registry_rebuild.h"
#include "platform/cabinet.h"
#include "platform/clock.h"
#include "platform/machine_programs.h"
#include "platform/registry_checker.h"
#include "registry/registry.h"
#include "registry/registry_file.h"
#include "restore/catalogue.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "startup/startup_catalogue.h"
#include "startup/startup_grid.h"
#include "startup/startup_removal.h"
#include "switches/policy_switch.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/support/creg_export.h"
#include "tests/support/fakes.h"
#include "tests/support/restore_click.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

using namespace korvane;
namespace fs = std::filesystem;

namespace {

const std::string kSystemDat = "C:\\WINDOWS\\SYSTEM.DAT";
const std::string kUserDat = "C:\\WINDOWS\\USER.DAT";

// The demo machine, whose registry files are binary, with the program's view of it.
struct BinaryMachine {
    fs::path folder = test::makeTempFolder("korvane-binmachine");
    std::unique_ptr<w98::Machine> m;
    w98::SystemClock clock;
    test::RecordingShell shell;
    test::RecordingPower power;
    std::unique_ptr<System> system;
    SharedPaths paths{"C:\\WINDOWS", "C:", "C:\\WINDOWS\\SYSBCKUP", "C:\\KORVANE"};

    BinaryMachine() {
        w98::createDemoMachine(folder / "m");
        m = std::make_unique<w98::Machine>(folder / "m");
        system = std::make_unique<System>(System{*m, clock, shell, power});
    }
    ~BinaryMachine() {
        system.reset();
        m.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    BinaryMachine(const BinaryMachine&) = delete;
    BinaryMachine& operator=(const BinaryMachine&) = delete;

    std::string exported(const std::string& file) { return test::cregExport(m->hostPath(file)); }
    bool binary(const std::string& file) {
        return w98::hiveFormOf(m->readFile(file)) == w98::HiveForm::Binary;
    }
    // After a start: the key where the stand-in's Windows counts its starts goes, so that the
    // registry can be compared with what it held.
    void forgetStarts() {
        m->registry().deleteKey(w98::kHkeyLocalMachine, "Software\\w98");
        m->registry().deleteKey(w98::kHkeyCurrentUser, "Software\\w98");
    }
};

std::vector<std::string> linesOf(const std::string& dump) {
    std::vector<std::string> out;
    std::istringstream in(dump);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// The value lines of one key of a dump (key path matched without regard to case, as Windows
// does); nullopt when the dump has no such key.
std::optional<std::vector<std::string>> valuesOf(const std::string& dump, const std::string& key) {
    std::optional<std::vector<std::string>> out;
    bool inKey = false;
    for (const std::string& line : linesOf(dump)) {
        if (line.starts_with("[")) {
            inKey = w98::equalsNoCase(line, "[" + key + "]");
            if (inKey)
                out.emplace();
        } else if (inKey) {
            out->push_back(line);
        }
    }
    return out;
}

// A dump as a set: every key's path, and every value line prefixed by its key's path, sorted.
// The registry editor builds a registry back from its export; it keeps what each key holds
// but not necessarily the order of keys and values.
std::vector<std::string> contentOf(const std::string& dump) {
    std::vector<std::string> out;
    std::string key;
    for (const std::string& line : linesOf(dump)) {
        if (line.starts_with("[")) {
            key = line;
            out.push_back(line);
        } else {
            out.push_back(key + " " + line);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

int rowNamed(const TextTable& t, const std::string& name) {
    for (int r = 1; r < t.rowCount(); ++r)
        if (t.cell(startup_col::kName, r) == name)
            return r;
    return -1;
}

} // namespace

TEST(BinaryMachine, ARestoreFromACabinetPutsBackExactlyTheFilesTheCabinetCarried) {
    BinaryMachine b;
    ASSERT_TRUE(b.binary(kSystemDat));
    ASSERT_TRUE(b.binary(kUserDat));
    WriteScanregTemplate(*b.m, "C:\\WINDOWS");
    WriteRegStr(*b.m, w98::kHkeyLocalMachine, "Software\\康维测试", "状态", "还原前");
    WriteRegStr(*b.m, w98::kHkeyCurrentUser, "Software\\康维测试", "状态", "还原前");
    const std::string cab = w98::backupRegistry(*b.m);

    // What the cabinet carries, as files of their own.
    const fs::path carried = b.folder / "carried";
    fs::create_directories(carried);
    int found = 0;
    for (const w98::CabEntry& e : w98::readCabinet(b.m->readFile(cab), cab)) {
        for (const char* name : {"SYSTEM.DAT", "USER.DAT"}) {
            if (w98::equalsNoCase(e.name, name)) {
                EXPECT_EQ(w98::hiveFormOf(e.data), w98::HiveForm::Binary) << name;
                std::ofstream(carried / name, std::ios::binary) << e.data;
                ++found;
            }
        }
    }
    ASSERT_EQ(found, 2);
    const std::string carriedSystem = test::cregExport(carried / "SYSTEM.DAT");
    const std::string carriedUser = test::cregExport(carried / "USER.DAT");
    ASSERT_NE(carriedSystem.find("状态|1|"), std::string::npos);

    WriteRegStr(*b.m, w98::kHkeyLocalMachine, "Software\\康维测试", "状态", "还原后");
    WriteRegStr(*b.m, w98::kHkeyCurrentUser, "Software\\康维测试", "状态", "还原后");
    b.m->registry().deleteKey(w98::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    WriteRegStr(*b.m, w98::kHkeyLocalMachine, "Software\\以后才有", "x", "1");

    RestoreCatalogue c = ScanAllRestorePoints(*b.m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP");
    TextTable t;
    FillRestoreTable(t, c, *b.m, b.clock.now().year);
    int row = -1;
    for (int r = 1; r < t.rowCount(); ++r)
        if (w98::equalsNoCase(t.cell(restore_col::kFolder, r), "C:\\WINDOWS\\SYSBCKUP") &&
            t.cell(restore_col::kFileName, r) == cab.substr(cab.rfind('\\') + 1))
            row = r;
    ASSERT_GT(row, 0);
    test::RestoreRow(*b.system, b.paths, t, row);
    ASSERT_EQ(b.power.calls.size(), 1u);
    ASSERT_EQ(w98::runW98(*b.m, {"boot"}), 0);
    b.forgetStarts();

    EXPECT_TRUE(b.binary(kSystemDat));
    EXPECT_TRUE(b.binary(kUserDat));
    EXPECT_EQ(test::firstDifference(carriedSystem, b.exported(kSystemDat)), "");
    EXPECT_EQ(test::firstDifference(carriedUser, b.exported(kUserDat)), "");
}

TEST(BinaryMachine, TheRebuiltRegistryIsBinaryAndHoldsWhatItHeldBefore) {
    BinaryMachine b;
    const std::string key = "Software\\康维测试\\子键";
    auto put = [&](w98::RegRoot root, const std::string& k, const std::string& name, std::uint32_t type,
                   const std::string& data) {
        b.m->registry().setValue(root, k, w98::RegValue{name, type, data});
    };
    put(w98::kHkeyLocalMachine, key, "名称", w98::reg_type::kSz, w98::regStringData("中文的值"));
    put(w98::kHkeyLocalMachine, key, "", w98::reg_type::kSz, w98::regStringData("默认"));
    put(w98::kHkeyLocalMachine, key, "Bytes", w98::reg_type::kBinary, std::string("\x00\xff\x10\x80", 4));
    put(w98::kHkeyLocalMachine, key, "Path", w98::reg_type::kExpandSz,
        w98::regStringData("%SystemRoot%\\中文"));
    put(w98::kHkeyLocalMachine, key, "Count", w98::reg_type::kDword, w98::regDwordData(0xfffffffe));
    b.m->registry().createKey(w98::kHkeyLocalMachine, "Software\\康维测试\\空键");
    put(w98::kHkeyUsers, ".DEFAULT\\Control Panel\\桌面", "墙纸", w98::reg_type::kSz,
        w98::regStringData("C:\\WINDOWS\\云.bmp"));

    const std::string system = b.exported(kSystemDat);
    const std::string user = b.exported(kUserDat);
    ASSERT_NE(system.find("[Software\\康维测试\\空键]"), std::string::npos);
    ASSERT_NE(system.find("\nCount|4|fe ff ff ff\n"), std::string::npos);
    ASSERT_NE(user.find("[.DEFAULT\\Control Panel\\桌面]"), std::string::npos);
    RebuildRegistry(*b.system, b.paths, {});
    ASSERT_EQ(b.power.calls.size(), 1u);
    ASSERT_EQ(w98::runW98(*b.m, {"boot"}), 0);
    ASSERT_NE(w98::readHostFile(b.folder / "m" / "boot.log", "boot.log").find("A new registry was built"),
              std::string::npos);
    b.forgetStarts();

    EXPECT_TRUE(b.binary(kSystemDat));
    EXPECT_TRUE(b.binary(kUserDat));
    EXPECT_EQ(test::firstDifference(joined(contentOf(system)), joined(contentOf(b.exported(kSystemDat)))),
              "");
    EXPECT_EQ(test::firstDifference(joined(contentOf(user)), joined(contentOf(b.exported(kUserDat)))), "");
}

TEST(BinaryMachine, TheAddressBarSwitchWritesAndRemovesItsTwoDwordsAndNothingElse) {
    BinaryMachine b;
    const std::string explorer = ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    const std::string before = b.exported(kUserDat);
    const std::string systemBefore = b.exported(kSystemDat);

    EXPECT_EQ(ClickPolicySwitch(*b.m, kAddressBarSwitch, "禁用地址栏直接输入"), "启用地址栏直接输入");
    ASSERT_TRUE(b.binary(kUserDat));
    const std::string after = b.exported(kUserDat);
    const auto values = valuesOf(after, explorer);
    ASSERT_TRUE(values.has_value()) << after.substr(0, 2000);
    EXPECT_NE(std::find(values->begin(), values->end(), "NoRun|4|01 00 00 00"), values->end());
    EXPECT_NE(std::find(values->begin(), values->end(), "NoSun|4|01 00 00 00"), values->end());
    // Nothing else moved: take the two lines away and the file reads as before.
    std::vector<std::string> rest = linesOf(after);
    std::erase_if(
        rest, [](const std::string& l) { return l == "NoRun|4|01 00 00 00" || l == "NoSun|4|01 00 00 00"; });
    EXPECT_EQ(test::firstDifference(before, joined(rest)), "");
    EXPECT_EQ(test::firstDifference(systemBefore, b.exported(kSystemDat)), "");

    EXPECT_EQ(ClickPolicySwitch(*b.m, kAddressBarSwitch, "启用地址栏直接输入"), "禁用地址栏直接输入");
    ASSERT_TRUE(b.binary(kUserDat));
    EXPECT_EQ(test::firstDifference(before, b.exported(kUserDat)), "");
}

TEST(BinaryMachine, RemovingARunEntryTakesOnlyItsValueOutOfTheFile) {
    BinaryMachine b;
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    // Listing the entries creates the missing run keys empty; the file is compared from there.
    TextTable table = StartupTable(BuildStartupCatalogue(*b.m, "C:\\WINDOWS"), "C:\\WINDOWS");
    const std::string before = b.exported(kSystemDat);
    const auto valuesBefore = valuesOf(before, run);
    ASSERT_TRUE(valuesBefore.has_value());
    // "C:\WINDOWS\taskmon.exe", kept without a closing zero as Windows keeps strings.
    const std::string removed =
        "TaskMonitor|1|43 3a 5c 57 49 4e 44 4f 57 53 5c 74 61 73 6b 6d 6f 6e 2e 65 78 65";
    ASSERT_NE(std::find(valuesBefore->begin(), valuesBefore->end(), removed), valuesBefore->end());

    const int row = rowNamed(table, "TaskMonitor");
    ASSERT_GT(row, 0);
    EXPECT_EQ(
        ClickStartupTable(*b.m, table, {startup_col::kDelete, row, startup_col::kDelete, row}, "C:\\WINDOWS"),
        ClickOutcome::Removed);

    ASSERT_TRUE(b.binary(kSystemDat));
    const std::string after = b.exported(kSystemDat);
    std::vector<std::string> expected = *valuesBefore;
    std::erase(expected, removed);
    EXPECT_EQ(valuesOf(after, run), expected);
    std::vector<std::string> rest = linesOf(before);
    std::erase(rest, removed);
    EXPECT_EQ(test::firstDifference(joined(rest), after), "");
}
