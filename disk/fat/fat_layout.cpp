#include "fat_layout.h"

#include <cstdint>
#include <limits>
#include <span>

namespace w98::disk {
namespace {

using namespace layout;

constexpr std::uint32_t kFat16MinClusters = 4085;
constexpr std::uint32_t kFat16MaxClusters = 65524;
constexpr std::uint32_t kFat32MinClusters = 65525;

FatLayout plan(FatType type, std::uint32_t sectors, std::uint32_t sectorsPerCluster) {
    FatLayout l;
    l.sectors = sectors;
    l.sectorsPerCluster = sectorsPerCluster;
    l.reserved = type == FatType::Fat16 ? 1 : 32;
    l.rootSectors = type == FatType::Fat16 ? kFat16RootEntries * 32 / kSectorBytes : 0;
    const std::uint64_t entryBytes = type == FatType::Fat16 ? 2 : 4;
    if (sectors <= l.reserved + l.rootSectors)
        return l;
    const std::uint64_t rest = sectors - l.reserved - l.rootSectors;
    // The smallest FAT that has an entry for every cluster left beside it (and the two
    // entries before the first cluster).
    for (std::uint64_t fat = 1; 2 * fat < rest; ++fat) {
        const std::uint64_t clusters = (rest - 2 * fat) / sectorsPerCluster;
        if ((clusters + 2) * entryBytes <= fat * kSectorBytes) {
            l.fatSectors = static_cast<std::uint32_t>(fat);
            l.clusters = static_cast<std::uint32_t>(clusters);
            break;
        }
    }
    return l;
}

// Sectors per cluster that Windows 98's FORMAT picks for a volume of this many sectors;
// 0 above what FAT16 holds.
std::uint32_t formatClusterSectors(FatType type, std::uint32_t sectors) {
    struct Step {
        std::uint64_t upToSectors;
        std::uint32_t sectorsPerCluster;
    };
    static constexpr Step kFat16[] = {{262144, 4}, {524288, 8}, {1048576, 16}, {2097152, 32}, {4194304, 64}};
    static constexpr Step kFat32[] = {
        {16777216, 8}, {33554432, 16}, {67108864, 32}, {std::numeric_limits<std::uint64_t>::max(), 64}};
    for (const auto& step :
         type == FatType::Fat16 ? std::span<const Step>(kFat16) : std::span<const Step>(kFat32))
        if (sectors <= step.upToSectors)
            return step.sectorsPerCluster;
    return 0;
}

std::uint32_t minClusters(FatType type) {
    return type == FatType::Fat16 ? kFat16MinClusters : kFat32MinClusters;
}

} // namespace

FatLayout chooseFatLayout(FatType type, std::uint32_t sectors) {
    std::uint32_t perCluster = formatClusterSectors(type, sectors);
    if (perCluster == 0)
        return {};
    FatLayout l = plan(type, sectors, perCluster);
    while (l.clusters < minClusters(type) && perCluster > 1)
        l = plan(type, sectors, perCluster /= 2);
    return l;
}

bool layoutFits(const FatLayout& l, FatType type) {
    return l.clusters >= minClusters(type) && (type == FatType::Fat32 || l.clusters <= kFat16MaxClusters);
}

bool tooLargeForFat16(const FatLayout& l) {
    return l.sectorsPerCluster == 0 || l.clusters > kFat16MaxClusters;
}

std::uint32_t formattedVolumeSectors(std::uint64_t diskSectors, bool partitioned) {
    if (!partitioned)
        return static_cast<std::uint32_t>(diskSectors);
    const std::uint64_t cylinders = diskSectors / kCylinderSectors;
    return cylinders == 0 ? 0 : static_cast<std::uint32_t>(cylinders * kCylinderSectors - kPartitionStart);
}

std::uint64_t smallestImageMegabytes(FatType type, bool partitioned) {
    // FAT16 fits from some size up to 2047 MB; FAT32 from some size up to 2 TB.
    std::uint64_t low = 1, high = type == FatType::Fat16 ? 2047 : std::uint64_t{1} << 20;
    while (low < high) {
        const std::uint64_t mid = (low + high) / 2;
        if (layoutFits(chooseFatLayout(type, formattedVolumeSectors(mid * 2048, partitioned)), type))
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

} // namespace w98::disk
