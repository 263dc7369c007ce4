#include "base/dos_attributes.h"
#include "base/error.h"
#include "startup/startup_catalogue.h"
#include "startup/startup_grid.h"
#include "startup/startup_removal.h"
#include "startup_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

const std::string kWin = "C:\\WINDOWS";
const std::string kFolder = "C:\\WINDOWS\\Start Menu\\Programs\\启动";

GridRect deleteCell(int row) {
    return {startup_col::kDelete, row, startup_col::kDelete, row};
}

// Five entries, one from each source and the registry checker's protected one:
// 1 ScanRegistry (Run), 2 Tool (Run), 3 Once (RunOnce), 4 win.ini, 5 a startup-folder file.
struct Fixture {
    TempMachine tm;
    w98::Machine& m = tm.machine();
    TextTable table;

    Fixture() {
        setRun(m, "Run", "ScanRegistry", "C:\\WINDOWS\\scanregw.exe /autorun");
        setRun(m, "Run", "Tool", "C:\\TOOL\\tool.exe");
        setRun(m, "RunOnce", "Once", "once.exe");
        m.writeTextLines(kWin + "\\win.ini", {"[windows]", "load=a.exe b.exe", "run=", "", "[Other]", "x=1"});
        m.createDirectories(kFolder);
        m.writeFile(kFolder + "\\Office.lnk", "L");
        table = StartupTable(BuildStartupCatalogue(m, kWin), kWin);
    }

    ClickOutcome click(const GridRect& r) { return ClickStartupTable(m, table, r, kWin); }
    std::string numbers() const {
        std::string out;
        for (int row = 1; row < table.rowCount(); ++row)
            out += table.cell(startup_col::kNumber, row);
        return out;
    }
};

} // namespace

TEST(StartupRemoval, ClicksOutsideADeleteCellDoNothing) {
    Fixture f;
    ASSERT_EQ(f.table.rowCount(), 6);
    const TextTable before = f.table;
    const std::string system = f.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT");
    for (int col = 0; col < startup_col::kCount; ++col) {
        if (col != startup_col::kDelete) {
            EXPECT_EQ(f.click({col, 2, col, 2}), ClickOutcome::Nothing);
        }
        EXPECT_EQ(f.click({col, 0, col, 0}), ClickOutcome::Nothing);
    }
    EXPECT_EQ(f.table, before);
    EXPECT_EQ(f.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT"), system);
}

TEST(StartupRemoval, AProtectedEntryIsRefusedAndNothingChanges) {
    Fixture f;
    EXPECT_EQ(f.table.cell(startup_col::kNote, 1), "注册表检查，不能删");
    const TextTable before = f.table;
    const std::string system = f.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT");
    EXPECT_EQ(f.click(deleteCell(1)), ClickOutcome::Refused);
    EXPECT_EQ(f.table, before);
    EXPECT_EQ(f.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT"), system);
}

TEST(StartupRemoval, RemovingTheMiddleRowKeepsTheOtherNumbers) {
    Fixture f;
    EXPECT_EQ(f.click(deleteCell(3)), ClickOutcome::Removed);
    EXPECT_EQ(f.numbers(), "1245");
    EXPECT_EQ(f.table.cell(startup_col::kProgram, 3), "a.exe b.exe");
    EXPECT_EQ(f.click(deleteCell(4)), ClickOutcome::Removed); // the last row
    EXPECT_EQ(f.table.rowCount(), 4);
    EXPECT_EQ(f.numbers(), "124");
}

TEST(StartupRemoval, ARunOnceEntryLeavesTheKeyAndItsOtherValues) {
    Fixture f;
    setRun(f.m, "RunOnce", "Twice", "twice.exe");
    ASSERT_EQ(f.table.cell(startup_col::kName, 3), "Once");
    EXPECT_EQ(f.click(deleteCell(3)), ClickOutcome::Removed);
    EXPECT_FALSE(hasRun(f.m, "RunOnce", "Once"));
    EXPECT_TRUE(hasRun(f.m, "RunOnce", "Twice"));
    EXPECT_TRUE(hasRun(f.m, "Run", "Tool"));
    EXPECT_TRUE(hasRun(f.m, "Run", "ScanRegistry"));
}

TEST(StartupRemoval, AValueThatCannotBeDeletedKeepsItsRow) {
    Fixture f;
    {
        WritesFail full;
        EXPECT_THROW(f.click(deleteCell(2)), w98::Error);
    }
    EXPECT_TRUE(hasRun(f.m, "Run", "Tool"));
    EXPECT_EQ(f.table.rowCount(), 6);
    // A value already removed elsewhere is simply gone.
    f.m.registry().deleteValue(w98::kHkeyLocalMachine, kRunKeyPrefix + std::string("Run"), "Tool");
    EXPECT_EQ(f.click(deleteCell(2)), ClickOutcome::Removed);
}

TEST(StartupRemoval, TheWinIniEntryEmptiesItsLineAndKeepsTheRest) {
    Fixture f;
    f.m.writeTextLines(kWin + "\\win.ini", {"[windows]", "load=a.exe b.exe", "run=", "  LOAD=c.exe",
                                            "load=", "", "[Other]", "x=1"});
    ASSERT_EQ(f.table.cell(startup_col::kSource, 4), "win.ini");
    EXPECT_EQ(f.click(deleteCell(4)), ClickOutcome::Removed);
    EXPECT_EQ(
        f.m.readTextLines(kWin + "\\win.ini"),
        (std::vector<std::string>{"[windows]", "load=", "run=", "load=", "load=", "", "[Other]", "x=1"}));
    EXPECT_EQ(f.tm.bytes(kWin + "\\win.ini").substr(0, 18), "[windows]\r\nload=\r\n");
    EXPECT_EQ(f.table.rowCount(), 5);
    EXPECT_EQ(f.table.cell(startup_col::kSource, 4), "启动");
}

// Western software leaves Latin-1 in win.ini ("Café" in [fonts]), and editors leave bare LF
// line breaks: the load= entry is still listed and removed, everything else stays byte for byte.
TEST(StartupRemoval, AWinIniWithLinesOfAnotherCodePageIsListedAndKeptByteForByte) {
    Fixture f;
    const std::string cafe = "Caf\xE9 Sans (TrueType)=CAFE.TTF";
    const std::string file = "[windows]\r\nload=C:\\AGENT.EXE\r\nrun=\n[fonts]\r\n" + cafe +
                             "\r\n\xD6\xD0\xCE\xC4=\xCB\xCE\xCC\xE5\nlast line without break";
    f.m.writeFile(kWin + "\\win.ini", file);
    const auto entries = BuildStartupCatalogue(f.m, kWin);
    TextTable table = StartupTable(entries, kWin);
    ASSERT_EQ(table.cell(startup_col::kSource, 4), "win.ini");
    EXPECT_EQ(table.cell(startup_col::kProgram, 4), "C:\\AGENT.EXE");
    EXPECT_EQ(table.cell(startup_col::kSource, 5), "启动");

    EXPECT_EQ(ClickStartupTable(f.m, table, deleteCell(4), kWin), ClickOutcome::Removed);
    EXPECT_EQ(f.tm.bytes(kWin + "\\win.ini"),
              "[windows]\r\nload=\r\nrun=\n[fonts]\r\n" + cafe +
                  "\r\n\xD6\xD0\xCE\xC4=\xCB\xCE\xCC\xE5\nlast line without break");
    EXPECT_EQ(table.rowCount(), 5);

    // A load= line that is itself not code page 936 is listed with '?' for what cannot be read.
    f.m.writeFile(kWin + "\\win.ini", "[windows]\r\nload=C:\\Caf\xE9.exe\r\n");
    const auto odd = BuildStartupCatalogue(f.m, kWin);
    TextTable oddTable = StartupTable(odd, kWin);
    EXPECT_EQ(oddTable.cell(startup_col::kProgram, 4), "C:\\Caf?.exe");
    EXPECT_EQ(ClickStartupTable(f.m, oddTable, deleteCell(4), kWin), ClickOutcome::Removed);
    EXPECT_EQ(f.tm.bytes(kWin + "\\win.ini"), "[windows]\r\nload=\r\n");
}

TEST(StartupRemoval, AWinIniThatCannotBeWrittenStaysWholeAndKeepsTheRow) {
    Fixture f;
    const std::string before = f.tm.bytes(kWin + "\\win.ini");
    f.m.setAttributes(kWin + "\\win.ini", w98::attr::kReadOnly);
    EXPECT_THROW(f.click(deleteCell(4)), w98::IoError);
    f.m.setAttributes(kWin + "\\win.ini", w98::attr::kArchive);
    {
        WritesFail full;
        EXPECT_THROW(f.click(deleteCell(4)), w98::IoError);
    }
    EXPECT_EQ(f.tm.bytes(kWin + "\\win.ini"), before);
    EXPECT_EQ(f.table.rowCount(), 6);
}

TEST(StartupRemoval, AStartupFolderFileIsDeletedOrItsRowStays) {
    Fixture f;
    f.m.writeFile(kFolder + "\\Other.lnk", "L");
    f.m.setAttributes(kFolder + "\\Office.lnk", w98::attr::kReadOnly);
    try {
        f.click(deleteCell(5));
        ADD_FAILURE() << "no error";
    } catch (const w98::IoError& e) {
        EXPECT_EQ(std::string(e.what()), "File access denied: " + kFolder + "\\Office.lnk");
    }
    EXPECT_TRUE(f.m.isFile(kFolder + "\\Office.lnk"));
    EXPECT_EQ(f.table.rowCount(), 6);

    f.m.setAttributes(kFolder + "\\Office.lnk", w98::attr::kArchive);
    EXPECT_EQ(f.click(deleteCell(5)), ClickOutcome::Removed);
    EXPECT_FALSE(f.m.exists(kFolder + "\\Office.lnk"));
    EXPECT_TRUE(f.m.isFile(kFolder + "\\Other.lnk"));
    EXPECT_EQ(f.table.rowCount(), 5);
}

TEST(StartupRemoval, OnlyFilesDirectlyInTheStartupFolderAreDeleted) {
    Fixture f;
    for (const std::string& path :
         {kFolder + "\\..\\..\\..\\win.ini", std::string("C:\\WINDOWS\\win.ini"), kFolder + "\\"}) {
        f.table.setCell(startup_col::kProgram, 5, path);
        EXPECT_THROW(f.click(deleteCell(5)), w98::IoError) << path;
    }
    EXPECT_TRUE(f.m.isFile(kWin + "\\win.ini"));
    EXPECT_EQ(f.table.rowCount(), 6);
}
