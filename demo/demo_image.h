#pragma once
// The demo machine's drive C: in a disk image, so that Korvane can be tried on a disk like an
// emulator's without a Windows 98 of one's own.
#include "disk/fat/fat_format.h"

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace w98 {

inline constexpr std::uint64_t kDemoImageBytes = 128ull * 1024 * 1024;

// Makes image, which must not exist yet: a 128 MB disk with one partition of the given type
// holding the demo machine's drive C:. It is built beside image and appears only when whole.
// Throws Error.
void createDemoImage(const std::filesystem::path& image, disk::FatType type = disk::FatType::Fat32);

// Copies a machine folder's tree into another (a disk image's folder) with what FAT keeps of
// each entry: its MS-DOS attributes, short name and last-write time.
void copyMachineTree(const std::filesystem::path& from, const std::filesystem::path& to);

// `w98 --demo-image FILE [fat16|fat32]` with the arguments after the option; the exit code.
int runDemoImageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace w98
