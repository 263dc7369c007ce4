#include "fat_format.h"

#include "fat_structures.h"

#include "base/date_time.h"
#include "base/error.h"
#include "base/text.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace w98::disk {
namespace {

using namespace layout;

using Sector = std::array<std::uint8_t, kSectorBytes>;

void put16(Sector& s, std::size_t at, std::uint32_t v) {
    s[at] = static_cast<std::uint8_t>(v);
    s[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(Sector& s, std::size_t at, std::uint32_t v) {
    put16(s, at, v & 0xFFFFu);
    put16(s, at + 2, v >> 16);
}

void putBytes(Sector& s, std::size_t at, std::string_view bytes) {
    std::memcpy(s.data() + at, bytes.data(), bytes.size());
}

void putSignature(Sector& s) {
    put16(s, fat::kSignature, fat::kSignatureValue);
}

std::string quoted(const std::filesystem::path& image) {
    return "“" + image.string() + "”";
}

const char* typeName(FatType type) {
    return type == FatType::Fat16 ? "FAT16" : "FAT32";
}

void checkSize(const std::filesystem::path& image, FatType type, std::uint64_t totalBytes, bool partitioned,
               const FatLayout& l) {
    if (totalBytes % kSectorBytes != 0)
        throw Error("无法建立磁盘映像" + quoted(image) + "：大小必须是 512 字节的整数倍。");
    if (totalBytes / kSectorBytes > std::numeric_limits<std::uint32_t>::max())
        throw Error("无法建立磁盘映像" + quoted(image) + "：磁盘不能大于 2 TB。");
    if (type == FatType::Fat16 && tooLargeForFat16(l))
        throw Error("无法建立磁盘映像" + quoted(image) + "：FAT16 卷最大 2047 MB，更大的磁盘请用 FAT32。");
    if (!layoutFits(l, type))
        throw Error("无法建立磁盘映像" + quoted(image) + "：磁盘太小，放不下 " + typeName(type) +
                    " 卷，至少要 " + std::to_string(smallestImageMegabytes(type, partitioned)) + " MB。");
}

// The volume label as the boot sector and the label entry keep it: upper case, padded with
// blanks to 11 bytes. Only ASCII: dosfstools' checker takes any byte above 7Fh in a label for a
// control character and removes the label, though Chinese Windows would accept one.
std::string labelBytes(const std::filesystem::path& image, const std::string& label) {
    const std::string refused = "无法建立磁盘映像" + quoted(image) + "：卷标“" + label + "”";
    if (label.size() > 11)
        throw Error(refused + "太长，最多 11 个字符。");
    std::string bytes = label;
    for (char& c : bytes) {
        if (c < 0x20 || c > 0x7E ||
            std::string_view("\"*+,./:;<=>?[\\]|").find(c) != std::string_view::npos ||
            (&c == &bytes.front() && c == ' '))
            throw Error(refused +
                        "不能用：只能有英文字母、数字、空格（不在开头）和 ! # $ % & ' ( ) - @ ^ _ ` { } ~。");
        c = upperAscii(c);
    }
    return bytes;
}

// The serial number MS-DOS's FORMAT makes from the moment of formatting.
std::uint32_t volumeSerial(const std::tm& t, int hundredths) {
    const auto high =
        static_cast<std::uint32_t>((((t.tm_mon + 1) << 8) | t.tm_mday) + ((t.tm_sec << 8) | hundredths));
    const auto low = static_cast<std::uint32_t>(((t.tm_hour << 8) | t.tm_min) + (t.tm_year + 1900));
    return ((high & 0xFFFFu) << 16) | (low & 0xFFFFu);
}

// Boot code that only says the disk holds no system and halts: these images carry files for
// Korvane, not an operating system to load. Text mode at boot shows no Chinese, so the text is
// the one Windows 98's boot sector shows for a disk without IO.SYS. codeOffset is where the code
// lies in its sector, which the BIOS loads at 0000:7C00; the text follows the code.
std::string haltingBootCode(std::uint32_t codeOffset) {
    static constexpr std::uint8_t kCode[] = {
        0xFA,             // cli
        0x33, 0xC0,       // xor ax,ax
        0x8E, 0xD0,       // mov ss,ax
        0xBC, 0x00, 0x7C, // mov sp,7C00h
        0x8E, 0xD8,       // mov ds,ax
        0xFB,             // sti
        0xFC,             // cld
        0xBE, 0x00, 0x00, // mov si,message (filled in below)
        0xAC,             // next: lodsb
        0x0A, 0xC0,       // or al,al
        0x74, 0x09,       // jz stop
        0xB4, 0x0E,       // mov ah,0Eh (teletype output)
        0xBB, 0x07, 0x00, // mov bx,0007h
        0xCD, 0x10,       // int 10h
        0xEB, 0xF2,       // jmp next
        0xF4,             // stop: hlt
        0xEB, 0xFD,       // jmp stop
    };
    std::string code(reinterpret_cast<const char*>(kCode), sizeof kCode);
    const std::uint32_t message = 0x7C00 + codeOffset + static_cast<std::uint32_t>(code.size());
    code[13] = static_cast<char>(message & 0xFF);
    code[14] = static_cast<char>(message >> 8);
    return code + std::string("\r\nInvalid system disk\r\n") + '\0';
}

// Cylinder, head and sector of a sector as the partition table keeps them; past cylinder 1023
// they stay at the last one CHS can name, as FDISK leaves them.
void putChs(Sector& s, std::size_t at, std::uint32_t lba) {
    std::uint32_t cylinder = lba / kCylinderSectors;
    std::uint32_t head = lba / kSectorsPerTrack % kHeads;
    std::uint32_t sector = lba % kSectorsPerTrack + 1;
    if (cylinder > 1023) {
        cylinder = 1023;
        head = kHeads - 1;
        sector = kSectorsPerTrack;
    }
    s[at] = static_cast<std::uint8_t>(head);
    s[at + 1] = static_cast<std::uint8_t>(sector | ((cylinder >> 2) & 0xC0));
    s[at + 2] = static_cast<std::uint8_t>(cylinder & 0xFF);
}

Sector masterBootRecord(FatType type, std::uint32_t partitionSectors) {
    Sector s{};
    putBytes(s, 0, haltingBootCode(0));
    constexpr std::size_t entry = fat::kPartitionTable;
    s[entry + fat::kPartitionStatus] = 0x80; // active
    putChs(s, entry + fat::kPartitionFirstChs, kPartitionStart);
    // FDISK marks a FAT16 partition under 32 MB (whose sectors a 16-bit count holds) with 04h.
    s[entry + fat::kPartitionType] = type == FatType::Fat32 ? 0x0C : partitionSectors < 65536 ? 0x04 : 0x06;
    putChs(s, entry + fat::kPartitionLastChs, kPartitionStart + partitionSectors - 1);
    put32(s, entry + fat::kPartitionFirstSector, kPartitionStart);
    put32(s, entry + fat::kPartitionSectors, partitionSectors);
    putSignature(s);
    return s;
}

Sector bootSector(FatType type, const FatLayout& l, std::uint32_t hidden, std::uint32_t serial,
                  const std::string& label) {
    const bool fat16 = type == FatType::Fat16;
    const bool smallCount = fat16 && l.sectors < 65536;
    Sector s{};
    // A short jump over the BPB to the boot code, then a NOP.
    s[fat::kJump] = 0xEB;
    s[fat::kJump + 1] = fat16 ? 0x3C : 0x58;
    s[fat::kJump + 2] = 0x90;
    putBytes(s, fat::kOemName, "MSWIN4.1");
    put16(s, fat::kBpbBytesPerSector, kSectorBytes);
    s[fat::kBpbSectorsPerCluster] = static_cast<std::uint8_t>(l.sectorsPerCluster);
    put16(s, fat::kBpbReservedSectors, l.reserved);
    s[fat::kBpbFatCount] = 2;
    put16(s, fat::kBpbRootEntries, fat16 ? kFat16RootEntries : 0);
    put16(s, fat::kBpbTotalSectors16, smallCount ? l.sectors : 0);
    s[fat::kBpbMedia] = 0xF8;
    put16(s, fat::kBpbFatSectors16, fat16 ? l.fatSectors : 0);
    put16(s, fat::kBpbSectorsPerTrack, kSectorsPerTrack);
    put16(s, fat::kBpbHeads, kHeads);
    put32(s, fat::kBpbHiddenSectors, hidden);
    put32(s, fat::kBpbTotalSectors32, smallCount ? 0 : l.sectors);
    std::size_t ext = fat::kFat16Extended;
    if (!fat16) {
        put32(s, fat::kBpbFatSectors32, l.fatSectors);
        put32(s, fat::kBpbRootCluster, 2);
        put16(s, fat::kBpbFsInfoSector, 1);
        put16(s, fat::kBpbBackupBootSector, 6);
        ext = fat::kFat32Extended;
    }
    s[ext + fat::kExtDriveNumber] = 0x80; // first hard disk
    s[ext + fat::kExtSignature] = 0x29;
    put32(s, ext + fat::kExtSerial, serial);
    putBytes(s, ext + fat::kExtLabel,
             label.empty() ? std::string("NO NAME    ") : label + std::string(11 - label.size(), ' '));
    putBytes(s, ext + fat::kExtTypeName, fat16 ? "FAT16   " : "FAT32   ");
    putBytes(s, ext + fat::kExtBootCode,
             haltingBootCode(static_cast<std::uint32_t>(ext + fat::kExtBootCode)));
    putSignature(s);
    return s;
}

Sector fsInfo(const FatLayout& l) {
    Sector s{};
    put32(s, fat::kFsInfoLeadSignature, fat::kFsInfoLeadValue);
    put32(s, fat::kFsInfoSignature, fat::kFsInfoValue);
    put32(s, fat::kFsInfoFreeCount, l.clusters - 1); // all but the root folder's cluster
    // The last cluster handed out: drivers look for free ones after it.
    put32(s, fat::kFsInfoNextFree, 2);
    put32(s, fat::kFsInfoTrailSignature, fat::kFsInfoTrailValue);
    return s;
}

// The first sector of a FAT: the media byte, the clean-shutdown entry and, on FAT32, the root
// folder's one-cluster chain.
Sector firstFatSector(FatType type) {
    Sector s{};
    if (type == FatType::Fat16) {
        put16(s, 0, 0xFFF8);
        put16(s, 2, 0xFFFF);
    } else {
        put32(s, 0, 0x0FFFFFF8);
        put32(s, 4, 0x0FFFFFFF);
        put32(s, 8, 0x0FFFFFFF);
    }
    return s;
}

Sector rootWithLabel(const std::string& label, const std::tm& t) {
    Sector s{};
    if (label.empty())
        return s;
    putBytes(s, fat::kEntryName, label + std::string(11 - label.size(), ' '));
    s[fat::kEntryAttributes] = fat::kAttributeVolumeLabel;
    const std::uint32_t packed =
        packDosDateTime({t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec});
    put16(s, fat::kEntryWrittenTime, packed & 0xFFFFu);
    put16(s, fat::kEntryWrittenDate, packed >> 16);
    return s;
}

std::string reasonOf(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return "磁盘已满";
    case EACCES:
    case EPERM:
    case EROFS:
        return "拒绝访问";
    case ENOENT:
    case ENOTDIR:
        return "文件夹不存在";
    case EISDIR:
        return "同名的文件夹已存在";
    case EFBIG:
        return "文件系统放不下这么大的文件";
    default:
        return "写入出错";
    }
}

// Writes the sectors into a new file of totalBytes beside image, holes everywhere else, and
// renames it over image.
void writeSparseImage(const std::filesystem::path& image, std::uint64_t totalBytes,
                      const std::vector<std::pair<std::uint64_t, Sector>>& sectors) {
    static thread_local std::mt19937 rng{std::random_device{}()};
    auto fail = [&](int err) {
        throw Error("无法写入磁盘映像" + quoted(image) + "：" + reasonOf(err) + "。");
    };
    const auto dir = image.has_parent_path() ? image.parent_path() : std::filesystem::path(".");
    std::filesystem::path tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        tmp = dir / ("." + image.filename().string() + "." + std::to_string(::getpid()) + "-" +
                     std::to_string(rng() % 1000000) + ".tmp");
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            fail(errno);
    }
    if (fd < 0)
        fail(EEXIST);
    auto abandon = [&](int err) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(tmp.c_str());
        fail(err);
    };
    if (::ftruncate(fd, static_cast<off_t>(totalBytes)) != 0)
        abandon(errno);
    for (const auto& [sector, bytes] : sectors) {
        const auto at = static_cast<off_t>(sector * kSectorBytes);
        if (::pwrite(fd, bytes.data(), bytes.size(), at) != static_cast<ssize_t>(bytes.size()))
            abandon(errno ? errno : ENOSPC);
    }
    if (::fsync(fd) != 0)
        abandon(errno);
    const int closing = ::close(fd);
    fd = -1;
    if (closing != 0)
        abandon(errno);
    if (::rename(tmp.c_str(), image.c_str()) != 0)
        abandon(errno);
}

} // namespace

void formatDiskImage(const std::filesystem::path& image, FatType type, std::uint64_t totalBytes,
                     bool partitioned, const std::string& label) {
    const std::string name = labelBytes(image, label);
    const std::uint64_t diskSectors = totalBytes / kSectorBytes;
    const std::uint32_t sectors = diskSectors > std::numeric_limits<std::uint32_t>::max()
                                      ? 0
                                      : formattedVolumeSectors(diskSectors, partitioned);
    const FatLayout l = chooseFatLayout(type, sectors);
    checkSize(image, type, totalBytes, partitioned, l);

    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm t{};
    localtime_r(&seconds, &t);
    const auto hundredths = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000 / 10);

    const std::uint64_t start = partitioned ? kPartitionStart : 0;
    const Sector boot =
        bootSector(type, l, static_cast<std::uint32_t>(start), volumeSerial(t, hundredths), name);
    std::vector<std::pair<std::uint64_t, Sector>> out;
    if (partitioned)
        out.emplace_back(0, masterBootRecord(type, l.sectors));
    if (type == FatType::Fat16) {
        out.emplace_back(start, boot);
    } else {
        // Windows' FAT32 boot code spans three sectors, the last ending in 55AAh; the backup
        // copy of all three starts at sector 6.
        Sector third{};
        putSignature(third);
        for (std::uint64_t copy : {std::uint64_t{0}, std::uint64_t{6}}) {
            out.emplace_back(start + copy, boot);
            out.emplace_back(start + copy + 1, fsInfo(l));
            out.emplace_back(start + copy + 2, third);
        }
    }
    for (std::uint64_t fat = 0; fat < 2; ++fat)
        out.emplace_back(start + l.reserved + fat * l.fatSectors, firstFatSector(type));
    out.emplace_back(start + l.rootStart(), rootWithLabel(name, t));
    writeSparseImage(image, totalBytes, out);
}

} // namespace w98::disk
