#pragma once
// Drive C: of a Windows 98 machine as used for years: the demo machine plus thousands of files
// where a real installation keeps them (WINDOWS\SYSTEM, INF, FONTS, HELP, the programs under
// Program Files, documents under Chinese names), as a machine folder and as a FAT32 disk image
// of the same drive, for benchmarks that need a disk of a real size.
#include <cstdint>
#include <filesystem>

struct RealDisk {
    std::filesystem::path machineFolder;
    std::filesystem::path image;
    std::uint64_t files = 0; // on drive C:, the demo machine's own included
    std::uint64_t bytes = 0;

    const std::filesystem::path& path(bool asImage) const { return asImage ? image : machineFolder; }
};

// The disk with extraFiles files besides the demo machine's: 15000 (350 MB in all) or 60000
// (2 GB). Made at the first call, which takes a while, then kept for the rest of the run; it
// goes at exit, and so do the images' working folders.
const RealDisk& realDisk(int extraFiles);
