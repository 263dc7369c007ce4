// A restore from the click to the next start, through the real w98 programs: the job is armed,
// the machine boots, the job runs in MS-DOS mode and Windows comes back with the restored files.
#include "base/dos_attributes.h"
#include "base/host_file.h"
#include "demo/demo_machine.h"
#include "platform/cabinet.h"
#include "platform/clock.h"
#include "platform/machine_programs.h"
#include "platform/registry_checker.h"
#include "registry/registry.h"
#include "restore/catalogue.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_outcome.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/restore/restore_demo.h"
#include "tests/support/fakes.h"
#include "tests/support/restore_click.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
namespace fs = std::filesystem;

namespace {

constexpr auto HKLM = w98::kHkeyLocalMachine;
constexpr const char* kKey = "Software\\Korvane Test";
constexpr std::uint8_t kHsr = w98::attr::kHidden | w98::attr::kSystem | w98::attr::kReadOnly;

struct DemoMachine : test::RestoreDemo {
    DemoMachine() : RestoreDemo("korvane-e2e") {}

    std::string win = "C:\\WINDOWS";

    void setState(const std::string& state) {
        WriteRegStr(*m, HKLM, kKey, "State", state);
        m->writeTextLines(win + "\\WIN.INI", {"[windows]", "load=", "marker=" + state});
        m->setAttributes("C:\\AUTOEXEC.BAT", w98::attr::kArchive);
        m->writeTextLines("C:\\AUTOEXEC.BAT", {"@ECHO OFF", "REM " + state});
    }
    std::string state() { return ReadRegStr(*m, HKLM, kKey, "State"); }

    // The restore-point table as start-up builds it, and the row of a restore point.
    TextTable table() {
        TextTable t;
        FillRestoreTable(t, ScanAllRestorePoints(*m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP"), *m,
                         clock.now().year);
        return t;
    }
    static int rowOf(const TextTable& t, const std::string& folder, const std::string& file) {
        for (int r = 1; r < t.rowCount(); ++r)
            if (w98::equalsNoCase(t.cell(restore_col::kFolder, r), folder) &&
                t.cell(restore_col::kFileName, r) == file)
                return r;
        return -1;
    }

    void restoreAndBoot(const TextTable& t, int row) {
        ASSERT_GT(row, 0);
        test::RestoreRow(*system, paths, t, row);
        ASSERT_EQ(power.calls.size(), 1u);
        ASSERT_EQ(w98::runW98(*m, {"boot"}), 0);
    }

    // Every file of the cabinet is back where the job puts it, byte for byte; the registry
    // files, which Windows rewrites as it starts, hold the state of the point.
    void expectRestoredFrom(const std::vector<w98::CabEntry>& cabinet, const std::string& winDir) {
        ASSERT_FALSE(cabinet.empty());
        for (const auto& e : cabinet) {
            const std::string name = w98::foldAscii(e.name);
            if (name == "system.dat" || name == "user.dat")
                continue;
            const bool root = name == "msdos.sys" || name == "io.sys" || name == "config.sys" ||
                              name == "command.com" || name == "autoexec.bat";
            const std::string file = (root ? std::string("C:") : winDir) + "\\" + e.name;
            EXPECT_EQ(m->readFile(file), e.data) << file;
        }
        EXPECT_EQ(state(), "before");
    }

    void expectCleanedUp() {
        for (const char* gone :
             {"C:\\AUTOEXEC.BEI", "C:\\dosrun.bat", "C:\\autoexec.txt", "C:\\WINDOWS\\prodos.bat",
              "C:\\WINDOWS\\scRegbei.bat", "C:\\WINDOWS\\scanrun.reg"})
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

// The registry's keys and values as text, key by key, without the key where the stand-in's
// Windows counts its starts.
std::vector<std::string> registryContent(w98::Machine& m) {
    const std::string text = m.registry().exportText();
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find("\r\n\r\n", pos);
        end = end == std::string::npos ? text.size() : end;
        const std::string block = text.substr(pos, end - pos);
        if (!w98::containsNoCase(block.substr(0, block.find('\n')), "\\Software\\w98]"))
            out.push_back(block);
        pos = end + 4;
    }
    return out;
}

// What a restore must never touch unless it runs: the system files and the registry. Windows
// rewrites the registry files as it starts: after a start their content is compared.
struct Untouched {
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> registry;
    explicit Untouched(w98::Machine& m) : registry(registryContent(m)) {
        for (const char* f : {"C:\\MSDOS.SYS", "C:\\IO.SYS", "C:\\WINDOWS\\SYSTEM.DAT",
                              "C:\\WINDOWS\\USER.DAT", "C:\\AUTOEXEC.BAT", "C:\\WINDOWS\\scanreg.ini"})
            files.emplace_back(f, m.readFile(f));
    }
    void expectSame(w98::Machine& m, bool afterStart = false) const {
        for (const auto& [f, bytes] : files) {
            if (!afterStart || !f.ends_with(".DAT")) {
                EXPECT_EQ(m.readFile(f), bytes) << f;
            }
        }
        EXPECT_EQ(registryContent(m), registry);
    }
};

// The MS-DOS policy values a restore arms (`old`) and the runner lifts (`Disabled`).
std::string policy(w98::Machine& m) {
    const char* key = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp";
    std::string out;
    for (const char* v : {"old", "Disabled"})
        out += RegValueExists(m, w98::kHkeyCurrentUser, key, v)
                   ? std::to_string(ReadRegInt(m, w98::kHkeyCurrentUser, key, v))
                   : "-";
    return out;
}

std::string fileNameOf(const std::string& path) {
    return path.substr(path.rfind('\\') + 1);
}

} // namespace

TEST(RestoreEndToEnd, ANameThatWouldChangeABatchLineIsListedButArmsNothing) {
    // A redirection, an input redirection, a pipe, bytes that are no text and a character code
    // page 936 cannot write.
    // And names whose short names hold 東 (96 7C) and 淺 (9C 5C): their second bytes are '|' and '\'.
    for (const std::string name : {"a >msdos.sys .cab", "a<io.sys.cab", "a|del.cab", "\xff\xfe.cab",
                                   "\xf0\x9f\x98\x80.cab", "東方 备份.cab", "淺色 备份.cab"}) {
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
            test::RestoreRowUnread(*d.system, d.paths, t, row);
            ADD_FAILURE() << "restored from " << name;
        } catch (const w98::Error& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with("无法在MS-DOS方式下从这个还原点还原")) << e.what();
        }
        EXPECT_TRUE(d.power.calls.empty());
        for (const char* none : {"C:\\dosrun.bat", "C:\\autoexec.txt", "C:\\WINDOWS\\scRegbei.bat",
                                 "C:\\WINDOWS\\scanrun.reg", "C:\\WINDOWS\\prodos.bat", "c:\\scanreg.bei"})
            EXPECT_FALSE(d.m->exists(none)) << name << ": " << none;
        EXPECT_EQ(d.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size(), saved) << name;
        EXPECT_EQ(policy(*d.m), policyBefore) << name;
        before.expectSame(*d.m);
        // The next start runs the user's own start-up file and leaves the system files alone.
        ASSERT_EQ(w98::runW98(*d.m, {"boot"}), 0);
        before.expectSame(*d.m, true);
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
            d.m->writeFile("C:\\WINDOWS\\scRegbei.bat", "@ECHO OFF\r\n",
                           w98::attr::kReadOnly | w98::attr::kArchive);
        const std::string settings = d.m->readFile("C:\\WINDOWS\\scanreg.ini");
        const auto points = d.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size();
        std::vector<std::pair<std::string, std::string>> files;
        for (const char* f : {"C:\\MSDOS.SYS", "C:\\IO.SYS", "C:\\WINDOWS\\SYSTEM.DAT", "C:\\AUTOEXEC.BAT"})
            files.emplace_back(f, d.m->readFile(f));

        TextTable t = d.table();
        const int row = DemoMachine::rowOf(t, "C:\\WINDOWS\\SYSBCKUP", name);
        ASSERT_GT(row, 0);
        EXPECT_THROW(test::RestoreRow(*d.system, d.paths, t, row), w98::Error);
        EXPECT_TRUE(d.power.calls.empty());
        EXPECT_EQ(d.m->readFile("C:\\WINDOWS\\scanreg.ini"), settings);
        EXPECT_EQ(d.m->readFile("c:\\scanreg.bei"), settings);
        EXPECT_EQ(d.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size(), points);
        for (const char* none : {"C:\\dosrun.bat", "C:\\autoexec.txt", "C:\\WINDOWS\\scanrun.reg",
                                 "C:\\WINDOWS\\prodos.bat", "C:\\WINDOWS\\korvane.rst"})
            EXPECT_FALSE(d.m->exists(none)) << none;
        for (const auto& [f, bytes] : files)
            EXPECT_EQ(d.m->readFile(f), bytes) << f;
        // The next start runs no job; Windows rewrites its registry as it starts, keeping it.
        ASSERT_EQ(w98::runW98(*d.m, {"boot"}), 0);
        for (const auto& [f, bytes] : files) {
            if (f != "C:\\WINDOWS\\SYSTEM.DAT") {
                EXPECT_EQ(d.m->readFile(f), bytes) << f;
            }
        }
        EXPECT_EQ(d.state(), "now");
    }
}

TEST(RestoreEndToEnd, BlanksPercentSignsAndChineseInANameAreWrittenSoMsDosReadsThePath) {
    struct Case {
        std::string name, source;
    };
    for (const auto& c : std::vector<Case>{{"my backup 100%.cab", "C:\\WINDOWS\\SYSBCKUP\\MYBACK~1.CAB"},
                                           {"备份%1.cab", "C:\\WINDOWS\\SYSBCKUP\\备份%%1.CAB"}}) {
        DemoMachine d;
        d.setState("before");
        d.m->moveFile(w98::backupRegistry(*d.m), "C:\\WINDOWS\\SYSBCKUP\\" + c.name);
        d.setState("after");

        TextTable t = d.table();
        const int row = DemoMachine::rowOf(t, "C:\\WINDOWS\\SYSBCKUP", c.name);
        ASSERT_GT(row, 0) << c.name;
        test::RestoreRow(*d.system, d.paths, t, row);
        EXPECT_EQ(d.m->readTextLines("C:\\dosrun.bat")[6],
                  "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 " + c.source);
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

namespace {

// The restore job as it was written before MS-DOS was taken at its word: long names in quotes,
// and the move into the hand-over folder by "cd windows".
std::vector<std::string> jobOfOldLines(const std::vector<std::string>& job, const std::string& winDir,
                                       const std::string& longCabinet) {
    std::vector<std::string> old;
    for (const auto& line : job) {
        if (line.starts_with("%winbootdir%\\COMMAND\\extract "))
            old.push_back("%winbootdir%\\COMMAND\\extract /y /e /L " + winDir + "\\temp\\restore1 \"" +
                          longCabinet + "\"");
        else if (line.starts_with("cd \\"))
            for (const char* cd : {"cd \\", "cd windows", "cd temp", "cd restore1"})
                old.push_back(cd);
        else
            old.push_back(line);
    }
    return old;
}

} // namespace

TEST(RestoreEndToEnd, LongBlankAndChineseNamesAreRestoredThroughMsDosByTheirShortNamesAndTheOldLinesFail) {
    struct Case {
        std::string name, shortName;
    };
    for (const auto& c : std::vector<Case>{{"my backup 1.cab", "MYBACK~1.CAB"},
                                           {"restore point of the sixteenth of May.cab", "RESTOR~1.CAB"},
                                           {"备份 一.cab", "备份一~1.CAB"},
                                           // 東 (96 7C) in the long name only: the short name is free of it.
                                           {"backup 東方.cab", "BACKUP~1.CAB"}}) {
        SCOPED_TRACE(c.name);
        for (const bool oldLines : {false, true}) {
            DemoMachine d;
            d.setState("before");
            const std::string cab = "C:\\WINDOWS\\SYSBCKUP\\" + c.name;
            d.m->moveFile(w98::backupRegistry(*d.m), cab);
            const auto cabinet = w98::readCabinet(d.m->readFile(cab), cab);
            d.setState("after");
            EXPECT_EQ(d.m->shortName(cab), c.shortName);

            TextTable t = d.table();
            const int row = DemoMachine::rowOf(t, "C:\\WINDOWS\\SYSBCKUP", c.name);
            ASSERT_GT(row, 0);
            test::RestoreRow(*d.system, d.paths, t, row);
            const auto job = d.m->readTextLines("C:\\dosrun.bat");
            ASSERT_EQ(job[6], "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 "
                              "C:\\WINDOWS\\SYSBCKUP\\" +
                                  c.shortName);
            if (oldLines)
                d.m->writeTextLines("C:\\dosrun.bat", jobOfOldLines(job, "C:\\WINDOWS", cab));
            ASSERT_EQ(w98::runW98(*d.m, {"boot"}), 0);
            const auto outcome = TakeRestoreOutcome(*d.m, "C:\\WINDOWS");
            ASSERT_TRUE(outcome);
            if (oldLines) {
                // MS-DOS does not find the point by its long name, quoted or not.
                EXPECT_EQ(d.state(), "after");
                EXPECT_FALSE(outcome->restored) << outcome->message;
            } else {
                d.expectRestoredFrom(cabinet, "C:\\WINDOWS");
                EXPECT_TRUE(outcome->restored) << outcome->message;
            }
            d.expectCleanedUp();
        }
    }
}

TEST(RestoreEndToEnd, AWindowsFolderThatIsNotCWindowsIsRestoredAndTheOldCdLinesMissIt) {
    for (const bool oldLines : {false, true}) {
        SCOPED_TRACE(oldLines ? "old lines" : "new lines");
        DemoMachine d;
        // The demo installation moved to C:\WIN98, as setup would have put it there.
        d.m->moveFile("C:\\WINDOWS", "C:\\WIN98");
        {
            const fs::path file = d.folder / "m" / "machine.ini";
            std::string ini = w98::readHostFile(file, "machine.ini");
            const std::string from = "windows=C:\\WINDOWS";
            ASSERT_NE(ini.find(from), std::string::npos);
            ini.replace(ini.find(from), from.size(), "windows=C:\\WIN98");
            w98::replaceHostFile(file, ini, "machine.ini");
        }
        d.system.reset();
        d.m = std::make_unique<w98::Machine>(d.folder / "m");
        d.system = std::make_unique<System>(System{*d.m, d.clock, d.shell, d.power});
        ASSERT_EQ(d.m->windowsFolder(), "C:\\WIN98");
        d.win = "C:\\WIN98";
        WriteRegStr(*d.m, HKLM, "Software\\Microsoft\\Windows\\CurrentVersion", "SystemRoot", "C:\\WIN98");
        WriteScanregTemplate(*d.m, "C:\\WIN98");

        d.setState("before");
        const std::string cab = w98::backupRegistry(*d.m);
        ASSERT_TRUE(w98::equalsNoCase(cab.substr(0, 18), "C:\\WIN98\\SYSBCKUP\\")) << cab;
        const auto cabinet = w98::readCabinet(d.m->readFile(cab), cab);
        d.setState("after");

        TextTable t;
        FillRestoreTable(t, ScanAllRestorePoints(*d.m, "C:\\WIN98", "C:\\WIN98\\SYSBCKUP"), *d.m,
                         d.clock.now().year);
        const int row = DemoMachine::rowOf(t, "C:\\WIN98\\SYSBCKUP", cab.substr(cab.rfind('\\') + 1));
        ASSERT_GT(row, 0);
        test::RestoreRow(*d.system, d.paths, t, row);
        const auto job = d.m->readTextLines("C:\\dosrun.bat");
        EXPECT_EQ(job[9], "cd \\WIN98\\TEMP\\RESTORE1");
        if (oldLines)
            d.m->writeTextLines("C:\\dosrun.bat", jobOfOldLines(job, "C:\\WIN98", cab));
        ASSERT_EQ(w98::runW98(*d.m, {"boot"}), 0);
        const auto outcome = TakeRestoreOutcome(*d.m, "C:\\WIN98");
        ASSERT_TRUE(outcome);
        if (oldLines) {
            // "cd windows" finds no such folder: the copies look for the files elsewhere.
            EXPECT_EQ(d.state(), "after");
            EXPECT_EQ(d.m->readTextLines("C:\\WIN98\\WIN.INI").back(), "marker=after");
            EXPECT_FALSE(outcome->restored) << outcome->message;
        } else {
            d.expectRestoredFrom(cabinet, "C:\\WIN98");
            EXPECT_TRUE(outcome->restored) << outcome->message;
        }
        EXPECT_FALSE(d.m->exists("C:\\dosrun.bat"));
        EXPECT_FALSE(d.m->exists("C:\\WIN98\\dosToWin.bat") && d.m->exists("C:\\autoexec.txt"));
    }
}

TEST(RestoreEndToEnd, AJobLineLongerThanMsDosReadsIsRefusedAndArmsNothing) {
    DemoMachine d;
    d.setState("now");
    std::string folder = "C:\\WINDOWS\\SYSBCKUP";
    for (int i = 0; i < 5; ++i)
        folder += "\\FOLDER" + std::to_string(i);
    d.m->createDirectories(folder);
    d.m->moveFile(w98::backupRegistry(*d.m), folder + "\\rb001.cab");
    const Untouched before(*d.m);
    const std::string policyBefore = policy(*d.m);

    TextTable t(7, 2);
    t.setCell(restore_col::kDate, 1, "2002-5-16 8:00:00");
    t.setCell(restore_col::kNote, 1, notes::kDailyBackup);
    t.setCell(restore_col::kFolder, 1, folder);
    t.setCell(restore_col::kExtension, 1, ".cab");
    t.setCell(restore_col::kFileName, 1, "rb001.cab");
    try {
        test::RestoreRowUnread(*d.system, d.paths, t, 1);
        ADD_FAILURE() << "armed";
    } catch (const w98::Error& e) {
        const std::string what = e.what();
        EXPECT_TRUE(what.starts_with("无法在MS-DOS方式下从这个还原点还原：\n没有写出C:\\dosrun.bat：第7行“"
                                     "%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 " +
                                     folder + "\\RB001.CAB”长132字节，MS-DOS的一行最多只读127字节"))
            << what;
    }
    EXPECT_TRUE(d.power.calls.empty());
    for (const char* none :
         {"C:\\dosrun.bat", "C:\\autoexec.txt", "C:\\WINDOWS\\scRegbei.bat", "C:\\WINDOWS\\scanrun.reg",
          "C:\\WINDOWS\\prodos.bat", "C:\\WINDOWS\\korvane.rst"})
        EXPECT_FALSE(d.m->exists(none)) << none;
    EXPECT_EQ(policy(*d.m), policyBefore);
    before.expectSame(*d.m);
}
