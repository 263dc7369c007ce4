#include "platform/clock.h"
#include "restore/catalogue.h"
#include "restore/restore_listing.h"
#include "restore/restore_table.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <set>

using namespace korvane;
using korvane::test::TempMachine;

namespace {
RestorePoint point(const std::string& date, const std::string& name = "rb000.cab",
                   const std::string& folder = "C:\\WINDOWS\\SYSBCKUP") {
    return {date, notes::kDailyBackup, folder, ".cab", name};
}
std::vector<std::string> column(const TextTable& t, int c) {
    std::vector<std::string> v;
    for (int r = 1; r < t.rowCount(); ++r)
        v.push_back(t.cell(c, r));
    return v;
}
} // namespace

TEST(RestoreTable, EmptyCatalogueLeavesTheHeaderRow) {
    TempMachine tm;
    TextTable t;
    FillRestoreTable(t, {}, tm.machine(), 2026);
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.colCount(), 7);
    EXPECT_EQ(t.row(0), (std::vector<std::string>{"可选项", "还原到..时间以前", "附加说明", "文件路径",
                                                  "后缀名", "文件名", "dos时间"}));
}

TEST(RestoreTable, NewestFirstAcrossTheTurnOf2009) {
    TempMachine tm;
    TextTable t;
    FillRestoreTable(t,
                     {point("02-5-17 8:05:12", "a"), point("10-1-3 9:00:00", "b"),
                      point("02-5-18 7:00:00", "c"), point("09-12-26 23:59:58", "d"),
                      point("26-12-7 10:00:00", "e")},
                     tm.machine(), 2026);
    EXPECT_EQ(column(t, restore_col::kFileName), (std::vector<std::string>{"e", "b", "d", "c", "a"}));
    EXPECT_EQ(column(t, restore_col::kNumber), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(t.cell(restore_col::kDate, 1), "2026-12-7 10:00:00");
    // Odd seconds round down into two-second units.
    TextTable one;
    FillRestoreTable(one, {point("02-5-17 8:05:13")}, tm.machine(), 2026);
    EXPECT_EQ(std::stoul(one.cell(restore_col::kSortKey, 1)) & 0x1F, 6u);
}

TEST(RestoreTable, SortKeepsEveryRowWithEqualAndManyKeys) {
    TextTable t(7, 1);
    std::vector<int> keys;
    for (int i = 0; i < 2000; ++i)
        keys.push_back((i * 7919) % 97);
    t.setRowCount(static_cast<int>(keys.size()) + 1);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        t.setCell(6, static_cast<int>(i) + 1, std::to_string(keys[i]));
        t.setCell(5, static_cast<int>(i) + 1, "row" + std::to_string(i));
    }
    SortTableRows(t, 6);
    std::multiset<std::string> names;
    for (int r = 1; r < t.rowCount(); ++r) {
        names.insert(t.cell(5, r));
        if (r > 1) {
            EXPECT_GE(std::stoi(t.cell(6, r - 1)), std::stoi(t.cell(6, r)));
        }
    }
    EXPECT_EQ(names.size(), keys.size());
}

TEST(RestoreTable, YearPrefixCompletesALeadingTwoDigitYearToItsCentury) {
    EXPECT_EQ(YearPrefix("yy-M-d", 2002), "20");
    EXPECT_EQ(YearPrefix("yy-M-d", 2079), "20");
    EXPECT_EQ(YearPrefix("yy-M-d", 1999), "19");
    EXPECT_EQ(YearPrefix("yy-M-d", 1980), "19");
    EXPECT_EQ(YearPrefix("yyyy-M-d", 1999), "");
    EXPECT_EQ(YearPrefix("M/d/yy", 1999), "");
}

TEST(RestoreTable, ABackupFromTheInstallationIn1999ShowsItsYearAndSortsBelowNewerOnes) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeFile("C:\\WINDOWS\\system.da0", "x");
    m.writeFile("C:\\WINDOWS\\user.da0", "x");
    m.setLastWriteTime("C:\\WINDOWS\\system.da0", {1999, 4, 23, 22, 22, 0});
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
    m.writeFile("C:\\WINDOWS\\SYSBCKUP\\rb000.cab", "MSCF");
    m.setLastWriteTime("C:\\WINDOWS\\SYSBCKUP\\rb000.cab", {2002, 5, 17, 8, 5, 12});
    m.writeFile("C:\\WINDOWS\\SYSBCKUP\\rb001.cab", "MSCF");
    m.setLastWriteTime("C:\\WINDOWS\\SYSBCKUP\\rb001.cab", {1998, 1, 2, 3, 4, 6});
    TextTable t;
    FillRestoreTable(t, ScanAllRestorePoints(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP"), m, 2026);
    EXPECT_EQ(column(t, restore_col::kDate),
              (std::vector<std::string>{"2002-5-17 8:05:12", "1999-4-23 22:22:00", "1998-1-2 3:04:06"}));
}

TEST(MoveFuture, AFutureCabinetMovesIntoOldWithItsNote) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
    m.writeFile("C:\\WINDOWS\\SYSBCKUP\\rb002.cab", "MSCF");
    m.writeFile("C:\\WINDOWS\\SYSBCKUP\\rb001.cab", "MSCF");
    TextTable t;
    FillRestoreTable(t, {point("02-5-18 9:00:00", "rb002.cab"), point("02-5-17 9:00:00", "rb001.cab")}, m,
                     2002);
    w98::FixedClock clock({2002, 5, 17, 12, 0, 0});
    MoveFutureRestorePoints(m, t, "C:\\WINDOWS\\SYSBCKUP", clock);
    EXPECT_TRUE(m.isFile("C:\\WINDOWS\\SYSBCKUP\\old\\rb002.cab"));
    EXPECT_FALSE(m.exists("C:\\WINDOWS\\SYSBCKUP\\rb002.cab"));
    EXPECT_EQ(t.cell(restore_col::kNote, 1), notes::kMovedNow);
    EXPECT_EQ(t.cell(restore_col::kFolder, 1), "C:\\WINDOWS\\SYSBCKUP");
    EXPECT_EQ(t.cell(restore_col::kNote, 2), notes::kDailyBackup);
    EXPECT_TRUE(m.isFile("C:\\WINDOWS\\SYSBCKUP\\rb001.cab"));
}

TEST(MoveFuture, FourDigitYearFormatsAndOtherFoldersDoNotStopStartUp) {
    TempMachine tm({.shortDate = "yyyy-M-d"});
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\sysbckup\\restore1");
    m.createDirectories("C:\\WINDOWS\\sysbckup\\old");
    m.writeFile("C:\\WINDOWS\\sysbckup\\restore1\\rb000.cab", "MSCF");
    m.writeFile("C:\\WINDOWS\\sysbckup\\old\\rb005.cab", "MSCF");
    TextTable t;
    FillRestoreTable(t,
                     {point("2030-1-1 1:00:00", "rb000.cab", "C:\\WINDOWS\\sysbckup\\restore1"),
                      point("2031-1-1 1:00:00", "rb005.cab", "C:\\WINDOWS\\sysbckup\\old")},
                     m, 2026);
    // No "20" before a four-digit year.
    EXPECT_EQ(t.cell(restore_col::kDate, 1), "2031-1-1 1:00:00");
    w98::FixedClock clock({2026, 12, 7, 8, 0, 0});
    MoveFutureRestorePoints(m, t, "C:\\WINDOWS\\SYSBCKUP", clock);
    // A folder without "old" gets one; a cabinet already in "old" stays where the restore looks.
    EXPECT_TRUE(m.isFile("C:\\WINDOWS\\sysbckup\\restore1\\old\\rb000.cab"));
    EXPECT_TRUE(m.isFile("C:\\WINDOWS\\sysbckup\\old\\rb005.cab"));
    EXPECT_EQ(t.cell(restore_col::kNote, 1), notes::kMovedNow);
    EXPECT_EQ(t.cell(restore_col::kNote, 2), notes::kMovedNow);
}

TEST(MoveFuture, AFilePairIsMarkedButNotMoved) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeFile("C:\\WINDOWS\\system.da0", "x");
    m.writeFile("C:\\WINDOWS\\user.da0", "x");
    TextTable t;
    FillRestoreTable(t, {{"30-1-1", notes::kFirstInstall, "C:\\WINDOWS", ".da0", "system.da0"}}, m, 2026);
    w98::FixedClock clock({2026, 12, 7, 8, 0, 0});
    MoveFutureRestorePoints(m, t, "C:\\WINDOWS\\SYSBCKUP", clock);
    EXPECT_TRUE(m.isFile("C:\\WINDOWS\\system.da0"));
    EXPECT_EQ(t.cell(restore_col::kNote, 1), notes::kMovedNow);
}

// The listing sorts typed keys where the table sorted its text: ties must land as they did.
TEST(RestoreListing, SortsAsTheTableSortedItsRowsTiesIncluded) {
    TempMachine tm;
    RestoreCatalogue points;
    TextTable unsorted(restore_col::kCount, 1);
    for (int i = 0; i < 300; ++i) {
        RestorePoint p = point("", "rb" + std::to_string(i) + ".cab");
        p.dosTime = i % 7 == 0 ? 0u : 0x2C000000u + static_cast<std::uint32_t>((i * 37) % 11);
        points.push_back(p);
        unsorted.setRowCount(i + 2);
        unsorted.setCell(restore_col::kFileName, i + 1, p.fileName);
        unsorted.setCell(restore_col::kSortKey, i + 1, std::to_string(p.dosTime));
    }
    SortTableRows(unsorted, restore_col::kSortKey);
    const RestoreListing listed(points, tm.machine(), 2026);
    EXPECT_EQ(column(listed.table(), restore_col::kFileName), column(unsorted, restore_col::kFileName));
}

// A row of the grid is the listing's point at row - 1: after the sort, after future points
// were moved aside and after a row was dragged.
TEST(RestoreListing, EachRowIsItsPointAfterTheSortAFutureMoveAndADrag) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
    for (const char* name : {"a.cab", "b.cab", "c.cab", "d.cab"})
        m.writeFile(std::string("C:\\WINDOWS\\SYSBCKUP\\") + name, "MSCF");
    RestoreListing listed({point("02-5-17 8:00:00", "a.cab"), point("30-1-1 1:00:00", "b.cab"),
                           point("02-5-17 8:00:00", "c.cab"), point("03-1-1 1:00:00", "d.cab")},
                          m, 2026);
    const auto agrees = [&](const TextTable& t) {
        ASSERT_EQ(t.rowCount(), static_cast<int>(listed.size()) + 1);
        for (int r = 1; r < t.rowCount(); ++r) {
            const RestorePoint text = RestorePointAt(t, r), typed = listed.atRow(r);
            EXPECT_EQ(PointFile(typed), PointFile(text)) << r;
            EXPECT_EQ(typed.shownDate, text.shownDate) << r;
            EXPECT_EQ(typed.note, text.note) << r;
            EXPECT_EQ(typed.dosTime, text.dosTime) << r;
        }
    };
    agrees(listed.table());
    EXPECT_EQ(listed.newest().fileName, "b.cab");
    EXPECT_EQ(listed.atRow(5).fileName, "");

    w98::FixedClock clock({2026, 12, 7, 8, 0, 0});
    EXPECT_EQ(listed.moveFuturePointsAside(m, "C:\\WINDOWS\\SYSBCKUP", clock), std::vector<std::size_t>{0});
    EXPECT_TRUE(m.isFile("C:\\WINDOWS\\SYSBCKUP\\old\\b.cab"));
    EXPECT_EQ(listed.newest().note, notes::kMovedNow);
    agrees(listed.table());

    TextTable dragged = listed.table();
    dragged.moveRow(1, 3);
    listed.movePoint(0, 2);
    EXPECT_EQ(listed.table(), dragged);
    agrees(dragged);
    EXPECT_EQ(listed.newest().fileName, dragged.cell(restore_col::kFileName, 1));
}
