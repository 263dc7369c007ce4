#pragma once
// The image file, open and locked against every other program of this machine while its
// changes are read or written: a virtual PC holding it is refused at once, another program of
// this machine is waited for as long as the registry lock would be.
#include <filesystem>
#include <string>

namespace w98::disk {

// True for an error by which the image may be read but not written (permissions, a read-only
// file system, an immutable file).
bool writingRefused(int err);

class LockedImage {
  public:
    // Opened read-only when the file cannot be written. Throws Error naming display when the
    // image is missing, cannot be opened, or is held.
    LockedImage(const std::filesystem::path& image, const std::string& display);
    ~LockedImage();
    LockedImage(const LockedImage&) = delete;
    LockedImage& operator=(const LockedImage&) = delete;
    int fd() const { return fd_; }
    bool readOnly() const { return readOnly_; }

  private:
    int fd_ = -1;
    bool readOnly_ = false;
};

} // namespace w98::disk
