#pragma once
// A disk in a virtual PC's container (VHD, VDI, VMDK, qcow2, VHDX) seen as a raw disk: QEMU's
// storage daemon opens the container with its own block layer and exports its disk as a file
// over FUSE, so that every program of the machine reads and writes the disk in place and the
// container keeps its format, identity and size. The daemon also takes QEMU's image locks: a
// container that a running virtual PC holds is refused.
//
// Every program opening the same container shares one daemon. Each holds the working folder's
// users file (shared lock) while it works; a small watcher process started with the daemon
// takes that file's exclusive lock, which it gets once the last user has ended, however it
// ended, and stops the daemon then. A daemon or mount left by a killed watcher is cleared
// away at the next opening. Nothing needs root.
#include "disk_source.h"

#include <filesystem>

namespace w98::disk {

class ContainerExport {
  public:
    // Starts the export (or joins the one running) in the working folder. Throws Error naming
    // the container when it is in use, damaged, or cannot be exported on this computer.
    ContainerExport(const DiskSource& source, const std::filesystem::path& folder);
    // Lets go of the export; the last user stops it and waits until the container is free.
    ~ContainerExport();
    ContainerExport(const ContainerExport&) = delete;
    ContainerExport& operator=(const ContainerExport&) = delete;

    // The raw disk, a file while the export runs.
    const std::filesystem::path& raw() const { return raw_; }
    static std::filesystem::path rawIn(const std::filesystem::path& folder) { return folder / "disk.raw"; }

    static constexpr const char* kUsersFile = "disk.users";

  private:
    void start();
    std::filesystem::path folder_;
    std::filesystem::path raw_;
    DiskSource source_;
    int users_ = -1;
    int daemon_ = -1;
};

} // namespace w98::disk
