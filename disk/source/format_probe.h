#pragma once
// The format of a disk image file, told by its signatures as QEMU's block layer tells it: each
// known format scores the file, the highest score wins, and a file no format claims is a raw
// image. The winner then vets its header, so that a container this program cannot work in
// (damaged, cut short, a differencing disk without its parent) is refused before it is opened.
#include "disk_source.h"

#include <filesystem>

namespace w98::disk {

// Throws Error naming the file when its format is known but refused.
DiskSource probeImageFile(const std::filesystem::path& path);

} // namespace w98::disk
