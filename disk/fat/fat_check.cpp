// What a FAT volume must be for this program to read and change it: checked once for the FATs
// when the image is new to the program, and for each folder when it is first read, so that the
// cost follows what is touched, not the size of the disk.
#include "fat_volume.h"

#include "fat_structures.h"

#include "base/error.h"
#include "base/little_endian.h"
#include "base/text.h"

#include <algorithm>
#include <set>

namespace w98::disk {

void FatVolume::checkFat() {
    const std::uint32_t end = clusterCount_ + 2;
    const std::uint32_t bad = type_ == FatType::Fat32 ? 0x0FFFFFF7 : 0xFFF7;
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
    if (type_ == FatType::Fat32 && (rootCluster_ < 2 || rootCluster_ >= end || next(rootCluster_) == 0))
        damaged("根目录的起始簇不在分区里");
}

// A program that trusts the FATs still needs to know where chains start and where two meet.
void FatVolume::countPredecessors() const {
    if (!pointedAt_.empty())
        return;
    const std::uint32_t end = clusterCount_ + 2;
    pointedAt_.assign(end, 0);
    for (std::uint32_t c = 2; c < end; ++c)
        if (const std::uint32_t v = next(c); v >= 2 && v < end && pointedAt_[v] < 255)
            ++pointedAt_[v];
}

void FatVolume::proveOwnChain(std::uint32_t first) const {
    const std::uint32_t end = clusterCount_ + 2;
    // A chain this program made is its own.
    if (first < 2 || first >= end || changedFrom_.count(first))
        return;
    countPredecessors();
    for (const std::uint32_t c : chain(first)) {
        if (pointedAt_[c] != (c == first ? 0 : 1))
            damaged("FAT 里簇 " + std::to_string(c) + " 被两条簇链共用");
        if (changedFrom_.count(c))
            break; // what follows, this program linked
    }
    if (starts_.empty()) {
        starts_.assign(end, 0);
        std::vector<std::uint32_t> folders = {rootCluster_};
        std::set<std::uint32_t> seen = {rootCluster_};
        while (!folders.empty()) {
            const std::uint32_t dir = folders.back();
            folders.pop_back();
            for (const FatEntry& e : entriesOf(dir)) {
                if (e.firstCluster < 2 || e.firstCluster >= end)
                    continue;
                if (starts_[e.firstCluster] < 255)
                    ++starts_[e.firstCluster];
                if (e.isDirectory() && seen.insert(e.firstCluster).second)
                    folders.push_back(e.firstCluster);
            }
        }
    }
    if (starts_[first] > 1)
        damaged("簇 " + std::to_string(first) + " 是两个文件的起始簇，它们的簇链交叉");
}

std::set<std::uint32_t> FatVolume::foldersAbove(std::uint32_t first) const {
    std::set<std::uint32_t> above;
    if (first == rootCluster_ || first == 0)
        return above;
    const std::uint32_t end = clusterCount_ + 2;
    // Up by "..", to the root (cluster 0 in "..", or the FAT32 root's own cluster).
    for (std::uint32_t at = first; above.insert(at).second;) {
        const std::string& b = directory(at).bytes;
        if (b.size() < 2 * fat::kEntrySize || b.compare(fat::kEntrySize, 2, "..") != 0)
            damaged("簇 " + std::to_string(at) + " 处的文件夹开头没有 \".\" 和 \"..\" 两项");
        const std::uint32_t parent =
            le::get16(b, fat::kEntrySize + fat::kEntryClusterLow) |
            (type_ == FatType::Fat32
                 ? std::uint32_t{le::get16(b, fat::kEntrySize + fat::kEntryClusterHigh)} << 16
                 : 0);
        if (parent == 0 || parent == rootCluster_)
            return above;
        if (parent < 2 || parent >= end)
            damaged("簇 " + std::to_string(at) + " 处的文件夹的上层文件夹不在分区里");
        at = parent;
    }
    damaged("簇 " + std::to_string(first) + " 处的文件夹的上层文件夹成环");
}

void FatVolume::checkDirectory(std::uint32_t first, const std::vector<FatEntry>& entries) const {
    const std::uint32_t end = clusterCount_ + 2;
    countPredecessors();
    if (claimed_.empty()) {
        claimed_.assign(end, false);
        if (rootCluster_ >= 2 && rootCluster_ < end)
            claimed_[rootCluster_] = true;
    }
    // Every folder but the root begins with "." (itself) and ".."; one without them was never
    // a folder, or was overwritten (read as zeros it would pass for empty, and be rewritten).
    if (first != rootCluster_ && first != 0) {
        const std::string& b = directory(first).bytes;
        const auto dotEntry = [&b](std::size_t slot, std::string_view name) {
            const std::size_t at = slot * fat::kEntrySize;
            return b.size() >= at + fat::kEntrySize && b.compare(at, 11, name) == 0 &&
                   (static_cast<unsigned char>(b[at + fat::kEntryAttributes]) & fat::kAttributeDirectory) !=
                       0;
        };
        if (!dotEntry(0, ".          ") || !dotEntry(1, "..         "))
            damaged("簇 " + std::to_string(first) + " 处的文件夹开头没有 \".\" 和 \"..\" 两项");
    }
    // What another program read is not known here, so what this folder is must be proved from
    // the whole FAT and from the folders above it, whatever was read before: its own chain
    // joined by no other, and no folder in it naming one above it.
    const std::set<std::uint32_t> above = foldersAbove(first);
    if (first != rootCluster_ && first != 0)
        for (const std::uint32_t c : directory(first).clusters)
            if (pointedAt_[c] != (c == first ? 0 : 1))
                damaged("簇 " + std::to_string(first) + " 处的文件夹的簇链与别的文件交叉");
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
        if (e.isDirectory() && above.count(e.firstCluster))
            damaged("文件夹 " + e.name + " 指回了它上层的文件夹，文件夹成环");
        if (pointedAt_[e.firstCluster] != 0 || claimed_[e.firstCluster])
            damaged(e.name + " 的簇链与别的文件交叉或成环");
        claimed_[e.firstCluster] = true;
        std::uint64_t count = 0;
        for (std::uint32_t c = e.firstCluster;; c = next(c)) {
            if (c < 2 || c >= end || next(c) == 0)
                damaged(e.name + " 的簇链里有空簇或坏簇");
            // Past its first, a cluster that two FAT entries point at joins two chains.
            if (++count > clusterCount_ || (c != e.firstCluster && pointedAt_[c] != 1))
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
