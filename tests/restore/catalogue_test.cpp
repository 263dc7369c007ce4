#include "base/dos_attributes.h"
#include "restore/catalogue.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;

namespace {
void cab(w98::Machine& m, const std::string& path, w98::DateTime t = {2002, 5, 17, 8, 5, 12}) {
    m.writeFile(path, "MSCF");
    m.setLastWriteTime(path, t);
}
} // namespace

TEST(Catalogue, NotesFollowFolderAndName) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP\\restore");
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP\\restore1");
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP\\old");
    cab(m, "C:\\WINDOWS\\SYSBCKUP\\rb000.cab");
    cab(m, "C:\\WINDOWS\\SYSBCKUP\\rb001.cab");
    cab(m, "C:\\WINDOWS\\SYSBCKUP\\RBBAD.CAB");
    cab(m, "C:\\WINDOWS\\SYSBCKUP\\restore\\rb000.cab");
    cab(m, "C:\\WINDOWS\\SYSBCKUP\\restore1\\rb000.cab");
    cab(m, "C:\\WINDOWS\\SYSBCKUP\\old\\rb003.cab");
    m.setAttributes("C:\\WINDOWS\\SYSBCKUP\\rb001.cab", w98::attr::kHidden | w98::attr::kSystem);
    m.createDirectory("C:\\WINDOWS\\SYSBCKUP\\folder.cab");

    RestoreCatalogue c = ScanAllRestorePoints(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP");
    ASSERT_EQ(c.size(), 6u);
    EXPECT_EQ(c[0].note, notes::kDailyBackup);
    EXPECT_EQ(c[1].note, notes::kDailyBackup); // hidden and system files count too
    EXPECT_EQ(c[2].fileName, "RBBAD.CAB");
    EXPECT_EQ(c[2].note, notes::kBeforeRepair);
    EXPECT_EQ(c[3].note, notes::kBeforeRestore);
    EXPECT_EQ(c[3].folder, "C:\\WINDOWS\\sysbckup\\restore");
    EXPECT_EQ(c[4].note, notes::kMadeByHand);
    EXPECT_EQ(c[4].folder, "C:\\WINDOWS\\sysbckup\\restore1");
    EXPECT_EQ(c[5].note, notes::kMovedEarlier);
    for (const auto& p : c) {
        EXPECT_EQ(p.extension, ".cab");
        EXPECT_EQ(p.dateText, "02-5-17 8:05:12");
    }
    EXPECT_EQ(c[0].folder, "C:\\WINDOWS\\SYSBCKUP");
}

TEST(Catalogue, LowerCaseBadCabinetIsAnOrdinaryBackupAndMidnightHasNoTime) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
    cab(m, "C:\\WINDOWS\\SYSBCKUP\\rbbad.cab", {2002, 5, 17, 0, 0, 0});
    RestoreCatalogue c;
    ScanCabFolder(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP", c);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].note, notes::kDailyBackup);
    EXPECT_EQ(c[0].dateText, "02-5-17");
}

TEST(Catalogue, FilePairsNeedBothFiles) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeFile("C:\\WINDOWS\\system.da0", "x");
    RestoreCatalogue c;
    ScanRegistryPair(m, "C:\\WINDOWS", ".da0", notes::kFirstInstall, c);
    EXPECT_TRUE(c.empty());
    m.writeFile("C:\\WINDOWS\\USER.DA0", "x");
    m.createDirectories("C:\\WINDOWS\\REGOPT");
    m.writeFile("C:\\WINDOWS\\REGOPT\\system.dat", "x");
    m.writeFile("C:\\WINDOWS\\REGOPT\\user.dat", "x");
    c = ScanAllRestorePoints(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].note, notes::kFirstInstall);
    EXPECT_EQ(c[0].fileName, "system.da0");
    EXPECT_EQ(c[1].note, notes::kOtherSoftware);
    EXPECT_EQ(c[1].folder, "C:\\WINDOWS\\REGOPT");
    EXPECT_EQ(c[1].extension, ".dat");
}

TEST(Catalogue, PointsMovedAsideFromTheProgramsOwnFoldersAreListed) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\sysbckup\\restore\\old");
    m.createDirectories("C:\\WINDOWS\\sysbckup\\restore1\\old");
    m.createDirectories("C:\\WINDOWS\\sysbckup\\old");
    cab(m, "C:\\WINDOWS\\sysbckup\\restore1\\old\\rb001.cab");
    cab(m, "C:\\WINDOWS\\sysbckup\\restore\\old\\rb000.cab");
    cab(m, "C:\\WINDOWS\\sysbckup\\old\\rb004.cab");

    RestoreCatalogue c = ScanAllRestorePoints(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP");
    ASSERT_EQ(c.size(), 3u);
    const std::vector<std::string> folders = {c[0].folder, c[1].folder, c[2].folder};
    EXPECT_EQ(folders,
              (std::vector<std::string>{"C:\\WINDOWS\\sysbckup\\old", "C:\\WINDOWS\\sysbckup\\restore\\old",
                                        "C:\\WINDOWS\\sysbckup\\restore1\\old"}));
    for (const auto& p : c)
        EXPECT_EQ(p.note, "曾修改过的时间，非实际时间") << p.folder;
    EXPECT_EQ(c[1].fileName, "rb000.cab");
    EXPECT_EQ(c[2].fileName, "rb001.cab");
}
