#include "base/error.h"
#include "restore/restore_listing.h"
#include "restore/restore_request.h"
#include "restore/restore_table.h"
#include "tests/restore/restore_demo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

using namespace korvane;
namespace fs = std::filesystem;

namespace {

// Every file of a machine folder with its bytes: what "nothing written" compares.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).string()] = test::readBytes(e.path());
    return files;
}

RestoreCatalogue listed(test::RestoreDemo& d) {
    return RestoreListing::Scan(*d.m, d.paths.WinDir, d.paths.BackupDir, 2026).points();
}

} // namespace

TEST(RestoreListing, TheDemoPointsNewestFirstWithTheirFiles) {
    test::RestoreDemo d("korvane-listing");
    const RestoreCatalogue points = listed(d);
    ASSERT_EQ(points.size(), 9u);
    for (std::size_t i = 1; i < points.size(); ++i)
        EXPECT_GE(points[i - 1].dosTime, points[i].dosTime);
    EXPECT_EQ(points[1].note, "您手动建立的系统还原点");
    EXPECT_EQ(points[3].note, "系统还原前的备份");
    EXPECT_EQ(points[7].note, "其它软件做过的系统备份");
    EXPECT_EQ(PointFile(points[7]), "C:\\WINDOWS\\REGOPT\\system.dat");
    EXPECT_EQ(PointFile(points[8]), "C:\\WINDOWS\\system.da0");
    // The row a click takes is the point the list gives.
    const TextTable table = ScanRestoreTable(*d.m, d.paths.WinDir, d.paths.BackupDir, 2026);
    EXPECT_EQ(PointFile(RestorePointAt(table, 5)), PointFile(points[4]));
    EXPECT_EQ(table.cell(restore_col::kDate, 5), points[4].shownDate);
}

TEST(RestoreListing, APointIsFoundByItsFileInAnyCaseAndFormButNotByAPartOfIt) {
    test::RestoreDemo d("korvane-listing-file");
    const RestoreCatalogue points = listed(d);
    EXPECT_EQ(FindPointByFile(points, "c:\\windows\\sysbckup\\RESTORE1\\rb000.CAB"),
              std::optional<std::size_t>(1));
    EXPECT_EQ(FindPointByFile(points, "C:/WINDOWS/REGOPT/SYSTEM.DAT"), std::optional<std::size_t>(7));
    EXPECT_EQ(FindPointByFile(points, "C:\\WINDOWS\\SYSBCKUP\\RBBAD.CAB"), std::optional<std::size_t>(4));
    EXPECT_EQ(FindPointByFile(points, "C:\\WINDOWS\\SYSBCKUP"), std::nullopt);
    EXPECT_EQ(FindPointByFile(points, "RBBAD.CAB"), std::nullopt);
    EXPECT_EQ(FindPointByFile(points, ""), std::nullopt);
}

TEST(RestoreListing, TheNewestPreRestoreBackupAndIsoDates) {
    RestoreCatalogue points(3);
    points[0].note = notes::kDailyBackup;
    points[1].note = notes::kBeforeRestore;
    points[2].note = notes::kBeforeRestore;
    EXPECT_EQ(NewestBackupBeforeRestore(points), std::optional<std::size_t>(1));
    points[1].note = notes::kMadeByHand;
    EXPECT_EQ(NewestBackupBeforeRestore(points), std::optional<std::size_t>(2));
    EXPECT_EQ(NewestBackupBeforeRestore({}), std::nullopt);
    EXPECT_EQ(IsoDateTime(w98::packDosDateTime({2002, 5, 17, 9, 30, 7})), "2002-05-17T09:30:06");
    EXPECT_EQ(IsoDateTime(w98::packDosDateTime({1999, 12, 31, 23, 59, 58})), "1999-12-31T23:59:58");
    EXPECT_EQ(IsoDateTime(0), "");
}

TEST(RestoreRequest, ADamagedCabinetIsRefusedBeforeAnythingIsWritten) {
    test::RestoreDemo d("korvane-request-damaged");
    const RestoreCatalogue points = listed(d);
    std::ofstream(d.m->hostPath(PointFile(points[0])), std::ios::binary | std::ios::trunc) << "MSCF broken";
    const auto before = snapshot(d.folder);
    try {
        PrepareRestore(*d.system, d.paths, points[0], points[0]);
        FAIL() << "a damaged cabinet was accepted";
    } catch (const UnusableRestorePoint& e) {
        EXPECT_NE(std::string(e.what()).find("已经损坏，无法解开"), std::string::npos) << e.what();
        EXPECT_EQ(e.mark(), "无法还原：备份文件已损坏");
    }
    EXPECT_EQ(snapshot(d.folder), before);
    EXPECT_TRUE(d.power.calls.empty());
}

TEST(RestoreRequest, OnAMachineFolderTheJobIsArmedAndTheRestartAskedFor) {
    test::RestoreDemo d("korvane-request-armed");
    const RestoreCatalogue points = listed(d);
    const PreparedRestore prepared = PrepareRestore(*d.system, d.paths, points[2], points[0]);
    EXPECT_EQ(prepared.point.plan.point.fileName, points[2].fileName);
    EXPECT_FALSE(d.m->exists("C:\\dosrun.bat"));
    EXPECT_FALSE(CarryOutRestore(*d.system, d.paths, prepared, {}).has_value());
    EXPECT_TRUE(d.m->exists("C:\\dosrun.bat"));
    ASSERT_EQ(d.power.calls.size(), 1u);
    EXPECT_EQ(d.power.calls[0].flags, 2u);
    // The state before is kept as a pre-restore backup.
    EXPECT_EQ(d.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size(), 2u);
}
