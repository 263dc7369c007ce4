// A restore from the click to the next start, through the real w98 programs: the job is armed,
// the machine boots, the job runs in MS-DOS mode and Windows comes back with the restored files.
#include "platform/clock.h"
#include "platform/dos_attributes.h"
#include "platform/host_file.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "restore/catalogue.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_machine.h"
#include "tools/checker/registry_checker.h"
#include "tools/demo/demo_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
namespace fs = std::filesystem;

namespace {

constexpr auto HKLM = w98::kHkeyLocalMachine;
constexpr const char* kKey = "Software\\Korvane Test";
constexpr std::uint8_t kHsr = w98::attr::kHidden | w98::attr::kSystem | w98::attr::kReadOnly;

struct DemoMachine {
    fs::path folder = test::makeTempFolder("korvane-e2e");
    std::unique_ptr<w98::Machine> m;
    w98::SystemClock clock;
    test::RecordingShell shell;
    test::RecordingPower power;
    std::unique_ptr<System> system;
    SharedPaths paths{"C:\\WINDOWS", "C:", "C:\\WINDOWS\\SYSBCKUP", "C:\\KORVANE"};

    DemoMachine() {
        w98::createDemoMachine(folder / "m");
        m = std::make_unique<w98::Machine>(folder / "m");
        system = std::make_unique<System>(System{*m, clock, shell, power});
        WriteScanregTemplate(*m, "C:\\WINDOWS");
    }
    ~DemoMachine() {
        m.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    void setState(const std::string& state) {
        WriteRegStr(*m, HKLM, kKey, "State", state);
        m->writeTextLines("C:\\WINDOWS\\WIN.INI", {"[windows]", "load=", "marker=" + state});
        m->setAttributes("C:\\AUTOEXEC.BAT", w98::attr::kArchive);
        m->writeTextLines("C:\\AUTOEXEC.BAT", {"@ECHO OFF", "REM " + state});
    }
    std::string state() { return ReadRegStr(*m, HKLM, kKey, "State"); }

    // The restore-point table as start-up builds it, and the row of a restore point.
    TextTable table() {
        TextTable t;
        FillRestoreTable(t, ScanAllRestorePoints(*m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP"), *m, clock.now().year);
        return t;
    }
    static int rowOf(const TextTable& t, const std::string& folder, const std::string& file) {
        for (int r = 1; r < t.rowCount(); ++r)
            if (w98::equalsNoCase(t.cell(restore_col::kFolder, r), folder) && t.cell(restore_col::kFileName, r) == file)
                return r;
        return -1;
    }

    void restoreAndBoot(const TextTable& t, int row) {
        ASSERT_GT(row, 0);
        RestoreSystem(*system, paths, t, row, CheckRestorePoint(*m, t, row), {});
        ASSERT_EQ(power.calls.size(), 1u);
        ASSERT_EQ(w98::runW98(*m, {"boot"}), 0);
    }

    void expectCleanedUp() {
        for (const char* gone : {"C:\\AUTOEXEC.BEI", "C:\\dosrun.bat", "C:\\autoexec.txt", "C:\\WINDOWS\\prodos.bat",
                                 "C:\\WINDOWS\\scRegbei.bat", "C:\\WINDOWS\\scanregrun.reg"})
            EXPECT_FALSE(m->exists(gone)) << gone;
        EXPECT_EQ(m->attributes("C:\\MSDOS.SYS") & kHsr, kHsr);
        EXPECT_EQ(m->attributes("C:\\IO.SYS") & kHsr, kHsr);
    }
};

} // namespace

TEST(RestoreEndToEnd, ACabinetPutsRegistryWinIniAndStartUpFileBack) {
    DemoMachine d;
    d.setState("before");
    const std::string cab = w98::backupRegistry(*d.m);
    d.setState("after");

    TextTable t = d.table();
    d.restoreAndBoot(t, DemoMachine::rowOf(t, "C:\\WINDOWS\\SYSBCKUP", cab.substr(cab.rfind('\\') + 1)));

    EXPECT_EQ(d.state(), "before");
    EXPECT_EQ(d.m->readTextLines("C:\\WINDOWS\\WIN.INI").back(), "marker=before");
    EXPECT_EQ(d.m->readTextLines("C:\\AUTOEXEC.BAT"), (std::vector<std::string>{"@ECHO OFF", "REM before"}));
    d.expectCleanedUp();
    const std::string log = w98::readHostFile(d.folder / "m" / "boot.log", "boot.log");
    EXPECT_NE(log.find("restore1"), std::string::npos);

    // The state before the restore was saved and is listed at the next start.
    RestoreCatalogue c = ScanAllRestorePoints(*d.m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP");
    int saved = 0;
    for (const auto& p : c)
        saved += p.note == notes::kBeforeRestore;
    EXPECT_EQ(saved, 2); // the demo's earlier one and this one
}

TEST(RestoreEndToEnd, AFilePairRestoresItsRegistryAndWinIniAndKeepsTheUsersStartUpFile) {
    DemoMachine d;
    d.setState("after");
    TextTable t = d.table();
    d.restoreAndBoot(t, DemoMachine::rowOf(t, "C:\\WINDOWS", "system.da0"));

    // The pair was taken when Windows was installed: the test key did not exist then.
    EXPECT_FALSE(d.m->registry().keyExists(HKLM, kKey));
    EXPECT_EQ(d.m->readFile("C:\\WINDOWS\\WIN.INI"), d.m->readFile("C:\\WINDOWS\\win.in0"));
    EXPECT_EQ(d.m->readTextLines("C:\\AUTOEXEC.BAT"), (std::vector<std::string>{"@ECHO OFF", "REM after"}));
    d.expectCleanedUp();
}

TEST(RestoreEndToEnd, ACabinetMovedAsFutureDatedIsRestoredFromOld) {
    DemoMachine d;
    d.setState("future");
    const std::string cab = w98::backupRegistry(*d.m);
    const std::string name = cab.substr(cab.rfind('\\') + 1);
    w98::DateTime later = d.clock.now();
    later.year += 1;
    d.m->setLastWriteTime(cab, later);
    d.setState("now");

    TextTable t = d.table();
    MoveFutureRestorePoints(*d.m, t, "C:\\WINDOWS\\SYSBCKUP", d.clock);
    ASSERT_TRUE(d.m->isFile("C:\\WINDOWS\\SYSBCKUP\\old\\" + name));
    d.restoreAndBoot(t, DemoMachine::rowOf(t, "C:\\WINDOWS\\SYSBCKUP", name));

    EXPECT_EQ(d.state(), "future");
    d.expectCleanedUp();
}
