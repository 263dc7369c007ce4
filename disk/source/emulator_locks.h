#pragma once
// The byte-range locks QEMU takes on an image file it opens, held on a raw image or a block
// device while a program of this machine has it, so that a virtual PC or qemu-img started on it
// meanwhile refuses it, as QEMU refuses a disk another QEMU holds. QEMU's raw-posix locking
// (block/file-posix.c) takes a shared OFD lock on byte 100 + n for each permission n it holds
// and on byte 200 + n for each it does not let others have: 0 consistent read, 1 write,
// 2 unchanged write, 3 resize. A program here holds write (101, 102) and shares neither a
// consistent read, nor write, nor resize (200, 201, 203): a QEMU that would read or write the
// disk then says `Failed to get "consistent read" lock`. It leaves byte 100 alone, which every
// QEMU holds, so that the programs of this machine, holding the same shared locks, never take
// each other for a virtual PC.
#include <filesystem>

namespace w98::disk {

// The byte whose lock shows that QEMU has the image open.
inline constexpr long kQemuOpenLockByte = 100;

class EmulatorLocks {
  public:
    // Holds nothing where the file cannot be opened or its file system has no such locks: the
    // program's own checks then stand alone, as before.
    explicit EmulatorLocks(const std::filesystem::path& disk);
    ~EmulatorLocks();
    EmulatorLocks(const EmulatorLocks&) = delete;
    EmulatorLocks& operator=(const EmulatorLocks&) = delete;

  private:
    int fd_ = -1;
};

} // namespace w98::disk
