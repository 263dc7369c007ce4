// The sector writes of a change, ordered so that the volume is sound whenever the writing stops
// (a power cut, a killed writer) even if nothing completes it afterwards: at worst it holds
// lost clusters or a second FAT behind the first, which ScanDisk mends; never a folder entry
// pointing at free space, a cluster in two files, or a file half old and half new.
#include "fat_volume.h"

#include "fat_structures.h"

#include "base/little_endian.h"

#include <optional>

namespace w98::disk {
namespace {

constexpr std::size_t kSlot = fat::kEntrySize;

bool inUse(unsigned char first) {
    return first != fat::kEntryEnd && first != fat::kEntryDeleted;
}

} // namespace

std::string FatVolume::fatSector(std::uint32_t sector) const {
    return fatBytes_.substr(static_cast<std::size_t>(sector) * sectorBytes_, sectorBytes_);
}

std::uint32_t FatVolume::rawEntry(std::uint32_t cluster) const {
    return type_ == FatType::Fat32 ? le::get32(fatBytes_, cluster * 4u) : le::get16(fatBytes_, cluster * 2u);
}

void FatVolume::setEntry(std::string& sector, std::uint32_t index, std::uint32_t raw) const {
    if (type_ == FatType::Fat32)
        le::put32(sector, index * 4u, raw);
    else
        le::put16(sector, index * 2u, raw);
}

void FatVolume::fatWrites(const std::map<std::uint32_t, std::string>& sectors,
                          std::vector<ImageWrite>& out) const {
    if (sectors.empty())
        return;
    // The first FAT whole before any other copy: a copy that lags behind is what ScanDisk mends.
    // Which copy reaches the disk first does not matter while no folder entry points at what
    // they change, so one barrier follows them all.
    for (std::uint32_t copy = 0; copy < fatCount_; ++copy)
        for (const auto& [sector, bytes] : sectors)
            out.push_back(
                {volumeStart_ + (reservedSectors_ + static_cast<std::uint64_t>(copy) * fatSectors_ + sector) *
                                    sectorBytes_,
                 bytes});
    out.back().barrier = true;
}

void FatVolume::directoryWrites(std::uint32_t first, const Directory& d, std::vector<ImageWrite>& data,
                                std::vector<ImageWrite>& removals, std::vector<ImageWrite>& additions) const {
    const auto sectorOffset = [&](std::size_t at) {
        if (first == 0)
            return volumeStart_ + rootStart_ + at;
        return clusterOffset(d.clusters[at / clusterBytes_]) + at % clusterBytes_;
    };
    for (std::size_t at = 0; at < d.bytes.size(); at += sectorBytes_) {
        const std::string now = d.bytes.substr(at, sectorBytes_);
        if (at >= d.original.size()) {
            // A cluster the folder grew by: unreachable until its chain is written.
            data.push_back({sectorOffset(at), now, false, true});
            continue;
        }
        const std::string before = d.original.substr(at, sectorBytes_);
        if (now == before)
            continue;
        // Slots that become used wait for the second pass; removals and changes of an entry in
        // place (a new size and chain, attributes) go first.
        std::string removed = now;
        bool adds = false;
        for (std::size_t s = 0; s + kSlot <= now.size(); s += kSlot)
            if (!inUse(static_cast<unsigned char>(before[s])) && inUse(static_cast<unsigned char>(now[s]))) {
                removed.replace(s, kSlot, before, s, kSlot);
                adds = true;
            }
        if (removed != before)
            removals.push_back({sectorOffset(at), removed});
        if (adds)
            additions.push_back({sectorOffset(at), now, true});
    }
}

std::vector<ImageWrite> FatVolume::writes() const {
    std::vector<ImageWrite> out;
    // A fresh folder's clusters and new file data.
    std::vector<ImageWrite> removals, additions;
    for (const auto& [first, d] : directories_) {
        if (!d.dirty)
            continue;
        std::vector<ImageWrite> folderAdditions;
        directoryWrites(first, d, out, removals, folderAdditions);
        // A long name's pieces stand before its short entry: the short entry first, so that an
        // entry is never pieces without their short entry.
        additions.insert(additions.end(), folderAdditions.rbegin(), folderAdditions.rend());
    }
    out.insert(out.end(), data_.begin(), data_.end());
    for (ImageWrite& w : out)
        w.fresh = true;
    if (!out.empty())
        out.back().barrier = true;
    // The FAT32 free-space count says "unknown" while the FATs change, as Windows reads it then
    // (it counts for itself): never a count that is wrong.
    std::optional<std::string> fsInfo;
    const std::uint64_t fsInfoAt = volumeStart_ + static_cast<std::uint64_t>(fsInfoSector_) * sectorBytes_;
    if (type_ == FatType::Fat32 && (fsInfoDirty_ || !freed_.empty()) && fsInfoSector_ != 0 &&
        fsInfoSector_ < reservedSectors_) {
        fsInfo = readAt(fsInfoAt, 512);
        if (le::get32(*fsInfo, fat::kFsInfoLeadSignature) == fat::kFsInfoLeadValue &&
            le::get32(*fsInfo, fat::kFsInfoSignature) == fat::kFsInfoValue) {
            std::string unknown = *fsInfo;
            le::put32(unknown, fat::kFsInfoFreeCount, fat::kFsInfoUnknown);
            out.push_back({fsInfoAt, std::move(unknown), true});
        } else {
            fsInfo.reset();
        }
    }
    // New chains before the links that take them into a chain the disk already has (a folder
    // growing): a chain never runs into a cluster the FAT still shows free.
    const std::uint32_t perSector = sectorBytes_ / (type_ == FatType::Fat32 ? 4 : 2);
    std::map<std::uint32_t, std::string> chainSectors, linkSectors, freedSectors;
    for (std::uint32_t sector : dirtyFatSectors_) {
        const std::string now = fatSector(sector);
        std::string before = now, chains = now;
        for (auto it = changedFrom_.lower_bound(sector * perSector);
             it != changedFrom_.end() && it->first < (sector + 1) * perSector; ++it) {
            setEntry(before, it->first % perSector, it->second);
            if ((it->second & fat::kFat32Mask) != 0)
                setEntry(chains, it->first % perSector, it->second);
        }
        if (chains != before)
            chainSectors[sector] = chains;
        if (chains != now)
            linkSectors[sector] = now;
    }
    fatWrites(chainSectors, out);
    fatWrites(linkSectors, out);
    out.insert(out.end(), removals.begin(), removals.end());
    if (!removals.empty())
        out.back().barrier = true;
    out.insert(out.end(), additions.begin(), additions.end());
    for (std::uint32_t c : freed_) {
        auto [at, fresh] = freedSectors.try_emplace(c / perSector);
        if (fresh)
            at->second = fatSector(c / perSector);
        // FAT32 keeps the top four bits of an entry as they are.
        setEntry(at->second, c % perSector, type_ == FatType::Fat32 ? rawEntry(c) & 0xF0000000 : 0);
    }
    fatWrites(freedSectors, out);
    if (fsInfo) {
        // The count the FATs now give, once they give it.
        le::put32(*fsInfo, fat::kFsInfoFreeCount, static_cast<std::uint32_t>(freeBytes() / clusterBytes_));
        le::put32(*fsInfo, fat::kFsInfoNextFree, nextFree_);
        out.push_back({fsInfoAt, *fsInfo});
    }
    return out;
}

} // namespace w98::disk
