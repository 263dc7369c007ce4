// A restore from the click to the next start, through the real w98 programs: the job is armed,
// the machine boots, the job runs in MS-DOS mode and Windows comes back with the restored files.
#include "platform/clock.h"
#include "platform/dos_attributes.h"
#include "platform/host_file.h"
#include "platform/process.h"
#include "platform/registry/registry.h"
#include "restore/catalogue.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/restore/restore_demo.h"
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

struct DemoMachine : test::RestoreDemo {
    DemoMachine() : RestoreDemo("korvane-e2e") {}

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

namespace {

// What a restore must never touch unless it runs: the system files and the registry.
struct Untouched {
    std::vector<std::pair<std::string, std::string>> files;
    explicit Untouched(w98::Machine& m) {
        for (const char* f : {"C:\\MSDOS.SYS", "C:\\IO.SYS", "C:\\WINDOWS\\SYSTEM.DAT", "C:\\WINDOWS\\USER.DAT",
                              "C:\\AUTOEXEC.BAT", "C:\\WINDOWS\\scanreg.ini"})
            files.emplace_back(f, m.readFile(f));
    }
    void expectSame(w98::Machine& m) const {
        for (const auto& [f, bytes] : files)
            EXPECT_EQ(m.readFile(f), bytes) << f;
    }
};

// The MS-DOS policy values a restore arms (`old`) and the runner lifts (`Disabled`).
std::string policy(w98::Machine& m) {
    const char* key = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp";
    std::string out;
    for (const char* v : {"old", "Disabled"})
        out += RegValueExists(m, w98::kHkeyCurrentUser, key, v) ? std::to_string(ReadRegInt(m, w98::kHkeyCurrentUser, key, v)) : "-";
    return out;
}

std::string fileNameOf(const std::string& path) {
    return path.substr(path.rfind('\\') + 1);
}

} // namespace

TEST(RestoreEndToEnd, ANameThatWouldChangeABatchLineIsListedButArmsNothing) {
    // A redirection, an input redirection, a pipe, bytes that are no text and a character code
    // page 936 cannot write.
    for (const std::string name : {"a >msdos.sys .cab", "a<io.sys.cab", "a|del.cab", "\xff\xfe.cab", "\xf0\x9f\x98\x80.cab"}) {
        DemoMachine d;
        d.setState("now");
        const std::string cab = w98::backupRegistry(*d.m);
        d.m->moveFile(cab, "C:\\WINDOWS\\SYSBCKUP\\" + name);
        const std::size_t saved = d.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size();
        const Untouched before(*d.m);
        const std::string policyBefore = policy(*d.m);

        TextTable t = d.table();
        const int row = DemoMachine::rowOf(t, "C:\\WINDOWS\\SYSBCKUP", name);
        ASSERT_GT(row, 0) << name; // still listed
        try {
            RestoreSystem(*d.system, d.paths, t, row, CheckedRestorePoint{}, {});
            ADD_FAILURE() << "restored from " << name;
        } catch (const w98::Error& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with("无法在MS-DOS方式下从这个还原点还原")) << e.what();
        }
        EXPECT_TRUE(d.power.calls.empty());
        for (const char* none : {"C:\\dosrun.bat", "C:\\autoexec.txt", "C:\\WINDOWS\\scRegbei.bat",
                                 "C:\\WINDOWS\\scanregrun.reg", "C:\\WINDOWS\\prodos.bat", "c:\\scanreg.bei"})
            EXPECT_FALSE(d.m->exists(none)) << name << ": " << none;
        EXPECT_EQ(d.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size(), saved) << name;
        EXPECT_EQ(policy(*d.m), policyBefore) << name;
        before.expectSame(*d.m);
        // The next start runs the user's own start-up file and leaves the system files alone.
        ASSERT_EQ(w98::runW98(*d.m, {"boot"}), 0);
        before.expectSame(*d.m);
    }
}

// The present state cannot be saved because the checker's batch file cannot be written: the
// checker's settings go back as they were, nothing is armed and the next start changes nothing.
TEST(RestoreEndToEnd, ABackupThatFailsAfterTheSettingsWereEditedPutsThemBackAndArmsNothing) {
    for (const bool folder : {true, false}) {
        SCOPED_TRACE(folder ? "scRegbei.bat is a folder" : "scRegbei.bat is read-only");
        DemoMachine d;
        d.setState("before");
        const std::string name = fileNameOf(w98::backupRegistry(*d.m));
        d.setState("now");
        if (folder)
            d.m->createDirectories("C:\\WINDOWS\\scRegbei.bat");
        else
            d.m->writeFile("C:\\WINDOWS\\scRegbei.bat", "@ECHO OFF\r\n", w98::attr::kReadOnly | w98::attr::kArchive);
        const std::string settings = d.m->readFile("C:\\WINDOWS\\scanreg.ini");
        const auto points = d.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size();
        std::vector<std::pair<std::string, std::string>> files;
        for (const char* f : {"C:\\MSDOS.SYS", "C:\\IO.SYS", "C:\\WINDOWS\\SYSTEM.DAT", "C:\\AUTOEXEC.BAT"})
            files.emplace_back(f, d.m->readFile(f));

        TextTable t = d.table();
        const int row = DemoMachine::rowOf(t, "C:\\WINDOWS\\SYSBCKUP", name);
        ASSERT_GT(row, 0);
        EXPECT_THROW(RestoreSystem(*d.system, d.paths, t, row, CheckRestorePoint(*d.m, t, row), {}), w98::Error);
        EXPECT_TRUE(d.power.calls.empty());
        EXPECT_EQ(d.m->readFile("C:\\WINDOWS\\scanreg.ini"), settings);
        EXPECT_EQ(d.m->readFile("c:\\scanreg.bei"), settings);
        EXPECT_EQ(d.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size(), points);
        for (const char* none : {"C:\\dosrun.bat", "C:\\autoexec.txt", "C:\\WINDOWS\\scanregrun.reg",
                                 "C:\\WINDOWS\\prodos.bat", "C:\\WINDOWS\\korvane.rst"})
            EXPECT_FALSE(d.m->exists(none)) << none;
        ASSERT_EQ(w98::runW98(*d.m, {"boot"}), 0);
        for (const auto& [f, bytes] : files)
            EXPECT_EQ(d.m->readFile(f), bytes) << f;
        EXPECT_EQ(d.state(), "now");
    }
}

TEST(RestoreEndToEnd, BlanksPercentSignsAndChineseInANameAreWrittenSoMsDosReadsThePath) {
    struct Case {
        std::string name, source;
    };
    for (const auto& c : std::vector<Case>{{"my backup 100%.cab", "\"C:\\WINDOWS\\SYSBCKUP\\my backup 100%%.cab\""},
                                           {"备份%1.cab", "C:\\WINDOWS\\SYSBCKUP\\备份%%1.cab"}}) {
        DemoMachine d;
        d.setState("before");
        d.m->moveFile(w98::backupRegistry(*d.m), "C:\\WINDOWS\\SYSBCKUP\\" + c.name);
        d.setState("after");

        TextTable t = d.table();
        const int row = DemoMachine::rowOf(t, "C:\\WINDOWS\\SYSBCKUP", c.name);
        ASSERT_GT(row, 0) << c.name;
        RestoreSystem(*d.system, d.paths, t, row, CheckRestorePoint(*d.m, t, row), {});
        EXPECT_EQ(d.m->readTextLines("C:\\dosrun.bat")[6],
                  "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\temp\\restore1 " + c.source);
        ASSERT_EQ(w98::runW98(*d.m, {"boot"}), 0);
        EXPECT_EQ(d.state(), "before") << c.name;
        d.expectCleanedUp();
    }
}

TEST(RestoreEndToEnd, APointMovedAsideFromRestore1IsListedAtEveryLaterStartAndRestores) {
    DemoMachine d;
    d.setState("made by hand");
    const std::string name = fileNameOf(w98::backupRegistry(*d.m));
    d.m->createDirectories("C:\\WINDOWS\\sysbckup\\restore1");
    const std::string cab = "C:\\WINDOWS\\sysbckup\\restore1\\" + name;
    d.m->moveFile("C:\\WINDOWS\\SYSBCKUP\\" + name, cab);
    w98::DateTime later = d.clock.now();
    later.year += 2; // the clock was set back since
    d.m->setLastWriteTime(cab, later);
    d.setState("now");

    TextTable first = d.table();
    MoveFutureRestorePoints(*d.m, first, "C:\\WINDOWS\\SYSBCKUP", d.clock);
    // Two later starts: the point is listed from where it was moved, with the note of a moved point.
    for (int start = 0; start < 2; ++start) {
        TextTable t = d.table();
        MoveFutureRestorePoints(*d.m, t, "C:\\WINDOWS\\SYSBCKUP", d.clock);
        const TextTable listed = d.table();
        const int row = DemoMachine::rowOf(listed, "C:\\WINDOWS\\sysbckup\\restore1\\old", name);
        ASSERT_GT(row, 0) << "start " << start;
        EXPECT_EQ(listed.cell(restore_col::kNote, row), "曾修改过的时间，非实际时间");
    }
    TextTable t = d.table();
    MoveFutureRestorePoints(*d.m, t, "C:\\WINDOWS\\SYSBCKUP", d.clock);
    d.restoreAndBoot(t, DemoMachine::rowOf(t, "C:\\WINDOWS\\sysbckup\\restore1\\old", name));
    EXPECT_EQ(d.state(), "made by hand");
    d.expectCleanedUp();
}
