#pragma once
// Taking what the machine changed in a disk's working folder into the volume, in memory: only
// folders that were looked into are compared, and within them only what differs from the
// image (a placeholder's bytes are the image's own and are not read).
#include "base/entry_record.h"
#include "disk/fat/fat_volume.h"

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace w98::disk {

// A record to give a host entry once the volume's writes are in the image.
struct HostFixup {
    std::filesystem::path host;
    EntryRecord record;
};

// What changed in the working folder's drive since its last exchange with the image, as the
// host alone tells (host paths): folders whose own entries changed, and those on the way to
// them. Nothing changed: the image needs no look at all.
struct DriveChanges {
    std::set<std::string> changed;
    std::set<std::string> onTheWay;
    bool empty() const { return changed.empty() && onTheWay.empty(); }
};
DriveChanges changesIn(const std::filesystem::path& drive);

// Changes volume as the working folder's drive_c (drive) says, looking only where changes
// are. Throws Error (a full disk, a damaged folder) with the volume's writes not to be used.
std::vector<HostFixup> takeChanges(FatVolume& volume, const std::filesystem::path& drive,
                                   const DriveChanges& changes);

} // namespace w98::disk
