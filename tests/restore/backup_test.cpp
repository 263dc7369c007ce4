#include "base/dos_attributes.h"
#include "base/error.h"
#include "platform/cabinet.h"
#include "platform/clock.h"
#include "platform/registry_checker.h"
#include "registry/registry.h"
#include "restore/catalogue.h"
#include "restore/daily_backup.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/registry_values.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <functional>

using namespace korvane;
using korvane::test::TempMachine;

namespace {
const char* const kIni = "C:\\WINDOWS\\scanreg.ini";

// The files a registry checker backup holds.
void seedSystemFiles(w98::Machine& m) {
    m.writeTextLines("C:\\WINDOWS\\WIN.INI", {"[windows]", "load="});
    m.writeTextLines("C:\\WINDOWS\\SYSTEM.INI", {"[boot]"});
    m.writeTextLines("C:\\AUTOEXEC.BAT", {"@ECHO OFF"});
    m.writeFile("C:\\WINDOWS\\COMMAND\\SCANREG.EXE", "MZ");
    WriteRegStr(m, w98::kHkeyCurrentUser, "Software\\Test", "v", "before");
}
} // namespace

TEST(ScanregIni, TemplateIsWrittenByteForByte) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeTextLines(kIni, {"MaxBackupCopies=2"});
    WriteScanregTemplate(m, "C:\\WINDOWS");
    const std::string bytes = tm.bytes(kIni);
    EXPECT_EQ(ScanregTemplate().size(), 49u);
    EXPECT_TRUE(bytes.starts_with(";\r\n; Scanreg.ini for making \r\nsystem backups.\r\n;\r\n\r\n"));
    EXPECT_NE(bytes.find("\r\nMaxBackupCopies=6\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\n;       10      : windir (ex. \r\nc:\\windows)\r\n"), std::string::npos);
    EXPECT_TRUE(bytes.ends_with("Files=10,Protocol.ini,Control.ini,Desktop.ini,WIN.COM,Explorer.exe\r\n"));
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 49);
}

TEST(ScanregIni, EditChangesOnlyTheTwoSettings) {
    TempMachine tm;
    auto& m = tm.machine();
    WriteScanregTemplate(m, "C:\\WINDOWS");
    EditScanregIni(m, kIni, 3, "C:\\WINDOWS\\sysbckup\\restore1");
    auto lines = m.readTextLines(kIni);
    auto expected = ScanregTemplate();
    expected[16] = "MaxBackupCopies=3";
    expected[26] = "BackupDirectory=C:\\WINDOWS\\sysbckup\\restore1";
    EXPECT_EQ(lines, expected);

    WriteScanregTemplate(m, "C:\\WINDOWS");
    const std::string before = tm.bytes(kIni);
    EditScanregIni(m, kIni, 100, "");
    EXPECT_EQ(tm.bytes(kIni), before);
}

TEST(ScanregIni, MissingSettingsAreAddedAndAMissingFileRaises) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeTextLines(kIni, {"[scanreg]", std::string(5000, 'x')});
    EditScanregIni(m, kIni, 3, "C:\\X");
    EXPECT_EQ(m.readTextLines(kIni),
              (std::vector<std::string>{"[scanreg]", std::string(5000, 'x'), "MaxBackupCopies=3",
                                        "BackupDirectory=C:\\X"}));
    EXPECT_THROW(EditScanregIni(m, "C:\\WINDOWS\\none.ini", 3, "C:\\X"), w98::IoError);
}

TEST(DailyBackup, RunValueOnlyWhenNewestIsNotToday) {
    w98::FixedClock clock({2002, 5, 17, 10, 0, 0});
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    {
        TempMachine tm;
        DailyBackupCheck(tm.machine(), "2002-5-17 8:00:00", "C:\\WINDOWS", clock);
        EXPECT_FALSE(tm.machine().registry().getValue(w98::kHkeyLocalMachine, run, "ScanRegistry"));
    }
    for (const char* newest : {"2002-5-16 8:00:00", ""}) {
        TempMachine tm;
        DailyBackupCheck(tm.machine(), newest, "C:\\WINDOWS", clock);
        EXPECT_EQ(ReadRegStr(tm.machine(), w98::kHkeyLocalMachine, run, "ScanRegistry"),
                  "C:\\WINDOWS\\scanregw.exe /autorun");
    }
    // Today's short date found inside a longer date counts as today.
    w98::FixedClock first({2002, 5, 1, 10, 0, 0});
    TempMachine tm;
    DailyBackupCheck(tm.machine(), "2002-5-17 8:00:00", "C:\\WINDOWS", first);
    EXPECT_FALSE(tm.machine().registry().getValue(w98::kHkeyLocalMachine, run, "ScanRegistry"));
}

TEST(RegistryChecker, BackupHoldsTheRegistryAndTheFilesLinesAndKeepsTheLimit) {
    TempMachine tm;
    auto& m = tm.machine();
    seedSystemFiles(m);
    WriteScanregTemplate(m, "C:\\WINDOWS");
    EditScanregIni(m, kIni, 2, "");
    const std::string first = w98::backupRegistry(m);
    EXPECT_EQ(first, "C:\\WINDOWS\\sysbckup\\rb000.cab");
    auto entries = w98::readCabinet(m.readFile(first), first);
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"SYSTEM.DAT", "USER.DAT", "SYSTEM.INI", "WIN.INI", "AUTOEXEC.BAT"}));
    EXPECT_EQ(entries[3].data, m.readFile("C:\\WINDOWS\\WIN.INI"));

    m.setLastWriteTime(first, {2002, 1, 1, 0, 0, 0});
    EXPECT_EQ(w98::backupRegistry(m), "C:\\WINDOWS\\sysbckup\\rb001.cab");
    // At the limit the oldest cabinet goes, and its number is used again.
    EXPECT_EQ(w98::backupRegistry(m), "C:\\WINDOWS\\sysbckup\\rb000.cab");
    EXPECT_EQ(m.list("C:\\WINDOWS\\sysbckup", "*.cab").size(), 2u);
}

TEST(CreateRestorePoint, RunsTheCheckerIntoRestore1AndPutsTheSettingsBack) {
    TempMachine tm;
    auto& m = tm.machine();
    seedSystemFiles(m);
    WriteScanregTemplate(m, "C:\\WINDOWS");
    const std::string settings = tm.bytes(kIni);
    CreateRestorePointNow(m, "C:\\WINDOWS");
    CreateRestorePointNow(m, "C:\\WINDOWS");
    EXPECT_EQ(tm.bytes(kIni), settings);
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\scRegbei.bat"),
              (std::vector<std::string>{"@ECHO OFF", "C:\\WINDOWS\\COMMAND\\scanreg.exe /backup", "exit"}));
    EXPECT_TRUE(m.isFile("c:\\scanreg.bei"));
    RestoreCatalogue c = ScanAllRestorePoints(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].note, notes::kMadeByHand);
    EXPECT_EQ(c[0].folder, "C:\\WINDOWS\\sysbckup\\restore1");
    auto entries = w98::readCabinet(m.readFile(c[0].folder + "\\" + c[0].fileName), "cab");
    EXPECT_FALSE(entries.empty());
}

TEST(CreateRestorePoint, WithoutTheCheckerNoRestorePointIsReportedAndTheSettingsStay) {
    TempMachine tm;
    auto& m = tm.machine();
    seedSystemFiles(m);
    m.deleteFile("C:\\WINDOWS\\COMMAND\\SCANREG.EXE");
    WriteScanregTemplate(m, "C:\\WINDOWS");
    const std::string settings = tm.bytes(kIni);
    EXPECT_FALSE(CreateRestorePointNow(m, "C:\\WINDOWS"));
    EXPECT_EQ(tm.bytes(kIni), settings);
    EXPECT_TRUE(m.list("C:\\WINDOWS\\sysbckup\\restore1", "*.cab").empty());

    // With the checker back, each run is a new point, also once the oldest is dropped for it.
    m.writeFile("C:\\WINDOWS\\COMMAND\\SCANREG.EXE", "MZ");
    for (int i = 0; i < 4; ++i) {
        for (const auto& e : m.list("C:\\WINDOWS\\sysbckup\\restore1", "*.cab"))
            m.setLastWriteTime("C:\\WINDOWS\\sysbckup\\restore1\\" + e.name, {2001, 1, 1 + i, 0, 0, 0});
        EXPECT_TRUE(CreateRestorePointNow(m, "C:\\WINDOWS")) << i;
    }
    EXPECT_EQ(m.list("C:\\WINDOWS\\sysbckup\\restore1", "*.cab").size(), 3u);
    // Run after run within the same two seconds, of an unchanged registry: a dropped name comes
    // back with the size and time of the cabinet it replaces, and is still new.
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(CreateRestorePointNow(m, "C:\\WINDOWS")) << "at once " << i;
}

TEST(CreateRestorePoint, AStaleReadOnlySavedCopyNeverComesBackOverTheSettings) {
    TempMachine tm;
    auto& m = tm.machine();
    seedSystemFiles(m);
    WriteScanregTemplate(m, "C:\\WINDOWS");
    const std::string settings = tm.bytes(kIni);
    m.writeFile("c:\\scanreg.bei", "[scanreg]\r\nMaxBackupCopies=2\r\n",
                w98::attr::kReadOnly | w98::attr::kArchive);
    EXPECT_TRUE(CreateRestorePointNow(m, "C:\\WINDOWS"));
    EXPECT_EQ(tm.bytes(kIni), settings);
    EXPECT_EQ(m.attributes(kIni) & w98::attr::kReadOnly, 0);
    EXPECT_EQ(tm.bytes("c:\\scanreg.bei"), settings);
    // The next start writes the settings again.
    EXPECT_NO_THROW(WriteScanregTemplate(m, "C:\\WINDOWS"));
}

TEST(CreateRestorePoint, ASaveThatCannotBeMadeChangesNothing) {
    TempMachine tm;
    auto& m = tm.machine();
    seedSystemFiles(m);
    WriteScanregTemplate(m, "C:\\WINDOWS");
    const std::string settings = tm.bytes(kIni);
    m.createDirectories("c:\\scanreg.bei"); // a folder where the copy should go
    EXPECT_THROW(CreateRestorePointNow(m, "C:\\WINDOWS"), w98::Error);
    EXPECT_EQ(tm.bytes(kIni), settings);
    EXPECT_FALSE(m.exists("C:\\WINDOWS\\scRegbei.bat"));
    EXPECT_TRUE(m.list("C:\\WINDOWS\\sysbckup\\restore1", "*.cab").empty());

    // Without the settings file there is nothing to save: the step stops before it writes.
    TempMachine other;
    seedSystemFiles(other.machine());
    EXPECT_THROW(CreateRestorePointNow(other.machine(), "C:\\WINDOWS"), w98::Error);
    EXPECT_FALSE(other.machine().exists("c:\\scanreg.bei"));
    EXPECT_FALSE(other.machine().exists(kIni));
    EXPECT_FALSE(other.machine().exists("C:\\WINDOWS\\scRegbei.bat"));
}

// Once the settings are edited, a step that fails puts them back as they were: left edited,
// every later daily backup of the checker would go into the restore-point folder, three at most.
TEST(CreateRestorePoint, AStepThatFailsAfterTheEditPutsTheSettingsBackByteForByte) {
    // A Windows folder so deep that the command line that runs the checker passes 512 characters.
    const std::string deep = "C:\\" + std::string(200, 'a') + "\\" + std::string(200, 'b') + "\\" +
                             std::string(80, 'c') + "\\WINDOWS";
    struct Case {
        const char* what;
        std::string winDir;
        std::function<void(w98::Machine&, const std::string&)> breakIt;
    };
    const std::vector<Case> cases = {
        {"the batch file is a folder", "C:\\WINDOWS",
         [](w98::Machine& m, const std::string& win) { m.createDirectories(win + "\\scRegbei.bat"); }},
        {"the batch file is read-only", "C:\\WINDOWS",
         [](w98::Machine& m, const std::string& win) {
             m.writeFile(win + "\\scRegbei.bat", "@ECHO OFF\r\n", w98::attr::kReadOnly | w98::attr::kArchive);
         }},
        {"the settings cannot be written", "C:\\WINDOWS",
         [](w98::Machine& m, const std::string& win) {
             m.setAttributes(win + "\\scanreg.ini", w98::attr::kReadOnly | w98::attr::kArchive);
         }},
        {"the checker cannot be run", deep, [](w98::Machine&, const std::string&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempMachineOptions options;
        options.windowsFolder = c.winDir;
        TempMachine tm(options);
        auto& m = tm.machine();
        const std::string ini = c.winDir + "\\scanreg.ini", restore1 = c.winDir + "\\sysbckup\\restore1";
        m.writeFile(c.winDir + "\\COMMAND\\SCANREG.EXE", "MZ");
        WriteScanregTemplate(m, c.winDir);
        m.createDirectories(restore1);
        m.writeFile(restore1 + "\\rb000.cab",
                    w98::buildCabinet({{"system.dat", "REGEDIT4\r\n\r\n", 0x20, {}}}));
        const std::string points = tm.bytes(restore1 + "\\rb000.cab");
        const std::string settings = tm.bytes(ini);
        c.breakIt(m, c.winDir);

        EXPECT_THROW(CreateRestorePointNow(m, c.winDir), w98::Error);
        EXPECT_EQ(tm.bytes(ini), settings);
        EXPECT_EQ(m.attributes(ini) & w98::attr::kReadOnly, 0);
        // The saved copy is the settings as they were, never the edited ones.
        EXPECT_EQ(tm.bytes("c:\\scanreg.bei"), settings);
        ASSERT_EQ(m.list(restore1, "*.cab").size(), 1u);
        EXPECT_EQ(tm.bytes(restore1 + "\\rb000.cab"), points);
    }
}
