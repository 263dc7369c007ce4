// Opening a FAT volume: finding it on the disk, taking its parameters from the boot sector,
// reading the FATs; and reading a file's clusters.
#include "fat_volume.h"

#include "fat_structures.h"

#include "base/error.h"
#include "base/little_endian.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <utility>

namespace w98::disk {
namespace fat {

namespace {

bool isPowerOfTwo(std::uint32_t v) {
    return v && !(v & (v - 1));
}

bool isFatPartitionType(unsigned char t) {
    return t == 0x04 || t == 0x06 || t == 0x0E || t == 0x0B || t == 0x0C || t == 0x01;
}

} // namespace

bool looksLikeBootSector(std::string_view s) {
    if (s.size() < 512 || le::get16(s, kSignature) != kSignatureValue)
        return false;
    const auto jump = static_cast<unsigned char>(s[kJump]);
    const std::uint32_t bps = le::get16(s, kBpbBytesPerSector);
    const auto spc = static_cast<unsigned char>(s[kBpbSectorsPerCluster]);
    return (jump == 0xEB || jump == 0xE9) && (bps == 512 || bps == 1024 || bps == 2048 || bps == 4096) &&
           isPowerOfTwo(spc) && le::get16(s, kBpbReservedSectors) >= 1 &&
           static_cast<unsigned char>(s[kBpbFatCount]) >= 1;
}

BootParameters bootParametersOf(std::string_view s) {
    BootParameters p;
    p.sectorBytes = le::get16(s, kBpbBytesPerSector);
    p.sectorsPerCluster = static_cast<unsigned char>(s[kBpbSectorsPerCluster]);
    p.reservedSectors = le::get16(s, kBpbReservedSectors);
    p.fatCount = static_cast<unsigned char>(s[kBpbFatCount]);
    p.rootEntries = le::get16(s, kBpbRootEntries);
    p.totalSectors = le::get16(s, kBpbTotalSectors16) ? le::get16(s, kBpbTotalSectors16)
                                                      : le::get32(s, kBpbTotalSectors32);
    p.fatSectors =
        le::get16(s, kBpbFatSectors16) ? le::get16(s, kBpbFatSectors16) : le::get32(s, kBpbFatSectors32);
    p.rootCluster = le::get32(s, kBpbRootCluster);
    p.fsInfoSector = le::get16(s, kBpbFsInfoSector);
    return p;
}

namespace {

// The first sector of the first FAT partition in a partition table; 0 when there is none.
std::uint32_t firstFatPartition(std::string_view mbr) {
    for (std::size_t i = 0; i < kPartitionCount; ++i) {
        const std::size_t e = kPartitionTable + i * kPartitionEntrySize;
        const std::uint32_t first = le::get32(mbr, e + kPartitionFirstSector);
        if (isFatPartitionType(static_cast<unsigned char>(mbr[e + kPartitionType])) && first != 0)
            return first;
    }
    return 0;
}

} // namespace
} // namespace fat

std::string FatVolume::readAt(std::uint64_t offset, std::size_t size) const {
    std::string out(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error("磁盘映像 " + name_ + " 读不出来（错误号 " + std::to_string(errno) +
                        (errno == ENOTCONN || errno == EIO
                             ? "：为虚拟机容器提供内容的 qemu-storage-daemon 可能已经退出"
                             : std::string()) +
                        "），什么也没有改动");
        if (n == 0)
            damaged("映像文件比其中的分区短");
        done += static_cast<std::size_t>(n);
    }
    return out;
}

void FatVolume::damaged(const std::string& what) const {
    throw Error("磁盘映像 " + name_ + " 无法使用：" + what +
                "。请先在虚拟机里用 ScanDisk 检查驱动器 C:，本程序没有写入任何内容");
}

FatVolume::FatVolume(int fd, std::string displayName, FatCheck check)
    : fd_(fd), name_(std::move(displayName)), check_(check) {
    takeParameters(fat::bootParametersOf(findBootSector()));
    readFats(check == FatCheck::All);
    if (check == FatCheck::All) {
        checkFat();
        list(rootCluster_);
    }
}

std::string FatVolume::findBootSector() {
    std::string first;
    try {
        first = readAt(0, 512);
    } catch (const Error&) {
        throw Error("磁盘映像 " + name_ + " 不是 FAT 磁盘：文件太短");
    }
    if (fat::looksLikeBootSector(first))
        return first;
    if (le::get16(first, fat::kSignature) != fat::kSignatureValue)
        throw Error("磁盘映像 " + name_ + " 不是 FAT 磁盘：既没有分区表，也没有 FAT 引导扇区");
    const std::uint32_t partition = fat::firstFatPartition(first);
    if (partition == 0) {
        // A protective MBR's one entry, of type EE, stands for a GUID partition table.
        for (std::size_t i = 0; i < 4; ++i)
            if (static_cast<unsigned char>(first[0x1BE + 16 * i + 4]) == 0xEE)
                throw Error(
                    "磁盘映像 " + name_ +
                    " 用的是 GPT 分区表：Windows 98 只认 MBR 分区表，不能从这个磁盘启动，也不能打开它");
        throw Error("磁盘映像 " + name_ + " 不是 FAT 磁盘：分区表里没有 FAT16 或 FAT32 分区");
    }
    volumeStart_ = static_cast<std::uint64_t>(partition) * 512;
    std::string boot;
    try {
        boot = readAt(volumeStart_, 512);
    } catch (const Error&) {
        damaged("映像文件在分区开始之前就结束了");
    }
    if (!fat::looksLikeBootSector(boot))
        damaged("第一个 FAT 分区的引导扇区不是 FAT 引导扇区");
    return boot;
}

void FatVolume::takeParameters(const fat::BootParameters& p) {
    sectorBytes_ = p.sectorBytes;
    clusterBytes_ = sectorBytes_ * p.sectorsPerCluster;
    reservedSectors_ = p.reservedSectors;
    fatCount_ = p.fatCount;
    rootEntries_ = p.rootEntries;
    const std::uint32_t total = p.totalSectors;
    fatSectors_ = p.fatSectors;
    const std::uint32_t rootSectors = (rootEntries_ * 32 + sectorBytes_ - 1) / sectorBytes_;
    const std::uint64_t metaSectors =
        reservedSectors_ + static_cast<std::uint64_t>(fatCount_) * fatSectors_ + rootSectors;
    if (fatSectors_ == 0 || total <= metaSectors)
        damaged("引导扇区里的分区参数自相矛盾");
    clusterCount_ = static_cast<std::uint32_t>((total - metaSectors) / (clusterBytes_ / sectorBytes_));
    if (clusterCount_ < 4085)
        throw Error("磁盘映像 " + name_ +
                    " 是 FAT12 磁盘（软盘或很小的分区），Windows 98 的驱动器 C: 不会是这种格式");
    type_ = clusterCount_ < 65525 ? FatType::Fat16 : FatType::Fat32;
    if (type_ == FatType::Fat32) {
        if (rootEntries_ != 0)
            damaged("FAT32 分区的根目录参数不对");
        rootCluster_ = p.rootCluster;
        fsInfoSector_ = p.fsInfoSector;
    } else if (rootEntries_ == 0) {
        damaged("FAT16 分区没有根目录");
    }
    rootStart_ = (reservedSectors_ + static_cast<std::uint64_t>(fatCount_) * fatSectors_) * sectorBytes_;
    dataStart_ = rootStart_ + static_cast<std::uint64_t>(rootSectors) * sectorBytes_;
    const std::uint64_t fatBytes =
        static_cast<std::uint64_t>(clusterCount_ + 2) * (type_ == FatType::Fat32 ? 4 : 2);
    if (fatBytes > static_cast<std::uint64_t>(fatSectors_) * sectorBytes_)
        damaged("FAT 比分区的簇数所需的小");
    // The image must hold the whole volume: a cut image would lose what is written past its end.
    const std::uint64_t volumeEnd = volumeStart_ + static_cast<std::uint64_t>(total) * sectorBytes_;
    if (::lseek(fd_, 0, SEEK_END) < static_cast<off_t>(volumeEnd))
        damaged("映像文件比其中的分区短");
}

void FatVolume::readFats(bool compareCopies) {
    fatBytes_ = readAt(volumeStart_ + static_cast<std::uint64_t>(reservedSectors_) * sectorBytes_,
                       static_cast<std::size_t>(fatSectors_) * sectorBytes_);
    // The other copies a piece at a time: a 2 GB disk's FAT is megabytes.
    constexpr std::size_t kPiece = 64 * 1024;
    for (std::uint32_t i = 1; i < fatCount_ && compareCopies; ++i) {
        const std::uint64_t copy =
            volumeStart_ + (reservedSectors_ + static_cast<std::uint64_t>(i) * fatSectors_) * sectorBytes_;
        for (std::size_t at = 0; at < fatBytes_.size(); at += kPiece) {
            const std::size_t n = std::min(kPiece, fatBytes_.size() - at);
            if (fatBytes_.compare(at, n, readAt(copy + at, n)) != 0)
                damaged("两份 FAT 不一致");
        }
    }
}

std::uint64_t FatVolume::clusterOffset(std::uint32_t cluster) const {
    return volumeStart_ + dataStart_ + static_cast<std::uint64_t>(cluster - 2) * clusterBytes_;
}

std::string FatVolume::read(const FatEntry& file) const {
    return read(file.firstCluster, file.size);
}

std::string FatVolume::read(std::uint32_t firstCluster, std::uint32_t size) const {
    std::string out;
    out.reserve(size);
    const auto clusters = chain(firstCluster);
    if (clusters.size() != (static_cast<std::uint64_t>(size) + clusterBytes_ - 1) / clusterBytes_)
        damaged("文件的大小与它占的簇数不符，磁盘在本程序读它之后被改过");
    // Consecutive clusters come in with one read.
    for (std::size_t i = 0; i < clusters.size() && out.size() < size;) {
        std::size_t j = i + 1;
        while (j < clusters.size() && clusters[j] == clusters[j - 1] + 1)
            ++j;
        const std::size_t take = std::min<std::size_t>((j - i) * clusterBytes_, size - out.size());
        out += readAt(clusterOffset(clusters[i]), take);
        i = j;
    }
    return out;
}

} // namespace w98::disk
