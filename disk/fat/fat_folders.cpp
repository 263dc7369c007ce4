// A FAT volume's folders: their entries as read, and the changes that place, alter and remove
// entries in them.
#include "fat_volume.h"

#include "fat_structures.h"

#include "base/error.h"
#include "base/little_endian.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace w98::disk {
namespace {

using le::get16;
using le::get32;
using le::put16;
using le::put32;
using namespace fat;

constexpr std::size_t kSlot = kEntrySize;

} // namespace

const FatVolume::Directory& FatVolume::directory(std::uint32_t first) const {
    auto it = directories_.find(first);
    if (it != directories_.end())
        return it->second;
    Directory d;
    if (first == 0) {
        d.bytes = readAt(volumeStart_ + rootStart_, static_cast<std::size_t>(rootEntries_) * kSlot);
    } else {
        d.clusters = chain(first);
        d.bytes.reserve(d.clusters.size() * clusterBytes_);
        for (std::uint32_t c : d.clusters)
            d.bytes += readAt(clusterOffset(c), clusterBytes_);
    }
    d.original = d.bytes;
    return directories_.emplace(first, std::move(d)).first->second;
}

FatVolume::Directory& FatVolume::directory(std::uint32_t first) {
    return const_cast<Directory&>(std::as_const(*this).directory(first));
}

FatEntry FatVolume::entryAt(std::uint32_t dir, std::size_t firstSlot, std::size_t shortSlot) const {
    const std::string& b = directory(dir).bytes;
    const auto* raw = reinterpret_cast<const unsigned char*>(b.data() + shortSlot * kSlot);
    FatEntry e;
    e.shortName = unpackShortName(raw);
    const std::size_t at = shortSlot * kSlot;
    e.attributes = raw[kEntryAttributes];
    e.firstCluster = get16(b, at + kEntryClusterLow) |
                     (type_ == FatType::Fat32 ? get16(b, at + kEntryClusterHigh) << 16 : 0);
    e.size = get32(b, at + kEntryFileSize);
    e.written = get16(b, at + kEntryWrittenDate) << 16 | get16(b, at + kEntryWrittenTime);
    e.directory = dir;
    e.firstSlot = firstSlot;
    e.slots = shortSlot - firstSlot + 1;
    e.name = e.shortName;
    if (e.slots > 1) {
        std::u16string name;
        for (std::size_t s = shortSlot; s-- > firstSlot;) {
            for (std::size_t off : kLongCharacters) {
                const auto c = static_cast<char16_t>(get16(b, s * kSlot + off));
                if (c == 0)
                    break;
                name.push_back(c);
            }
            if (name.size() % 13 != 0)
                break;
        }
        e.name = utf8Of(name);
    }
    return e;
}

std::vector<FatEntry> FatVolume::list(std::uint32_t dir) const {
    std::vector<FatEntry> out = entriesOf(dir);
    Directory& d = directories_.at(dir);
    if (!d.checked && check_ != FatCheck::None) {
        checkDirectory(dir, out);
        d.checked = true;
    }
    return out;
}

std::vector<FatEntry> FatVolume::entriesOf(std::uint32_t dir) const {
    const std::string& b = directory(dir).bytes;
    std::vector<FatEntry> out;
    const std::size_t slots = b.size() / kSlot;
    // Long-name pieces count down to 1 and carry the short entry's checksum; a run that breaks
    // off is ignored, as Windows ignores it (what a program without long names left behind).
    std::size_t runStart = 0;
    int expect = 0;
    std::uint8_t sum = 0;
    for (std::size_t s = 0; s < slots; ++s) {
        const auto* raw = reinterpret_cast<const unsigned char*>(b.data() + s * kSlot);
        if (raw[kEntryName] == kEntryEnd)
            break;
        if (raw[kEntryName] == kEntryDeleted) {
            expect = 0;
            continue;
        }
        if (raw[kEntryAttributes] == kAttributeLongName) {
            if (raw[kLongOrder] & kLongLastPiece) {
                runStart = s;
                expect = raw[kLongOrder] & kLongOrderMask;
                sum = raw[kLongChecksum];
            } else if (expect <= 1 || (raw[kLongOrder] & kLongOrderMask) != expect - 1 ||
                       raw[kLongChecksum] != sum) {
                expect = 0;
                continue;
            } else {
                expect = raw[kLongOrder] & kLongOrderMask;
            }
            continue;
        }
        const bool withLongName = expect == 1 && shortNameChecksum(raw) == sum;
        expect = 0;
        if ((raw[kEntryAttributes] & kAttributeVolumeLabel) != 0 || raw[kEntryName] == '.')
            continue;
        out.push_back(entryAt(dir, withLongName ? runStart : s, s));
    }
    return out;
}

std::size_t FatVolume::freeSlots(std::uint32_t dir, std::size_t count) {
    Directory& d = directory(dir);
    // Everything from the first slot that starts with 0 is past the folder's end, whatever it
    // holds. A slot emptied by this change stays empty: until the change is whole, the entry it
    // held may still be what the disk shows there.
    const auto endOf = [](const std::string& bytes) {
        std::size_t s = 0;
        while (s * kSlot < bytes.size() && bytes[s * kSlot] != '\0')
            ++s;
        return s;
    };
    const std::size_t endNow = endOf(d.bytes);
    const std::size_t endBefore = endOf(d.original);
    const auto isFree = [&](std::size_t s) {
        const auto deleted = static_cast<char>(kEntryDeleted);
        return (s >= endNow || d.bytes[s * kSlot] == deleted) &&
               (s >= endBefore || d.original[s * kSlot] == deleted);
    };
    std::size_t run = 0;
    const std::size_t slots = d.bytes.size() / kSlot;
    for (std::size_t s = 0; s < slots; ++s) {
        run = isFree(s) ? run + 1 : 0;
        if (run == count) {
            // Placed across the end: the slot after it ends the folder now.
            if (s + 1 > endNow && s + 1 < slots)
                std::memset(d.bytes.data() + (s + 1) * kSlot, 0, kSlot);
            return s + 1 - count;
        }
    }
    if (dir == 0)
        throw Error("磁盘映像 " + name_ + " 的根文件夹已满（FAT16 的根文件夹最多 " +
                    std::to_string(rootEntries_) + " 项）");
    const std::uint32_t added = allocate(1).front();
    // The entry goes wholly into the new cluster, so that no entry is half in a cluster the
    // folder's chain does not reach yet; the end mark before it becomes empty slots.
    for (std::size_t s = endNow; s < slots; ++s)
        d.bytes[s * kSlot] = static_cast<char>(kEntryDeleted);
    setNext(d.clusters.back(), added);
    d.clusters.push_back(added);
    d.bytes.resize(d.bytes.size() + clusterBytes_, '\0');
    d.dirty = true;
    if (count > clusterBytes_ / kSlot)
        throw Error("磁盘映像 " + name_ + " 的簇太小，放不下这个长文件名");
    return slots;
}

FatEntry FatVolume::place(std::uint32_t dir, std::string_view name, std::string_view shortName,
                          RawEntry shortEntry) {
    const auto packed = packShortName(shortName);
    std::copy(packed.begin(), packed.end(), shortEntry.begin());
    for (const FatEntry& e : list(dir))
        if (e.shortName == shortName)
            throw Error("磁盘映像 " + name_ + " 的文件夹里已有短文件名 " + std::string(shortName));
    std::vector<RawEntry> entries;
    if (needsLongName(name, shortName))
        entries = longNameEntries(name, shortNameChecksum(packed.data()));
    entries.push_back(shortEntry);
    const std::size_t at = freeSlots(dir, entries.size());
    Directory& d = directory(dir);
    for (std::size_t i = 0; i < entries.size(); ++i)
        std::memcpy(d.bytes.data() + (at + i) * kSlot, entries[i].data(), kSlot);
    d.dirty = true;
    return entryAt(dir, at, at + entries.size() - 1);
}

namespace {

RawEntry shortEntryOf(std::uint8_t attributes, std::uint32_t written, std::uint32_t firstCluster,
                      std::uint32_t size) {
    RawEntry e{};
    e[kEntryAttributes] = attributes;
    std::string b(kEntrySize, '\0');
    put16(b, kEntryCreatedTime, written & 0xFFFF);
    put16(b, kEntryCreatedDate, written >> 16);
    put16(b, kEntryAccessDate, written >> 16);
    put16(b, kEntryClusterHigh, firstCluster >> 16);
    put16(b, kEntryWrittenTime, written & 0xFFFF);
    put16(b, kEntryWrittenDate, written >> 16);
    put16(b, kEntryClusterLow, firstCluster & 0xFFFF);
    put32(b, kEntryFileSize, size);
    for (std::size_t i = kEntryAttributes + 1; i < kEntrySize; ++i)
        e[i] = static_cast<unsigned char>(b[i]);
    return e;
}

} // namespace

FatEntry FatVolume::create(std::uint32_t dir, std::string_view name, std::string_view shortName,
                           std::uint8_t attributes, std::uint32_t written, std::string_view content) {
    if (content.size() > 0xFFFFFFFFull)
        throw Error("文件 " + std::string(name) + " 超过 4 GB，FAT 放不下");
    const std::uint32_t first = writeData(content);
    return place(dir, name, shortName,
                 shortEntryOf(static_cast<std::uint8_t>(attributes & ~kAttributeDirectory), written, first,
                              static_cast<std::uint32_t>(content.size())));
}

FatEntry FatVolume::createDirectory(std::uint32_t dir, std::string_view name, std::string_view shortName,
                                    std::uint8_t attributes, std::uint32_t written) {
    const std::uint32_t first = allocate(1).front();
    Directory d;
    d.clusters = {first};
    d.bytes.assign(clusterBytes_, '\0');
    d.dirty = true;
    // "." and ".." lead every folder but the root; ".." of a folder in the root is cluster 0.
    RawEntry dot = shortEntryOf(kAttributeDirectory, written, first, 0);
    RawEntry dotdot = shortEntryOf(kAttributeDirectory, written, dir == rootCluster_ ? 0 : dir, 0);
    std::fill(dot.begin(), dot.begin() + 11, ' ');
    std::fill(dotdot.begin(), dotdot.begin() + 11, ' ');
    dot[0] = dotdot[0] = dotdot[1] = '.';
    std::memcpy(d.bytes.data(), dot.data(), kSlot);
    std::memcpy(d.bytes.data() + kSlot, dotdot.data(), kSlot);
    directories_[first] = std::move(d);
    return place(dir, name, shortName,
                 shortEntryOf((attributes | kAttributeDirectory) & 0x3F, written, first, 0));
}

FatEntry FatVolume::replace(const FatEntry& file, std::string_view content, std::uint8_t attributes,
                            std::uint32_t written) {
    proveOwnChain(file.firstCluster);
    const std::uint32_t first = writeData(content);
    freeChain(file.firstCluster);
    Directory& d = directory(file.directory);
    const std::size_t at = (file.firstSlot + file.slots - 1) * kSlot;
    put16(d.bytes, at + kEntryClusterHigh, first >> 16);
    put16(d.bytes, at + kEntryClusterLow, first & 0xFFFF);
    put32(d.bytes, at + kEntryFileSize, static_cast<std::uint32_t>(content.size()));
    d.dirty = true;
    return setInfo(entryAt(file.directory, file.firstSlot, file.firstSlot + file.slots - 1), attributes,
                   written);
}

FatEntry FatVolume::setInfo(const FatEntry& entry, std::uint8_t attributes, std::uint32_t written) {
    Directory& d = directory(entry.directory);
    const std::size_t at = (entry.firstSlot + entry.slots - 1) * kSlot;
    d.bytes[at + kEntryAttributes] =
        static_cast<char>((attributes & ~kAttributeDirectory) | (entry.attributes & kAttributeDirectory));
    put16(d.bytes, at + kEntryAccessDate, written >> 16);
    put16(d.bytes, at + kEntryWrittenTime, written & 0xFFFF);
    put16(d.bytes, at + kEntryWrittenDate, written >> 16);
    d.dirty = true;
    return entryAt(entry.directory, entry.firstSlot, entry.firstSlot + entry.slots - 1);
}

void FatVolume::remove(const FatEntry& entry) {
    proveOwnChain(entry.firstCluster);
    Directory& d = directory(entry.directory);
    for (std::size_t s = entry.firstSlot; s < entry.firstSlot + entry.slots; ++s)
        d.bytes[s * kSlot] = static_cast<char>(kEntryDeleted);
    d.dirty = true;
    freeChain(entry.firstCluster);
    if (entry.isDirectory())
        directories_.erase(entry.firstCluster);
}

} // namespace w98::disk
