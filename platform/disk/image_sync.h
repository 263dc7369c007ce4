#pragma once
// Taking what the machine changed in a disk's working folder into the volume, in memory: only
// folders that were looked into are compared, and within them only what differs from the
// image (a placeholder's bytes are the image's own and are not read).
#include "entry_record.h"
#include "fat_volume.h"

#include <filesystem>
#include <vector>

namespace w98::disk {

// A record to give a host entry once the volume's writes are in the image.
struct HostFixup {
    std::filesystem::path host;
    EntryRecord record;
};

// True when nothing in the working folder's drive changed since its last exchange with the
// image, as the host alone tells: the image then needs no look at all.
bool driveUnchanged(const std::filesystem::path& drive);

// Changes volume as the working folder's drive_c (drive) says. Throws Error (a full disk, a
// damaged folder) with the volume's writes not to be used.
std::vector<HostFixup> takeChanges(FatVolume& volume, const std::filesystem::path& drive);

} // namespace w98::disk
