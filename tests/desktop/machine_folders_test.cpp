// The drive and folder lists of the machine, and dialog choices turned into machine paths.
#include "base/dos_attributes.h"
#include "base/error.h"
#include "desktop/machine_folders.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

TEST(MachineFolders, DrivesAndTheFolderListOfAnOpenFolder) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(MachineDrives(m), (std::vector<std::string>{"c:", "d:"}));
    m.createDirectories("C:\\My Documents\\pics\\old");
    m.createDirectories("C:\\My Documents\\secret");
    m.setAttributes("C:\\My Documents\\secret", w98::attr::kDirectory | w98::attr::kHidden);
    m.writeFile("C:\\My Documents\\a.jpg", "x");
    const auto rows = FolderRows(m, "c:\\my documents");
    std::vector<std::string> captions, folders;
    for (const auto& r : rows) {
        captions.push_back(r.caption);
        folders.push_back(r.folder);
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"c:\\", "my documents", "pics"}));
    EXPECT_EQ(folders.back(), "C:\\my documents\\pics");
    EXPECT_TRUE(rows[1].open);
    EXPECT_FALSE(rows[2].open);
    EXPECT_EQ(rows[2].depth, 2);
    EXPECT_EQ(FolderRows(m, "C:\\My Documents\\pics").back().caption, "old");
    EXPECT_EQ(FolderRows(m, "D:\\").size(), 1u);
}

TEST(MachineFolders, DialogChoicesBecomeMachinePaths) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(MachinePathOfChoice(m, "c:/windows/x.bmp"), "C:\\windows\\x.bmp");
    EXPECT_EQ(MachinePathOfChoice(m, (tm.root() / "drive_c" / "WINDOWS" / "a b.jpg").string()),
              "C:\\WINDOWS\\a b.jpg");
    EXPECT_EQ(MachinePathOfChoice(m, (tm.root() / "drive_d" / ".." / "drive_c" / "y.bmp").string()),
              "C:\\y.bmp");
    for (const std::string& outside : {std::string("/etc/passwd"), (tm.root() / "machine.ini").string(),
                                       (tm.root() / "drive_cd" / "x").string(), std::string("relative.jpg")})
        EXPECT_THROW(MachinePathOfChoice(m, outside), w98::Error) << outside;
}

} // namespace
