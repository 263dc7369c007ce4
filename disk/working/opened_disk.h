#pragma once
// What a program opens when it is given a machine: a disk (raw image, container or device),
// whose working folder is brought up to date and whose drive C: is then read as it is looked
// into; or a folder, which is a disk's working folder when a program of that disk started this
// one (its drive alone, the disk itself being held by every program that reads it). One call,
// the same in korvane and in every w98 program it starts.
#include "image_mirror.h"
#include "lazy_drive.h"

#include <filesystem>
#include <memory>

namespace w98::disk {

struct OpenedDisk {
    std::filesystem::path folder;       // where the machine's files are
    std::unique_ptr<ImageMirror> image; // the disk opened by this program; none for a folder
    std::unique_ptr<LazyDrive> drive;   // drive C: of a disk; none for a machine folder of its own
};

// True for what openDisk takes as a disk: a file or a block device.
bool namesDisk(const std::filesystem::path& root);

// Throws Error as ImageMirror does for a disk that cannot be opened.
// onlyLooks: the program reads and never commits (see ImageMirror).
OpenedDisk openDisk(const std::filesystem::path& root, bool onlyLooks);

} // namespace w98::disk
