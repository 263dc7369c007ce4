#pragma once
// A block device worked on as a disk (an old PC's disk on a USB adapter, a partition of it):
// refused while it is mounted anywhere, opened exclusively so that nothing mounts it while the
// program works, and held in the working folder's users file so that a device that every
// program let go of (and which its own PC may have changed since) is read afresh.
#include <filesystem>

namespace w98::disk {

class DeviceHold {
  public:
    // Throws Error naming the device and what to do when it is mounted, busy, or the user may
    // not read or write it.
    DeviceHold(const std::filesystem::path& device, const std::filesystem::path& folder);
    ~DeviceHold();
    DeviceHold(const DeviceHold&) = delete;
    DeviceHold& operator=(const DeviceHold&) = delete;

  private:
    int exclusive_ = -1;
    int users_ = -1;
};

} // namespace w98::disk
