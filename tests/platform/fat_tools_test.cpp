// The outside FAT tools that check disk images, checked themselves: images made by mkfs.fat and
// filled by mcopy must list as copied under both readers, and damage must show in fsck.fat.
#include "tests/support/fat_tools.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <fstream>

using korvane::test::FatKind;
using korvane::test::FatListedEntry;
namespace fs = std::filesystem;
namespace kt = korvane::test;

namespace {

struct ImageCase {
    const char* name;
    FatKind kind;
    bool partitioned;
    std::uint64_t volumeOffset;
    unsigned sectorsPerCluster;
    std::string folder; // where the tree goes, "" for the root
};

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.name;
}

void writeFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readAt(const fs::path& file, std::uint64_t offset, std::size_t size) {
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(size, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    return bytes;
}

class FatTools : public testing::TestWithParam<ImageCase> {
  protected:
    void SetUp() override {
        folder_ = kt::makeTempFolder("korvane-fat-tools");
        image_ = folder_ / "disk.img";
        const fs::path tree = folder_ / "tree";
        writeFile(tree / "My Backup Archive.cab", "MSCF cabinet\r\n");
        writeFile(tree / "元素周期表.exe", "MZ");
        // U+4E0A: fatcat prints its low byte, a line feed, in the middle of the entry.
        writeFile(tree / "上海.txt", "abc");
        writeFile(tree / "secret.txt", "pin");
        writeFile(tree / "Sub Folder" / "README.TXT", "read me\r\n");
        // mcopy on code page 936 stores a short name in it and no long name, as Chinese DOS would.
        writeFile(folder_ / "dos" / "元素周期表.exe", "MZ");
        kt::makeFatImage(image_, GetParam().kind, 64, GetParam().partitioned);
        kt::copyTreeIntoImage(image_, tree, GetParam().folder);
        kt::copyTreeIntoImage(image_, folder_ / "dos", prefix() + "DOS", 936);
        kt::setImageAttributes(image_, prefix() + "secret.txt", "+r +h");
    }

    std::string prefix() const { return GetParam().folder.empty() ? "" : GetParam().folder + "\\"; }
    void TearDown() override { fs::remove_all(folder_); }

    // What was copied, as both readers must list it; mcopy's aliases for the Chinese names.
    std::vector<FatListedEntry> copied() const {
        const std::string p = prefix();
        std::vector<FatListedEntry> entries = {
            {p + "DOS", "DOS", 0x10, 0},
            {p + "DOS\\元素.EXE", "元素.EXE", 0x20, 2},
            {p + "My Backup Archive.cab", "MYBACK~1.CAB", 0x20, 14},
            {p + "SECRET.TXT", "SECRET.TXT", 0x23, 3},
            {p + "Sub Folder", "SUBFOL~1", 0x10, 0},
            {p + "Sub Folder\\README.TXT", "README.TXT", 0x20, 9},
            {p + "上海.txt", "__.TXT", 0x20, 3},
            {p + "元素周期表.exe", "_____.EXE", 0x20, 2},
        };
        if (!p.empty()) {
            entries.push_back({"WINDOWS", "WINDOWS", 0x10, 0});
            entries.push_back({"WINDOWS\\SYSBCKUP", "SYSBCKUP", 0x10, 0});
        }
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.path < b.path; });
        return entries;
    }

    fs::path folder_, image_;
};

TEST_P(FatTools, ImageHoldsOneFatVolumeWhereTheCaseSays) {
    const ImageCase& c = GetParam();
    EXPECT_EQ(kt::fatVolumeOffset(image_), c.volumeOffset);
    EXPECT_EQ(fs::file_size(image_), 64u * 1024 * 1024);
    const std::string boot = readAt(image_, c.volumeOffset, 512);
    EXPECT_EQ(static_cast<unsigned char>(boot[13]), c.sectorsPerCluster);
    EXPECT_EQ(boot.substr(c.kind == FatKind::Fat16 ? 43 : 71, 19),
              c.kind == FatKind::Fat16 ? "KORVANE    FAT16   " : "KORVANE    FAT32   ");
    if (c.partitioned) {
        // Bootable, CHS 0/1/1 to 129/15/63 on 16 heads, FAT16 from LBA 63 for 130977 sectors.
        EXPECT_EQ(readAt(image_, 446, 16),
                  std::string("\x80\x01\x01\x00\x06\x0F\x3F\x81\x3F\x00\x00\x00\xA1\xFF\x01\x00", 16));
        EXPECT_EQ(readAt(image_, 462, 50), std::string(48, '\0') + "\x55\xAA");
    }
}

TEST_P(FatTools, BothReadersListWhatWasCopiedAndFsckFindsItClean) {
    EXPECT_EQ(kt::fsckFatProblems(image_), "");
    EXPECT_EQ(kt::mtoolsListing(image_), copied());

    // fatcat garbles non-ASCII long names (not short names) and knows only the folder and hidden bits.
    const std::string p = prefix();
    std::vector<FatListedEntry> expected = copied();
    for (auto& e : expected) {
        if (e.path != p + "DOS\\元素.EXE")
            e.path = kt::fatcatRendering(e.path);
        e.attributes &= 0x12;
    }
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    EXPECT_EQ(kt::fatcatListing(image_), expected);
    EXPECT_EQ(kt::fatcatRendering(p + "元素周期表.exe"), p + "CQ }hT\x1Fgh\x88.exe");
    EXPECT_EQ(kt::fatcatAttributes(image_, p + "SECRET.TXT"), 0x23);
    EXPECT_EQ(kt::fatcatAttributes(image_, kt::fatcatRendering(p + "元素周期表.exe")), 0x20);
}

TEST_P(FatTools, FsckFindsTheSecondFatDamaged) {
    const ImageCase& c = GetParam();
    const std::string boot = readAt(image_, c.volumeOffset, 512);
    auto word = [&](std::size_t at) {
        return std::uint64_t{static_cast<unsigned char>(boot[at])} |
               std::uint64_t{static_cast<unsigned char>(boot[at + 1])} << 8;
    };
    const std::uint64_t reserved = word(14);
    const std::uint64_t fatSectors = c.kind == FatKind::Fat16 ? word(22) : word(36) | word(38) << 16;
    // The entry of cluster 3, which the copied tree uses, in the second FAT only.
    const std::uint64_t at =
        c.volumeOffset + (reserved + fatSectors) * 512 + 3 * (c.kind == FatKind::Fat16 ? 2 : 4);
    std::fstream f(image_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(at));
    f.put('\x7B');
    f.close();
    EXPECT_NE(kt::fsckFatProblems(image_).find("FATs differ"), std::string::npos)
        << kt::fsckFatProblems(image_);
}

INSTANTIATE_TEST_SUITE_P(
    Images, FatTools,
    testing::Values(ImageCase{"Fat16Partitioned", FatKind::Fat16, true, 63 * 512, 4, ""},
                    ImageCase{"Fat32Bare", FatKind::Fat32, false, 0, 1, "WINDOWS\\SYSBCKUP"}),
    [](const testing::TestParamInfo<ImageCase>& param) { return std::string(param.param.name); });

} // namespace
