#pragma once
// Where things sit in the sectors of a FAT disk, shared by the reader (FatVolume) and FORMAT
// (formatDiskImage): the partition table of the disk's first sector, the boot sector with its
// BIOS parameter block (BPB), FAT32's FSInfo sector and a 32-byte folder entry. Offsets count
// from the start of the structure named; every number is little-endian.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace w98::disk::fat {

// The last two bytes of the partition table's sector, of a boot sector and of FAT32's third
// boot sector: 55h AAh.
inline constexpr std::size_t kSignature = 510;
inline constexpr std::uint16_t kSignatureValue = 0xAA55;

// Master boot record: boot code, then four 16-byte partition entries from 1BEh.
inline constexpr std::size_t kPartitionTable = 0x1BE;
inline constexpr std::size_t kPartitionEntrySize = 16;
inline constexpr std::size_t kPartitionCount = 4;
inline constexpr std::size_t kPartitionStatus = 0;      // 80h: the active partition
inline constexpr std::size_t kPartitionFirstChs = 1;    // 3 bytes: head, sector, cylinder
inline constexpr std::size_t kPartitionType = 4;        // 04h/06h/0Eh FAT16, 0Bh/0Ch FAT32
inline constexpr std::size_t kPartitionLastChs = 5;     // 3 bytes
inline constexpr std::size_t kPartitionFirstSector = 8; // u32, from the disk's first sector
inline constexpr std::size_t kPartitionSectors = 12;    // u32

// Boot sector: a jump over the BPB (EBh xx 90h, or E9h xx xx), the OEM name, the BPB.
inline constexpr std::size_t kJump = 0;
inline constexpr std::size_t kOemName = 3;                 // 8 bytes, "MSWIN4.1"
inline constexpr std::size_t kBpbBytesPerSector = 0x0B;    // u16: 512, 1024, 2048 or 4096
inline constexpr std::size_t kBpbSectorsPerCluster = 0x0D; // u8, a power of two
inline constexpr std::size_t kBpbReservedSectors = 0x0E;   // u16, the boot sector's included
inline constexpr std::size_t kBpbFatCount = 0x10;          // u8
inline constexpr std::size_t kBpbRootEntries = 0x11;       // u16, FAT16's fixed root; 0 on FAT32
inline constexpr std::size_t kBpbTotalSectors16 = 0x13;    // u16, 0 when the count needs 32 bits
inline constexpr std::size_t kBpbMedia = 0x15;             // u8, F8h for a hard disk
inline constexpr std::size_t kBpbFatSectors16 = 0x16;      // u16, of each FAT; 0 on FAT32
inline constexpr std::size_t kBpbSectorsPerTrack = 0x18;   // u16
inline constexpr std::size_t kBpbHeads = 0x1A;             // u16
inline constexpr std::size_t kBpbHiddenSectors = 0x1C;     // u32, the sectors before the volume
inline constexpr std::size_t kBpbTotalSectors32 = 0x20;    // u32
// FAT32 only.
inline constexpr std::size_t kBpbFatSectors32 = 0x24;     // u32
inline constexpr std::size_t kBpbRootCluster = 0x2C;      // u32, the root folder's first cluster
inline constexpr std::size_t kBpbFsInfoSector = 0x30;     // u16, from the volume's first sector
inline constexpr std::size_t kBpbBackupBootSector = 0x32; // u16
// The extended BPB follows at 24h on FAT16 and at 40h on FAT32; offsets from there.
inline constexpr std::size_t kFat16Extended = 0x24;
inline constexpr std::size_t kFat32Extended = 0x40;
inline constexpr std::size_t kExtDriveNumber = 0; // u8, 80h for the first hard disk
inline constexpr std::size_t kExtSignature = 2;   // u8, 29h: the three fields after it are there
inline constexpr std::size_t kExtSerial = 3;      // u32
inline constexpr std::size_t kExtLabel = 7;       // 11 bytes, blank padded
inline constexpr std::size_t kExtTypeName = 18;   // 8 bytes, "FAT16   " or "FAT32   "
inline constexpr std::size_t kExtBootCode = 26;

// FAT32's FSInfo sector: what the driver last knew of the free space, between signatures.
inline constexpr std::size_t kFsInfoLeadSignature = 0;
inline constexpr std::size_t kFsInfoSignature = 0x1E4;
inline constexpr std::size_t kFsInfoFreeCount = 0x1E8; // u32 clusters, FFFFFFFFh: unknown
inline constexpr std::size_t kFsInfoNextFree = 0x1EC;  // u32, where to look for a free cluster
inline constexpr std::size_t kFsInfoTrailSignature = 0x1FC;
inline constexpr std::uint32_t kFsInfoLeadValue = 0x41615252;  // "RRaA"
inline constexpr std::uint32_t kFsInfoValue = 0x61417272;      // "rrAa"
inline constexpr std::uint32_t kFsInfoTrailValue = 0xAA550000; // 00h 00h 55h AAh
inline constexpr std::uint32_t kFsInfoUnknown = 0xFFFFFFFF;

// FAT entries: 0 a free cluster, from FFF8h (FAT16) or 0FFFFFF8h (FAT32) the end of a chain,
// one below it a bad cluster. FAT32 uses the low 28 bits and keeps the top four as they are.
inline constexpr std::uint32_t kFat32Mask = 0x0FFFFFFF;

// Folder entry, 32 bytes: the short entry, or a piece of a long name before it.
inline constexpr std::size_t kEntrySize = 32;
inline constexpr std::size_t kEntryName = 0;         // 11 bytes, "NAME    EXT"
inline constexpr std::size_t kEntryAttributes = 11;  // u8
inline constexpr std::size_t kEntryCreatedTime = 14; // u16 MS-DOS time, then the date at 16
inline constexpr std::size_t kEntryCreatedDate = 16;
inline constexpr std::size_t kEntryAccessDate = 18;  // u16 MS-DOS date
inline constexpr std::size_t kEntryClusterHigh = 20; // u16, FAT32 only
inline constexpr std::size_t kEntryWrittenTime = 22; // u16 MS-DOS time
inline constexpr std::size_t kEntryWrittenDate = 24; // u16 MS-DOS date
inline constexpr std::size_t kEntryClusterLow = 26;  // u16
inline constexpr std::size_t kEntryFileSize = 28;    // u32, 0 for a folder
inline constexpr unsigned char kEntryEnd = 0x00;     // first name byte: no entry from here on
inline constexpr unsigned char kEntryDeleted = 0xE5; // first name byte: a free slot
inline constexpr std::uint8_t kAttributeVolumeLabel = 0x08;
inline constexpr std::uint8_t kAttributeDirectory = 0x10;
inline constexpr std::uint8_t kAttributeLongName = 0x0F; // read-only, hidden, system and label
// A piece of a long name: its number (40h on the last piece, which stands first), 13 UTF-16
// characters in three runs, the short entry's checksum.
inline constexpr std::size_t kLongOrder = 0;
inline constexpr unsigned char kLongLastPiece = 0x40;
inline constexpr unsigned char kLongOrderMask = 0x1F;
inline constexpr std::size_t kLongChecksum = 13;
inline constexpr std::size_t kLongCharacters[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

// The BPB as read: the fields a volume is found by, each count taken from whichever of its two
// fields holds it.
struct BootParameters {
    std::uint32_t sectorBytes = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t fatCount = 0;
    std::uint32_t rootEntries = 0;
    std::uint32_t totalSectors = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t rootCluster = 0;  // FAT32
    std::uint32_t fsInfoSector = 0; // FAT32
};

// A sector whose BPB a FAT volume could have: the jump, a sector size FAT knows, at least one
// reserved sector and one FAT, the signature.
bool looksLikeBootSector(std::string_view sector);
// The BPB of a sector that looks like a boot sector.
BootParameters bootParametersOf(std::string_view sector);

} // namespace w98::disk::fat
