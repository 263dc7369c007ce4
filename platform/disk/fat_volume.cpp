#include "fat_volume.h"

#include "platform/error.h"
#include "platform/ini_file.h"
#include "platform/little_endian.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace w98::disk {
namespace {

using le::get16;
using le::get32;
using le::put16;
using le::put32;

constexpr std::size_t kSlot = 32;
constexpr std::uint8_t kLongName = 0x0F;
constexpr std::uint8_t kVolumeLabel = 0x08;
constexpr std::uint8_t kDirectoryBit = 0x10;

bool isPowerOfTwo(std::uint32_t v) {
    return v && !(v & (v - 1));
}

// A boot sector whose parameter block a FAT volume could have.
bool looksLikeBootSector(const std::string& s) {
    if (s.size() < 512 || get16(s, 510) != 0xAA55)
        return false;
    const auto jump = static_cast<unsigned char>(s[0]);
    const std::uint32_t bps = get16(s, 11);
    const auto spc = static_cast<unsigned char>(s[13]);
    return (jump == 0xEB || jump == 0xE9) && (bps == 512 || bps == 1024 || bps == 2048 || bps == 4096) &&
           isPowerOfTwo(spc) && get16(s, 14) >= 1 && static_cast<unsigned char>(s[16]) >= 1;
}

bool isFatPartitionType(unsigned char t) {
    return t == 0x04 || t == 0x06 || t == 0x0E || t == 0x0B || t == 0x0C || t == 0x01;
}

} // namespace

std::string FatVolume::readAt(std::uint64_t offset, std::size_t size) const {
    std::string out(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw IoError(io_text::kReadError, name_);
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
    const bool checkFat = check == FatCheck::All;
    std::string first;
    try {
        first = readAt(0, 512);
    } catch (const Error&) {
        throw Error("磁盘映像 " + name_ + " 不是 FAT 磁盘：文件太短");
    }
    std::string boot = first;
    if (!looksLikeBootSector(first)) {
        if (get16(first, 510) != 0xAA55)
            throw Error("磁盘映像 " + name_ + " 不是 FAT 磁盘：既没有分区表，也没有 FAT 引导扇区");
        bool found = false;
        for (int i = 0; i < 4 && !found; ++i) {
            const std::size_t e = 446 + static_cast<std::size_t>(i) * 16;
            if (isFatPartitionType(static_cast<unsigned char>(first[e + 4])) && get32(first, e + 8) != 0) {
                volumeStart_ = static_cast<std::uint64_t>(get32(first, e + 8)) * 512;
                found = true;
            }
        }
        if (!found)
            throw Error("磁盘映像 " + name_ + " 不是 FAT 磁盘：分区表里没有 FAT16 或 FAT32 分区");
        try {
            boot = readAt(volumeStart_, 512);
        } catch (const Error&) {
            damaged("映像文件在分区开始之前就结束了");
        }
        if (!looksLikeBootSector(boot))
            damaged("第一个 FAT 分区的引导扇区不是 FAT 引导扇区");
    }
    sectorBytes_ = get16(boot, 11);
    clusterBytes_ = sectorBytes_ * static_cast<unsigned char>(boot[13]);
    reservedSectors_ = get16(boot, 14);
    fatCount_ = static_cast<unsigned char>(boot[16]);
    rootEntries_ = get16(boot, 17);
    const std::uint32_t total = get16(boot, 19) ? get16(boot, 19) : get32(boot, 32);
    fatSectors_ = get16(boot, 22) ? get16(boot, 22) : get32(boot, 36);
    const std::uint32_t rootSectors = (rootEntries_ * 32 + sectorBytes_ - 1) / sectorBytes_;
    const std::uint64_t metaSectors =
        reservedSectors_ + static_cast<std::uint64_t>(fatCount_) * fatSectors_ + rootSectors;
    if (fatSectors_ == 0 || total <= metaSectors)
        damaged("引导扇区里的分区参数自相矛盾");
    clusterCount_ = static_cast<std::uint32_t>((total - metaSectors) / (clusterBytes_ / sectorBytes_));
    if (clusterCount_ < 4085)
        throw Error("磁盘映像 " + name_ +
                    " 是 FAT12 磁盘（软盘或很小的分区），Windows 98 的驱动器 C: 不会是这种格式");
    bits_ = clusterCount_ < 65525 ? FatBits::Fat16 : FatBits::Fat32;
    if (bits_ == FatBits::Fat32) {
        if (rootEntries_ != 0)
            damaged("FAT32 分区的根目录参数不对");
        rootCluster_ = get32(boot, 44);
        fsInfoSector_ = get16(boot, 48);
    } else if (rootEntries_ == 0) {
        damaged("FAT16 分区没有根目录");
    }
    rootStart_ = (reservedSectors_ + static_cast<std::uint64_t>(fatCount_) * fatSectors_) * sectorBytes_;
    dataStart_ = rootStart_ + static_cast<std::uint64_t>(rootSectors) * sectorBytes_;
    const std::uint64_t fatBytes =
        static_cast<std::uint64_t>(clusterCount_ + 2) * (bits_ == FatBits::Fat32 ? 4 : 2);
    if (fatBytes > static_cast<std::uint64_t>(fatSectors_) * sectorBytes_)
        damaged("FAT 比分区的簇数所需的小");
    // The image must hold the whole volume: a cut image would lose what is written past its end.
    const std::uint64_t volumeEnd = volumeStart_ + static_cast<std::uint64_t>(total) * sectorBytes_;
    if (::lseek(fd_, 0, SEEK_END) < static_cast<off_t>(volumeEnd))
        damaged("映像文件比其中的分区短");
    fatBytes_ = readAt(volumeStart_ + static_cast<std::uint64_t>(reservedSectors_) * sectorBytes_,
                       static_cast<std::size_t>(fatSectors_) * sectorBytes_);
    // The other copies a piece at a time: a 2 GB disk's FAT is megabytes.
    constexpr std::size_t kPiece = 64 * 1024;
    for (std::uint32_t i = 1; i < fatCount_ && checkFat; ++i) {
        const std::uint64_t copy =
            volumeStart_ + (reservedSectors_ + static_cast<std::uint64_t>(i) * fatSectors_) * sectorBytes_;
        for (std::size_t at = 0; at < fatBytes_.size(); at += kPiece) {
            const std::size_t n = std::min(kPiece, fatBytes_.size() - at);
            if (fatBytes_.compare(at, n, readAt(copy + at, n)) != 0)
                damaged("两份 FAT 不一致");
        }
    }
    if (checkFat) {
        this->checkFat();
        list(rootCluster_);
    }
}

std::uint64_t FatVolume::clusterOffset(std::uint32_t cluster) const {
    return volumeStart_ + dataStart_ + static_cast<std::uint64_t>(cluster - 2) * clusterBytes_;
}

bool FatVolume::isEnd(std::uint32_t value) const {
    return bits_ == FatBits::Fat32 ? value >= 0x0FFFFFF8 : value >= 0xFFF8;
}

void FatVolume::setNext(std::uint32_t cluster, std::uint32_t value) {
    changedFrom_.try_emplace(cluster, rawEntry(cluster));
    if (bits_ == FatBits::Fat32) {
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
    e.attributes = raw[11];
    e.firstCluster = get16(b, shortSlot * kSlot + 26) |
                     (bits_ == FatBits::Fat32 ? get16(b, shortSlot * kSlot + 20) << 16 : 0);
    e.size = get32(b, shortSlot * kSlot + 28);
    e.written = get16(b, shortSlot * kSlot + 24) << 16 | get16(b, shortSlot * kSlot + 22);
    e.directory = dir;
    e.firstSlot = firstSlot;
    e.slots = shortSlot - firstSlot + 1;
    e.name = e.shortName;
    if (e.slots > 1) {
        std::u16string name;
        for (std::size_t s = shortSlot; s-- > firstSlot;) {
            static constexpr int kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
            for (int off : kOffsets) {
                const auto c = static_cast<char16_t>(get16(b, s * kSlot + static_cast<std::size_t>(off)));
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
        if (raw[0] == 0x00)
            break;
        if (raw[0] == 0xE5) {
            expect = 0;
            continue;
        }
        if (raw[11] == kLongName) {
            if (raw[0] & 0x40) {
                runStart = s;
                expect = raw[0] & 0x1F;
                sum = raw[13];
            } else if (expect <= 1 || (raw[0] & 0x1F) != expect - 1 || raw[13] != sum) {
                expect = 0;
                continue;
            } else {
                expect = raw[0] & 0x1F;
            }
            continue;
        }
        const bool withLongName = expect == 1 && shortNameChecksum(raw) == sum;
        expect = 0;
        if ((raw[11] & kVolumeLabel) != 0 || raw[0] == '.')
            continue;
        out.push_back(entryAt(dir, withLongName ? runStart : s, s));
    }
    return out;
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
        setNext(out[i], i + 1 < out.size() ? out[i + 1] : (bits_ == FatBits::Fat32 ? 0x0FFFFFFF : 0xFFFF));
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
        const auto deleted = static_cast<char>(0xE5);
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
        d.bytes[s * kSlot] = static_cast<char>(0xE5);
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
    e[11] = attributes;
    std::string b(32, '\0');
    put16(b, 14, written & 0xFFFF); // created
    put16(b, 16, written >> 16);
    put16(b, 18, written >> 16); // last access (a date only)
    put16(b, 20, firstCluster >> 16);
    put16(b, 22, written & 0xFFFF);
    put16(b, 24, written >> 16);
    put16(b, 26, firstCluster & 0xFFFF);
    put32(b, 28, size);
    for (std::size_t i = 12; i < 32; ++i)
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
                 shortEntryOf(static_cast<std::uint8_t>(attributes & ~kDirectoryBit), written, first,
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
    RawEntry dot = shortEntryOf(kDirectoryBit, written, first, 0);
    RawEntry dotdot = shortEntryOf(kDirectoryBit, written, dir == rootCluster_ ? 0 : dir, 0);
    std::fill(dot.begin(), dot.begin() + 11, ' ');
    std::fill(dotdot.begin(), dotdot.begin() + 11, ' ');
    dot[0] = dotdot[0] = dotdot[1] = '.';
    std::memcpy(d.bytes.data(), dot.data(), kSlot);
    std::memcpy(d.bytes.data() + kSlot, dotdot.data(), kSlot);
    directories_[first] = std::move(d);
    return place(dir, name, shortName, shortEntryOf((attributes | kDirectoryBit) & 0x3F, written, first, 0));
}

FatEntry FatVolume::replace(const FatEntry& file, std::string_view content, std::uint8_t attributes,
                            std::uint32_t written) {
    const std::uint32_t first = writeData(content);
    freeChain(file.firstCluster);
    Directory& d = directory(file.directory);
    const std::size_t at = (file.firstSlot + file.slots - 1) * kSlot;
    put16(d.bytes, at + 20, first >> 16);
    put16(d.bytes, at + 26, first & 0xFFFF);
    put32(d.bytes, at + 28, static_cast<std::uint32_t>(content.size()));
    d.dirty = true;
    return setInfo(entryAt(file.directory, file.firstSlot, file.firstSlot + file.slots - 1), attributes,
                   written);
}

FatEntry FatVolume::setInfo(const FatEntry& entry, std::uint8_t attributes, std::uint32_t written) {
    Directory& d = directory(entry.directory);
    const std::size_t at = (entry.firstSlot + entry.slots - 1) * kSlot;
    d.bytes[at + 11] = static_cast<char>((attributes & ~kDirectoryBit) | (entry.attributes & kDirectoryBit));
    put16(d.bytes, at + 18, written >> 16);
    put16(d.bytes, at + 22, written & 0xFFFF);
    put16(d.bytes, at + 24, written >> 16);
    d.dirty = true;
    return entryAt(entry.directory, entry.firstSlot, entry.firstSlot + entry.slots - 1);
}

void FatVolume::remove(const FatEntry& entry) {
    Directory& d = directory(entry.directory);
    for (std::size_t s = entry.firstSlot; s < entry.firstSlot + entry.slots; ++s)
        d.bytes[s * kSlot] = static_cast<char>(0xE5);
    d.dirty = true;
    freeChain(entry.firstCluster);
    if (entry.isDirectory())
        directories_.erase(entry.firstCluster);
}

} // namespace w98::disk
