#pragma once
// The demo machine in a disk image made by outside tools (mkfs.fat, mcopy, mattrib), for tests
// and benchmarks that set an image beside the same machine as a folder.
#include "fat_tools.h"

#include <filesystem>

namespace korvane::test {

// A new partitioned image of `megabytes` MiB holding drive C: of the machine folder, with the
// MS-DOS attributes the folder keeps (IO.SYS, MSDOS.SYS and the registry files read-only,
// hidden and system, as on the demo machine).
void makeImageOfMachine(const std::filesystem::path& image, FatKind kind, unsigned megabytes,
                        const std::filesystem::path& machineFolder);

} // namespace korvane::test
