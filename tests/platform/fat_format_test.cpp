// Empty disk images as FDISK and FORMAT make them, read back by other people's FAT tools:
// fsck.fat (dosfstools), mdir, minfo and mcopy (mtools), fatcat and file.
#include "base/error.h"
#include "disk/fat/fat_format.h"
#include "tests/support/temp_machine.h"
#include "tests/support/tool_process.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using korvane::test::makeTempFolder;
using korvane::test::runTool;
using w98::disk::FatType;
using w98::disk::formatDiskImage;

constexpr std::uint64_t kMB = 1048576;

// count bytes at offset as "80 01 01 00 ...".
std::string hexAt(const fs::path& file, std::uint64_t offset, std::size_t count) {
    std::string bytes(count, '\0');
    const int fd = ::open(file.c_str(), O_RDONLY);
    const ssize_t n = fd < 0 ? -1 : ::pread(fd, bytes.data(), count, static_cast<off_t>(offset));
    if (fd >= 0)
        ::close(fd);
    bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    std::string out;
    for (char c : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X ", static_cast<unsigned char>(c));
        out += pair;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

std::string zeros(std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += i ? " 00" : "00";
    return out;
}

// A little-endian number from hexAt's bytes.
std::uint32_t le(const std::string& hex) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < hex.size(); i += 3)
        v |= static_cast<std::uint32_t>(std::stoul(hex.substr(i, 2), nullptr, 16)) << (8 * (i / 3));
    return v;
}

// The volume from offset on, in a file of its own (fsck.fat takes no offset); only the parts
// that hold data are copied, so that a volume of gigabytes costs nothing.
fs::path volumeCopy(const fs::path& image, std::uint64_t offset, const fs::path& to) {
    const int in = ::open(image.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const off_t end = ::lseek(in, 0, SEEK_END);
    std::string buffer(1 << 20, '\0');
    for (off_t pos = static_cast<off_t>(offset);;) {
        const off_t data = ::lseek(in, pos, SEEK_DATA);
        if (data < 0)
            break;
        const off_t hole = ::lseek(in, data, SEEK_HOLE);
        for (off_t at = data; at < hole;) {
            const auto n =
                ::pread(in, buffer.data(), static_cast<std::size_t>(std::min<off_t>(hole - at, 1 << 20)), at);
            if (n <= 0 || ::pwrite(out, buffer.data(), static_cast<std::size_t>(n),
                                   at - static_cast<off_t>(offset)) != n)
                break;
            at += n;
        }
        pos = hole;
    }
    EXPECT_EQ(::ftruncate(out, end - static_cast<off_t>(offset)), 0);
    ::close(in);
    ::close(out);
    return to;
}

class FatFormatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = makeTempFolder("fat-format");
        std::ofstream(dir_ / "mtoolsrc").flush();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // fsck.fat -n -S on the volume: a clean check prints its banner and one summary line, which
    // is returned after the file's name ("" and a failure otherwise).
    std::string fsckSummary(const fs::path& image, std::uint64_t offset) {
        const auto volume = volumeCopy(image, offset, dir_ / "volume.bin");
        const auto r = runTool({"fsck.fat", "-n", "-S", volume.string()});
        fs::remove(volume);
        const auto firstEnd = r.output.find('\n');
        const auto summary = r.output.substr(std::min(r.output.size(), firstEnd + 1));
        EXPECT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 1) << r.output;
        const std::string prefix = volume.string() + ": ";
        EXPECT_EQ(summary.substr(0, prefix.size()), prefix) << r.output;
        return r.exitCode == 0 ? summary.substr(std::min(summary.size(), prefix.size())) : "";
    }

    // mtools on its own defaults, whatever the user's configuration says.
    korvane::test::ToolResult mtools(const std::vector<std::string>& argv) {
        return runTool(argv, {{"MTOOLSRC", (dir_ / "mtoolsrc").string()}, {"MTOOLS_SKIP_CHECK", "1"}});
    }

    fs::path dir_;
};

struct Case {
    const char* name;
    FatType type;
    std::uint64_t megabytes;
    bool partitioned;
    const char* partitionEntry; // the 16 bytes at 1BEh
    const char* fileSays;
    std::uint32_t volumeSectors;
    unsigned sectorsPerCluster;
    unsigned fatSectors;
    unsigned clusters;
};

// Partitions run from sector 63 to the last whole cylinder of 255 x 63 sectors; FORMAT's cluster
// sizes are halved where FAT32 would otherwise have fewer than 65525 clusters; the partition
// type is 04h for FAT16 under 65536 sectors, 06h above, 0Ch for FAT32; CHS past cylinder 1023
// stays at 1023/254/63.
const Case kCases[] = {
    {"fat16-16mb", FatType::Fat16, 16, true, "80 01 01 00 04 FE 3F 01 3F 00 00 00 43 7D 00 00",
     "ID=0x4, active, start-CHS (0x0,1,1)", 32067, 4, 32, 7992},
    {"fat16-64mb-bare", FatType::Fat16, 64, false, "",
     "OEM-ID \"MSWIN4.1\", sectors/cluster 4, root entries 512, Media descriptor 0xf8, sectors/FAT 128, "
     "sectors/track 63, heads 255, sectors 131072 (volumes > 32 MB)",
     131072, 4, 128, 32695},
    {"fat16-300mb", FatType::Fat16, 300, true, "80 01 01 00 06 FE 3F 25 3F 00 00 00 67 50 09 00",
     "ID=0x6, active, start-CHS (0x0,1,1)", 610407, 16, 149, 38129},
    {"fat32-40mb", FatType::Fat32, 40, true, "80 01 01 00 0C FE 3F 04 3F 00 00 00 86 39 01 00",
     "ID=0xc, active, start-CHS (0x0,1,1)", 80262, 1, 618, 78994},
    {"fat32-64mb", FatType::Fat32, 64, true, "80 01 01 00 0C FE 3F 07 3F 00 00 00 C9 F5 01 00",
     "ID=0xc, active, start-CHS (0x0,1,1)", 128457, 1, 988, 126449},
    {"fat32-128mb", FatType::Fat32, 128, true, "80 01 01 00 0C FE 3F 0F 3F 00 00 00 D1 EB 03 00",
     "ID=0xc, active, start-CHS (0x0,1,1)", 256977, 2, 996, 127476},
    {"fat32-600mb-bare", FatType::Fat32, 600, false, "", "FAT (32 bit), sectors/FAT 1198", 1228800, 8, 1198,
     153296},
    {"fat32-2gb", FatType::Fat32, 2048, true, "80 01 01 00 0C FE 7F 04 3F 00 00 00 86 FA 3F 00",
     "ID=0xc, active, start-CHS (0x0,1,1)", 4192902, 8, 4087, 523087},
    {"fat32-10gb", FatType::Fat32, 10240, true, "80 01 01 00 0C FE FF FF 3F 00 00 00 9A E5 3F 01",
     "ID=0xc, active, start-CHS (0x0,1,1), end-CHS (0x3ff,254,63)", 20964762, 16, 10227, 1309017},
};

TEST_F(FatFormatTest, ImagesAreWhatFdiskAndFormatWriteAndOtherToolsReadThem) {
    std::ofstream(dir_ / "Read me first.txt") << "hello\r\n";
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const bool fat16 = c.type == FatType::Fat16;
        const auto image = dir_ / (std::string(c.name) + ".img");
        formatDiskImage(image, c.type, c.megabytes * kMB, c.partitioned);

        struct stat st {};
        ASSERT_EQ(::stat(image.c_str(), &st), 0);
        EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), c.megabytes * kMB);
        EXPECT_LT(st.st_blocks * 512, 256 * 1024) << "only the metadata is written";

        const std::uint64_t start = c.partitioned ? 63 : 0;
        const std::uint64_t boot = start * 512;
        if (c.partitioned) {
            EXPECT_EQ(hexAt(image, 0x1BE, 16), c.partitionEntry);
            EXPECT_EQ(hexAt(image, 0x1CE, 48), zeros(48));
            EXPECT_EQ(hexAt(image, 0x1FE, 2), "55 AA");
            EXPECT_EQ(hexAt(image, 0x200, 62 * 512), zeros(62 * 512)) << "the rest of track 0";
        }
        EXPECT_EQ(hexAt(image, boot, 11),
                  fat16 ? "EB 3C 90 4D 53 57 49 4E 34 2E 31" : "EB 58 90 4D 53 57 49 4E 34 2E 31");
        EXPECT_EQ(hexAt(image, boot + 0x0B, 2), "00 02");
        EXPECT_EQ(le(hexAt(image, boot + 0x0D, 1)), c.sectorsPerCluster);
        EXPECT_EQ(hexAt(image, boot + 0x0E, 5),
                  fat16 ? "01 00 02 00 02" : "20 00 02 00 00"); // reserved, FATs, root
        EXPECT_EQ(le(hexAt(image, boot + 0x13, 2)), c.volumeSectors < 65536 ? c.volumeSectors : 0);
        EXPECT_EQ(hexAt(image, boot + 0x15, 1), "F8");
        EXPECT_EQ(hexAt(image, boot + 0x18, 8),
                  c.partitioned ? "3F 00 FF 00 3F 00 00 00" : "3F 00 FF 00 00 00 00 00");
        EXPECT_EQ(le(hexAt(image, boot + 0x20, 4)), c.volumeSectors < 65536 ? 0 : c.volumeSectors);
        EXPECT_EQ(le(hexAt(image, boot + (fat16 ? 0x16 : 0x24), fat16 ? 2 : 4)), c.fatSectors);
        const std::uint64_t ext = boot + (fat16 ? 0x24 : 0x40);
        EXPECT_EQ(hexAt(image, ext, 3), "80 00 29");
        EXPECT_EQ(hexAt(image, ext + 7, 19),
                  fat16 ? "4B 4F 52 56 41 4E 45 20 20 20 20 46 41 54 31 36 20 20 20"
                        : "4B 4F 52 56 41 4E 45 20 20 20 20 46 41 54 33 32 20 20 20"); // KORVANE, FAT16/FAT32
        EXPECT_EQ(hexAt(image, boot + 0x1FE, 2), "55 AA");
        const std::uint64_t reserved = fat16 ? 1 : 32;
        if (!fat16) {
            EXPECT_EQ(hexAt(image, boot + 0x2C, 8),
                      "02 00 00 00 01 00 06 00"); // root cluster, FSInfo, backup
            const std::uint64_t info = boot + 512;
            EXPECT_EQ(hexAt(image, info, 4), "52 52 61 41");
            EXPECT_EQ(hexAt(image, info + 0x1E4, 4), "72 72 41 61");
            EXPECT_EQ(le(hexAt(image, info + 0x1E8, 4)), c.clusters - 1);
            EXPECT_EQ(hexAt(image, info + 0x1EC, 4), "02 00 00 00");
            EXPECT_EQ(hexAt(image, info + 0x1FC, 4), "00 00 55 AA");
            EXPECT_EQ(hexAt(image, boot + 1024 + 0x1FE, 2), "55 AA");
            EXPECT_EQ(hexAt(image, boot + 6 * 512, 3 * 512), hexAt(image, boot, 3 * 512))
                << "backup boot sectors";
        }
        for (unsigned fat = 0; fat < 2; ++fat)
            EXPECT_EQ(hexAt(image, boot + (reserved + fat * c.fatSectors) * 512, fat16 ? 6 : 14),
                      fat16 ? "F8 FF FF FF 00 00" : "F8 FF FF 0F FF FF FF 0F FF FF FF 0F 00 00");
        const std::uint64_t root = boot + (reserved + 2 * c.fatSectors) * 512;
        EXPECT_EQ(hexAt(image, root, 12), "4B 4F 52 56 41 4E 45 20 20 20 20 08");
        EXPECT_EQ(hexAt(image, root + 32, 32), zeros(32));

        const std::string fileOut = runTool({"file", image.string()}).output;
        EXPECT_NE(fileOut.find(c.fileSays), std::string::npos) << fileOut;
        if (c.partitioned) {
            EXPECT_NE(fileOut.find("startsector 63, " + std::to_string(c.volumeSectors) + " sectors"),
                      std::string::npos)
                << fileOut;
        }

        const std::string at = image.string() + "@@" + std::to_string(boot);
        EXPECT_EQ(fsckSummary(image, boot), "1 files, " + std::string(fat16 ? "0/" : "1/") +
                                                std::to_string(c.clusters) + " clusters\n");
        const auto info = mtools({"minfo", "-i", at, "::"});
        for (const std::string& line : std::vector<std::string>{
                 "sectors per track: 63", "heads: 255", "hidden sectors: " + std::to_string(start),
                 "cluster size: " + std::to_string(c.sectorsPerCluster) + " sectors",
                 "reserved (boot) sectors: " + std::to_string(reserved), "fats: 2",
                 "max available root directory slots: " + std::string(fat16 ? "512" : "0"),
                 "media descriptor byte: 0xf8", "physical drive id: 0x80", "disk label=\"KORVANE    \"",
                 std::string("disk type=\"") + (fat16 ? "FAT16   " : "FAT32   ") + "\""})
            EXPECT_NE(info.output.find(line + "\n"), std::string::npos) << line << "\n" << info.output;
        const auto listing = mtools({"mdir", "-i", at, "::"});
        EXPECT_NE(listing.output.find(" Volume in drive : is KORVANE"), std::string::npos) << listing.output;
        EXPECT_NE(listing.output.find("No files"), std::string::npos) << listing.output;

        const auto copy =
            mtools({"mcopy", "-i", at, (dir_ / "Read me first.txt").string(), "::Read me first.txt"});
        EXPECT_EQ(copy.exitCode, 0) << copy.output;
        EXPECT_EQ(fsckSummary(image, boot), "2 files, " + std::string(fat16 ? "1/" : "2/") +
                                                std::to_string(c.clusters) + " clusters\n");
        const auto fatcat = runTool({"fatcat", image.string(), "-O", std::to_string(boot), "-l", "/"});
        EXPECT_NE(fatcat.output.find("Read me first.txt (README~1.TXT)"), std::string::npos) << fatcat.output;
        fs::remove(image);
    }
}

TEST_F(FatFormatTest, SizesTheTypeCannotHoldAreRefusedAndLeaveNothing) {
    struct Refusal {
        FatType type;
        std::uint64_t bytes;
        bool partitioned;
        std::string label;
        std::string message; // after the image's name
    };
    const std::string kLabelRule =
        "不能用：只能有英文字母、数字、空格（不在开头）和 ! # $ % & ' ( ) - @ ^ _ ` { } ~。";
    const Refusal refusals[] = {
        {FatType::Fat32, 39 * kMB, true, "KORVANE", "：磁盘太小，放不下 FAT32 卷，至少要 40 MB。"},
        {FatType::Fat32, 32 * kMB, false, "KORVANE", "：磁盘太小，放不下 FAT32 卷，至少要 33 MB。"},
        {FatType::Fat16, 1 * kMB, false, "KORVANE", "：磁盘太小，放不下 FAT16 卷，至少要 3 MB。"},
        {FatType::Fat16, 4 * kMB, true, "KORVANE", "：磁盘太小，放不下 FAT16 卷，至少要 8 MB。"},
        {FatType::Fat16, 2048 * kMB, false, "KORVANE", "：FAT16 卷最大 2047 MB，更大的磁盘请用 FAT32。"},
        {FatType::Fat16, 4096 * kMB, true, "KORVANE", "：FAT16 卷最大 2047 MB，更大的磁盘请用 FAT32。"},
        {FatType::Fat32, 64 * kMB + 100, true, "KORVANE", "：大小必须是 512 字节的整数倍。"},
        {FatType::Fat32, 64 * kMB, true, "KORVANE DEMO", "：卷标“KORVANE DEMO”太长，最多 11 个字符。"},
        {FatType::Fat32, 64 * kMB, true, "A:B", "：卷标“A:B”" + kLabelRule},
        {FatType::Fat32, 64 * kMB, true, " AB", "：卷标“ AB”" + kLabelRule},
        // dosfstools takes bytes above 7Fh in a label for control characters.
        {FatType::Fat32, 64 * kMB, true, "演示", "：卷标“演示”" + kLabelRule},
    };
    const auto image = dir_ / "disk.img";
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.message);
        try {
            formatDiskImage(image, r.type, r.bytes, r.partitioned, r.label);
            ADD_FAILURE() << "not refused";
        } catch (const w98::Error& e) {
            EXPECT_EQ(e.what(), "无法建立磁盘映像“" + image.string() + "”" + r.message);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1)
            << "nothing but mtoolsrc is left behind";
    }
    // A folder that does not exist.
    try {
        formatDiskImage(dir_ / "missing" / "disk.img", FatType::Fat16, 64 * kMB, true);
        ADD_FAILURE() << "not refused";
    } catch (const w98::Error& e) {
        EXPECT_EQ(e.what(),
                  "无法写入磁盘映像“" + (dir_ / "missing" / "disk.img").string() + "”：文件夹不存在。");
    }
}

TEST_F(FatFormatTest, AnExistingImageIsReplacedWholeAndLabelsAreUpperCase) {
    const auto image = dir_ / "disk.img";
    std::ofstream(image) << std::string(4096, 'x');
    formatDiskImage(image, FatType::Fat16, 64 * kMB, true, "Demo 98");
    EXPECT_EQ(fs::file_size(image), 64 * kMB);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2) << "no temporary file stays beside it";
    EXPECT_EQ(hexAt(image, 0x1BE, 1), "80");
    EXPECT_EQ(hexAt(image, 63 * 512 + 0x2B, 11), "44 45 4D 4F 20 39 38 20 20 20 20"); // DEMO 98
    EXPECT_EQ(fsckSummary(image, 63 * 512), "1 files, 0/32043 clusters\n");

    // No label: the boot sector says NO NAME and the root folder holds no label entry.
    formatDiskImage(image, FatType::Fat32, 64 * kMB, false, "");
    EXPECT_EQ(hexAt(image, 0x47, 11), "4E 4F 20 4E 41 4D 45 20 20 20 20");
    EXPECT_EQ(fsckSummary(image, 0), "0 files, 1/129022 clusters\n");
}

} // namespace
