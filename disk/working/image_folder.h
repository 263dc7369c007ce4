#pragma once
// The working folder of a disk image: where it lives, and drive C: in it started afresh from the
// image.
#include <filesystem>

namespace w98::disk {

class FatVolume;

// Drops what the folder held of drive C: and starts it afresh from the image; its root folder
// is read again when first looked into. A folder without machine.ini gets one naming the
// Windows folder MSDOS.SYS names.
void resetDrive(const FatVolume& volume, const std::filesystem::path& folder);

} // namespace w98::disk
