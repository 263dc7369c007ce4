// Where a FAT volume's clusters go: the chains of the FAT, the free clusters handed out to new
// data, and the ones a change lets go of.
#include "fat_volume.h"

#include "base/error.h"
#include "base/little_endian.h"

#include <algorithm>

namespace w98::disk {

using le::get32;
using le::put16;
using le::put32;

bool FatVolume::isEnd(std::uint32_t value) const {
    return type_ == FatType::Fat32 ? value >= 0x0FFFFFF8 : value >= 0xFFF8;
}

void FatVolume::setNext(std::uint32_t cluster, std::uint32_t value) {
    changedFrom_.try_emplace(cluster, rawEntry(cluster));
    // What points where stays known for the folders still to be checked.
    if (!pointedAt_.empty()) {
        const std::uint32_t before = next(cluster), now = value & 0x0FFFFFFF;
        if (before >= 2 && before < pointedAt_.size() && pointedAt_[before] > 0 && pointedAt_[before] < 255)
            --pointedAt_[before];
        if (now >= 2 && now < pointedAt_.size() && pointedAt_[now] < 255)
            ++pointedAt_[now];
    }
    if (type_ == FatType::Fat32) {
        // The top four bits are reserved and kept as they are.
        put32(fatBytes_, cluster * 4u, (get32(fatBytes_, cluster * 4u) & 0xF0000000) | (value & 0x0FFFFFFF));
        dirtyFatSectors_.insert(cluster * 4u / sectorBytes_);
    } else {
        put16(fatBytes_, cluster * 2u, value);
        dirtyFatSectors_.insert(cluster * 2u / sectorBytes_);
    }
    fsInfoDirty_ = true;
}

std::vector<std::uint32_t> FatVolume::chain(std::uint32_t first) const {
    std::vector<std::uint32_t> out;
    for (std::uint32_t c = first; c >= 2 && c < clusterCount_ + 2 && !isEnd(c);) {
        out.push_back(c);
        if (out.size() > clusterCount_)
            break;
        c = next(c);
    }
    return out;
}

std::uint64_t FatVolume::freeBytes() const {
    std::uint64_t n = 0;
    for (std::uint32_t c = 2; c < clusterCount_ + 2; ++c)
        n += next(c) == 0;
    return (n + freed_.size()) * clusterBytes_;
}

std::vector<std::uint32_t> FatVolume::allocate(std::size_t count) {
    std::vector<std::uint32_t> out;
    if (nextFree_ < 2 || nextFree_ >= clusterCount_ + 2)
        nextFree_ = 2;
    for (std::uint32_t c = nextFree_; c < clusterCount_ + 2 && out.size() < count; ++c)
        if (next(c) == 0)
            out.push_back(c);
    for (std::uint32_t c = 2; c < nextFree_ && out.size() < count; ++c)
        if (next(c) == 0)
            out.push_back(c);
    if (out.size() < count)
        throw Error("磁盘映像 " + name_ + " 的驱动器 C: 已满：还需要 " +
                    std::to_string((count - out.size()) * clusterBytes_ / 1024) +
                    " KB。请先在虚拟机里腾出空间");
    for (std::size_t i = 0; i < out.size(); ++i)
        setNext(out[i], i + 1 < out.size() ? out[i + 1] : (type_ == FatType::Fat32 ? 0x0FFFFFFF : 0xFFFF));
    if (!out.empty())
        nextFree_ = out.back() + 1 < clusterCount_ + 2 ? out.back() + 1 : 2;
    return out;
}

void FatVolume::freeChain(std::uint32_t first) {
    for (std::uint32_t c : chain(first))
        freed_.push_back(c);
}

std::uint32_t FatVolume::writeData(std::string_view content) {
    if (content.empty())
        return 0;
    const auto clusters = allocate((content.size() + clusterBytes_ - 1) / clusterBytes_);
    for (std::size_t i = 0; i < clusters.size();) {
        // Consecutive clusters go out as one write.
        std::size_t j = i + 1;
        while (j < clusters.size() && clusters[j] == clusters[j - 1] + 1)
            ++j;
        const std::size_t from = i * clusterBytes_;
        std::string bytes(content.substr(from, std::min(content.size() - from, (j - i) * clusterBytes_)));
        bytes.resize((j - i) * clusterBytes_, '\0');
        data_.push_back({clusterOffset(clusters[i]), std::move(bytes)});
        i = j;
    }
    return clusters.front();
}

} // namespace w98::disk
