#pragma once
// Makes an empty disk image as Windows 98's FDISK and FORMAT would: a raw disk whose first
// partition holds one FAT16 or FAT32 volume, or that volume alone.
#include "fat_layout.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace w98::disk {

// Writes image (totalBytes long, a multiple of 512) holding an empty volume labelled label
// (at most 11 ASCII characters). Partitioned, the disk has an MBR with one active
// primary partition from sector 63 to the last whole cylinder of 255 heads x 63 sectors;
// otherwise the volume fills the image from its first byte. The cluster size is FORMAT's
// for the volume's size, smaller where the FAT type needs more clusters.
// Only the metadata is written: the rest of the file is a hole, so a large image costs no space.
// The file is built beside image and renamed over it; on failure nothing is left behind and
// w98::Error names the file. Sizes the FAT type cannot hold are refused the same way.
void formatDiskImage(const std::filesystem::path& image, FatType type, std::uint64_t totalBytes,
                     bool partitioned, const std::string& label = "KORVANE");

} // namespace w98::disk
