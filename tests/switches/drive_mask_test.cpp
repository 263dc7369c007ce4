// The hidden-drive mask: binary data of four bytes, little-endian, bit i for drive letter i.
#include "registry_file.h"
#include "switches/drive_mask.h"
#include "switches/switch_keys.h"
#include "sysaccess/registry_values.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;
namespace keys = korvane::switch_keys;

namespace {

const std::string kKey =
    "HKEY_USERS\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

void store(w98::Machine& m, std::uint32_t type, const std::string& data) {
    m.registry().setValue(keys::kExplorerPolicyRoot, keys::kExplorerPolicy, {"NoDrives", type, data});
}

std::string messageOf(w98::Machine& m) {
    try {
        ReadDriveMask(m);
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(DriveMask, NoValueAndNoKeyReadAsNothingAndCreateNothing) {
    TempMachine tm;
    auto& m = tm.machine();
    EXPECT_EQ(ReadDriveMask(m), std::nullopt);
    EXPECT_FALSE(m.registry().keyExists(keys::kExplorerPolicyRoot, keys::kExplorerPolicy));
    WriteRegInt(m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoRun", 1);
    EXPECT_EQ(ReadDriveMask(m), std::nullopt);
}

TEST(DriveMask, StoredBytesAreALittleEndianNumber) {
    TempMachine tm;
    auto& m = tm.machine();
    store(m, w98::reg_type::kBinary, std::string("\x0c\x00\x00\x00", 4));
    const auto mask = ReadDriveMask(m);
    ASSERT_TRUE(mask);
    EXPECT_EQ(*mask, 0x0Cu);
    EXPECT_FALSE(DriveHidden(*mask, 1));
    EXPECT_TRUE(DriveHidden(*mask, 2));
    EXPECT_TRUE(DriveHidden(*mask, 3));
    EXPECT_FALSE(DriveHidden(*mask, 4));

    store(m, w98::reg_type::kBinary, std::string("\x00\x00\x00\x02", 4));
    EXPECT_EQ(ReadDriveMask(m), 0x02000000u);
    EXPECT_TRUE(DriveHidden(0x02000000u, 25)); // Z:
    // Shorter data: the missing high bytes are 0.
    store(m, w98::reg_type::kBinary, std::string("\x0c\x01", 2));
    EXPECT_EQ(ReadDriveMask(m), 0x010Cu);
    store(m, w98::reg_type::kBinary, std::string());
    EXPECT_EQ(ReadDriveMask(m), 0u);
}

TEST(DriveMask, HighBitsNameNoDrive) {
    TempMachine tm;
    auto& m = tm.machine();
    store(m, w98::reg_type::kBinary, std::string("\x01\x00\x00\xfc", 4));
    const auto mask = ReadDriveMask(m);
    ASSERT_TRUE(mask);
    for (int letter = 1; letter < kDriveLetterCount; ++letter)
        EXPECT_FALSE(DriveHidden(*mask, letter)) << letter;
    EXPECT_TRUE(DriveHidden(*mask, 0));
    EXPECT_FALSE(DriveHidden(*mask, 26));
    EXPECT_FALSE(DriveHidden(*mask, 31));
    // They are never written.
    WriteDriveMask(m, 0xFC000004u);
    EXPECT_TRUE(hasLine(keyLines(tm, "USER.DAT", kKey), "\"NoDrives\"=hex:04,00,00,00"));
}

TEST(DriveMask, ValuesThatAreNotFourBytesOfBinaryDataAreReportedAndKept) {
    TempMachine tm;
    auto& m = tm.machine();
    WriteRegInt(m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoDrives", 12);
    EXPECT_EQ(messageOf(m), "Invalid data type for 'NoDrives'");
    store(m, w98::reg_type::kBinary, std::string("\x0c\x00\x00\x00\x00", 5));
    EXPECT_EQ(messageOf(m), "Failed to get data for 'NoDrives'");
    EXPECT_TRUE(hasLine(keyLines(tm, "USER.DAT", kKey), "\"NoDrives\"=hex:0c,00,00,00,00"));
}

TEST(DriveMask, TickingCThenDThenUntickingBoth) {
    TempMachine tm;
    auto& m = tm.machine();
    std::vector<bool> ticks(kDriveLetterCount, false);
    auto click = [&](int letter, bool ticked) {
        ticks[static_cast<std::size_t>(letter)] = ticked;
        WriteDriveMask(m, DriveMaskOf(ticks));
        return keyLines(tm, "USER.DAT", kKey);
    };
    EXPECT_EQ(click(2, true), std::vector<std::string>{"\"NoDrives\"=hex:04,00,00,00"});
    EXPECT_EQ(click(3, true), std::vector<std::string>{"\"NoDrives\"=hex:0c,00,00,00"});
    click(2, false);
    EXPECT_EQ(click(3, false), std::vector<std::string>{"\"NoDrives\"=hex:00,00,00,00"});
    EXPECT_EQ(ReadDriveMask(m), 0u);
}
