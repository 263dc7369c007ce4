#pragma once
// Drive C: inside a disk image file: the first FAT16 or FAT32 partition of a disk with an MBR
// partition table, or a file that is one FAT volume. The volume is read and checked when it is
// opened; an image that is no FAT disk or whose FAT is damaged is refused before anything is
// written. Changes are made in memory and handed out as whole-sector writes, so that the
// caller can put them into the image as one step (see image_journal.h).
#include "fat_layout.h"
#include "fat_names.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace w98::disk {

namespace fat {
struct BootParameters;
} // namespace fat

// What a volume is checked for: All when the image is new to the program (the FATs at once,
// each folder when first listed), Folders when its FATs were checked before (each folder when
// first listed), None when the folders to be read were checked too.
enum class FatCheck { All, Folders, None };

struct FatEntry {
    std::string name;      // the long name, or the short name when there is none
    std::string shortName; // "NAME.EXT"
    std::uint8_t attributes = 0;
    std::uint32_t firstCluster = 0;
    std::uint32_t size = 0;
    std::uint32_t written = 0; // packed MS-DOS date-time of the last write
    // Where it stands: its directory (0 is FAT16's fixed root) and its slots there, the
    // long-name slots first.
    std::uint32_t directory = 0;
    std::size_t firstSlot = 0;
    std::size_t slots = 1;
    bool isDirectory() const { return (attributes & 0x10) != 0; }
};

struct ImageWrite {
    std::uint64_t offset = 0; // in the image file
    std::string bytes;
    // The writes up to here reach the disk before any that follows: the order that keeps the
    // volume sound after a power cut at any point.
    bool barrier = false;
    // Into clusters nothing points at yet: it needs no journal, only to be on the disk first.
    bool fresh = false;
};

class FatVolume {
  public:
    // Reads the volume of an open image file: its boot sector and FATs; folders are read when
    // first listed. Throws Error naming displayName when the file holds no FAT16/FAT32 volume
    // or, as far as checked, the FATs are damaged: copies that differ, chains leaving the
    // volume, running into free clusters, crossing or in a circle.
    FatVolume(int fd, std::string displayName, FatCheck check = FatCheck::All);

    FatType type() const { return type_; }
    std::uint32_t rootDirectory() const { return rootCluster_; } // 0 on FAT16
    std::uint32_t clusterBytes() const { return clusterBytes_; }
    std::uint64_t freeBytes() const;

    // A folder's entries. Throws Error when, as far as checked, they are damaged: names no folder could hold,
    // chains that do not start a chain of their own or whose length disagrees with the size.
    std::vector<FatEntry> list(std::uint32_t directory) const;
    std::string read(const FatEntry& file) const;
    // The content of a file known by its first cluster and size, as read when it was listed;
    // throws Error when the chain no longer fits the size.
    std::string read(std::uint32_t firstCluster, std::uint32_t size) const;

    // Changes, kept in memory until writes(). Each throws Error (the disk or the root folder
    // being full, a name FAT cannot hold) before it changes anything. Clusters a change frees
    // are not used again before the next opening: until then the old folder entry may still
    // point at them on the disk.
    FatEntry create(std::uint32_t directory, std::string_view name, std::string_view shortName,
                    std::uint8_t attributes, std::uint32_t written, std::string_view content);
    FatEntry createDirectory(std::uint32_t directory, std::string_view name, std::string_view shortName,
                             std::uint8_t attributes, std::uint32_t written);
    FatEntry replace(const FatEntry& file, std::string_view content, std::uint8_t attributes,
                     std::uint32_t written);
    FatEntry setInfo(const FatEntry& entry, std::uint8_t attributes, std::uint32_t written);
    void remove(const FatEntry& entry); // a file, or a folder already emptied

    // Every change since opening, sector by sector, in the order that keeps the volume sound
    // whenever the writing stops: new data and folder clusters, the chains that take them in
    // (first FAT, then the others), the folder entries (removals before additions, a long
    // name's short entry before its pieces), the chains freed, the FAT32 free-space record.
    std::vector<ImageWrite> writes() const;

  private:
    struct Directory {
        std::vector<std::uint32_t> clusters; // empty for the fixed root
        std::string bytes;
        std::string original; // as on the disk; its clusters are the first ones
        bool dirty = false;
        bool checked = false;
    };

    // Opening: the boot sector of the image or of its first FAT partition, the volume's
    // geometry from its BPB, the FATs.
    std::string findBootSector();
    void takeParameters(const fat::BootParameters& boot);
    void readFats(bool compareCopies);

    std::string readAt(std::uint64_t offset, std::size_t size) const;
    std::uint64_t clusterOffset(std::uint32_t cluster) const;
    std::uint32_t next(std::uint32_t cluster) const {
        const auto* at = reinterpret_cast<const unsigned char*>(fatBytes_.data());
        if (type_ == FatType::Fat32) {
            at += static_cast<std::size_t>(cluster) * 4;
            return (at[0] | static_cast<std::uint32_t>(at[1]) << 8 | static_cast<std::uint32_t>(at[2]) << 16 |
                    static_cast<std::uint32_t>(at[3]) << 24) &
                   0x0FFFFFFF;
        }
        at += static_cast<std::size_t>(cluster) * 2;
        return at[0] | static_cast<std::uint32_t>(at[1]) << 8;
    }
    bool isEnd(std::uint32_t value) const;
    void setNext(std::uint32_t cluster, std::uint32_t value);
    std::vector<std::uint32_t> chain(std::uint32_t first) const;
    std::vector<std::uint32_t> allocate(std::size_t count);
    void freeChain(std::uint32_t first);
    std::uint32_t writeData(std::string_view content);
    Directory& directory(std::uint32_t first);
    const Directory& directory(std::uint32_t first) const;
    void checkFat();
    void checkDirectory(std::uint32_t first, const std::vector<FatEntry>& entries) const;
    void countPredecessors() const;
    // Refuses as damage a chain that is not its entry's alone, before it is changed or freed.
    void proveOwnChain(std::uint32_t first) const;
    // The folders from this one up to the root (the root left out), by their ".." entries.
    std::set<std::uint32_t> foldersAbove(std::uint32_t first) const;
    std::size_t freeSlots(std::uint32_t dir, std::size_t count);
    FatEntry place(std::uint32_t dir, std::string_view name, std::string_view shortName, RawEntry shortEntry);
    FatEntry entryAt(std::uint32_t dir, std::size_t firstSlot, std::size_t shortSlot) const;
    std::vector<FatEntry> entriesOf(std::uint32_t dir) const;
    void directoryWrites(std::uint32_t first, const Directory& d, std::vector<ImageWrite>& data,
                         std::vector<ImageWrite>& removals, std::vector<ImageWrite>& additions) const;
    void fatWrites(const std::map<std::uint32_t, std::string>& sectors, std::vector<ImageWrite>& out) const;
    std::string fatSector(std::uint32_t sector) const;
    std::uint32_t rawEntry(std::uint32_t cluster) const;
    void setEntry(std::string& sector, std::uint32_t index, std::uint32_t raw) const;
    [[noreturn]] void damaged(const std::string& what) const;

    int fd_;
    std::string name_;
    FatCheck check_;
    FatType type_ = FatType::Fat16;
    std::uint64_t volumeStart_ = 0;
    std::uint32_t sectorBytes_ = 512;
    std::uint32_t clusterBytes_ = 0;
    std::uint32_t reservedSectors_ = 0;
    std::uint32_t fatCount_ = 0;
    std::uint32_t fatSectors_ = 0;
    std::uint32_t rootEntries_ = 0;
    std::uint64_t rootStart_ = 0; // FAT16 fixed root, from the volume start
    std::uint64_t dataStart_ = 0; // cluster 2, from the volume start
    std::uint32_t clusterCount_ = 0;
    std::uint32_t rootCluster_ = 0;
    std::uint32_t fsInfoSector_ = 0;
    std::string fatBytes_; // the first FAT as changed; every copy is written from it
    std::map<std::uint32_t, std::uint32_t> changedFrom_; // a changed entry's raw value as read
    std::set<std::uint32_t> dirtyFatSectors_;
    std::vector<std::uint32_t> freed_; // freed only once the folders no longer point at them
    std::uint32_t nextFree_ = 2;
    mutable std::map<std::uint32_t, Directory> directories_;
    // How often each cluster is pointed at by another's FAT entry: a chain's first cluster by none.
    mutable std::vector<std::uint8_t> pointedAt_;
    // First clusters of the entries of the folders listed so far: one claimed twice is a
    // cross-link, or a folder inside itself.
    mutable std::vector<bool> claimed_;
    // How many entries of the whole tree start at each cluster, read once, when a chain is
    // first let go: another program may have read the folder of a second entry.
    mutable std::vector<std::uint8_t> starts_;
    std::vector<ImageWrite> data_;
    bool fsInfoDirty_ = false;
};

} // namespace w98::disk
