#pragma once
// Where Windows 98's FDISK and FORMAT put things on an empty disk: the partition, the cluster
// size, the FATs.
#include <cstdint>

namespace w98::disk {

enum class FatType { Fat16, Fat32 };

namespace layout {
inline constexpr std::uint32_t kSectorBytes = 512;
inline constexpr std::uint32_t kHeads = 255;
inline constexpr std::uint32_t kSectorsPerTrack = 63;
inline constexpr std::uint32_t kCylinderSectors = kHeads * kSectorsPerTrack;
inline constexpr std::uint32_t kPartitionStart = kSectorsPerTrack; // track 0 belongs to the MBR
inline constexpr std::uint32_t kFat16RootEntries = 512;
} // namespace layout

// A volume as FORMAT lays it out, in sectors from the volume's first one.
struct FatLayout {
    std::uint32_t sectors = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reserved = 0;
    std::uint32_t rootSectors = 0; // FAT16's fixed root folder
    std::uint32_t fatSectors = 0;  // of each of the two FATs
    std::uint32_t clusters = 0;
    std::uint32_t rootStart() const { return reserved + 2 * fatSectors; } // FAT32: cluster 2
};

// The sectors of the volume on a disk of diskSectors: all of them, or with a partition table
// those from sector 63 to the last whole cylinder, where FDISK ends the partition.
std::uint32_t formattedVolumeSectors(std::uint64_t diskSectors, bool partitioned);

// FORMAT's cluster size for the volume, halved while the volume would have too few clusters
// for its type. sectorsPerCluster is 0 above what FAT16 can hold.
FatLayout chooseFatLayout(FatType type, std::uint32_t sectors);

// True when the layout has a cluster count its FAT type allows.
bool layoutFits(const FatLayout& planned, FatType type);
bool tooLargeForFat16(const FatLayout& planned);

// The smallest image, in whole megabytes, that holds a volume of this type.
std::uint64_t smallestImageMegabytes(FatType type, bool partitioned);

} // namespace w98::disk
