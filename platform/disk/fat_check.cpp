// What a FAT volume must be for this program to read and change it: checked once for the FATs
// when the image is new to the program, and for each folder when it is first read, so that the
// cost follows what is touched, not the size of the disk.
#include "fat_volume.h"

#include "platform/error.h"
#include "platform/text.h"

#include <algorithm>
#include <set>

namespace w98::disk {

void FatVolume::checkFat() {
    const std::uint32_t end = clusterCount_ + 2;
    const std::uint32_t bad = bits_ == FatBits::Fat32 ? 0x0FFFFFF7 : 0xFFF7;
    pointedAt_.assign(end, 0);
    for (std::uint32_t c = 2; c < end; ++c) {
        const std::uint32_t v = next(c);
        if (v == 0 || v >= bad)
            continue;
        if (v == 1 || v >= end)
            damaged("FAT 里簇 " + std::to_string(c) + " 指向分区以外");
        if (next(v) == 0)
            damaged("FAT 里簇 " + std::to_string(c) + " 的链连到了空簇");
        if (++pointedAt_[v] > 1)
            damaged("FAT 里簇 " + std::to_string(v) + " 被两条簇链共用");
    }
    // With no cluster pointed at twice, what no chain start reaches runs in a circle.
    std::vector<std::uint8_t> reached(end);
    for (std::uint32_t c = 2; c < end; ++c) {
        if (next(c) == 0 || pointedAt_[c] != 0)
            continue;
        for (std::uint32_t at = c; at >= 2 && at < end && !reached[at]; at = next(at))
            reached[at] = 1;
    }
    for (std::uint32_t c = 2; c < end; ++c)
        if (next(c) != 0 && !reached[c])
            damaged("FAT 里簇 " + std::to_string(c) + " 所在的簇链成环");
    if (bits_ == FatBits::Fat32 && (rootCluster_ < 2 || rootCluster_ >= end || next(rootCluster_) == 0))
        damaged("根目录的起始簇不在分区里");
}

void FatVolume::checkDirectory(std::uint32_t first, const std::vector<FatEntry>& entries) const {
    const std::uint32_t end = clusterCount_ + 2;
    if (pointedAt_.empty()) {
        // A program that trusts the FATs still needs to know where chains start.
        pointedAt_.assign(end, 0);
        for (std::uint32_t c = 2; c < end; ++c)
            if (const std::uint32_t v = next(c); v >= 2 && v < end && pointedAt_[v] < 255)
                ++pointedAt_[v];
    }
    if (claimed_.empty()) {
        claimed_.assign(end, false);
        if (rootCluster_ >= 2 && rootCluster_ < end)
            claimed_[rootCluster_] = true;
    }
    std::set<std::string> names, shortNames;
    for (const FatEntry& e : entries) {
        // A name Windows could not have made would reach outside the folder, or onto another
        // file, once the entry is copied out.
        if (e.name.empty() || e.name == "." || e.name == ".." ||
            e.name.find_first_of(std::string_view("/\\:*?\"<>|\0", 10)) != std::string::npos ||
            std::any_of(e.name.begin(), e.name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            damaged("文件夹里有不合规的文件名 " + e.name);
        if (!names.insert(foldAscii(e.name)).second || !shortNames.insert(e.shortName).second)
            damaged("文件夹里有两个同名的文件 " + e.name);
        if (e.firstCluster == 0) {
            if (e.isDirectory() || e.size != 0)
                damaged(e.name + " 的目录项没有起始簇");
            continue;
        }
        if (e.firstCluster == first)
            damaged(e.name + " 指向它所在的文件夹自己，文件夹成环");
        if (e.firstCluster < 2 || e.firstCluster >= end)
            damaged(e.name + " 的起始簇不在分区里");
        if (pointedAt_[e.firstCluster] != 0 || claimed_[e.firstCluster])
            damaged(e.name + " 的簇链与别的文件交叉或成环");
        claimed_[e.firstCluster] = true;
        std::uint64_t count = 0;
        for (std::uint32_t c = e.firstCluster;; c = next(c)) {
            if (c < 2 || c >= end || next(c) == 0)
                damaged(e.name + " 的簇链里有空簇或坏簇");
            if (++count > clusterCount_)
                damaged(e.name + " 的簇链与别的文件交叉或成环");
            if (isEnd(next(c)))
                break;
        }
        if (!e.isDirectory() &&
            count != (static_cast<std::uint64_t>(e.size) + clusterBytes_ - 1) / clusterBytes_)
            damaged(e.name + " 的大小与它占的簇数不符");
    }
}

} // namespace w98::disk
