#pragma once
// Drive C: of a disk image as its working folder shows it: a folder gets its entries when it is
// first looked into, and a file its bytes when it is first opened, read from the image then.
// Until then a file is a placeholder of the right size, time, attributes and short name whose
// bytes take no room. So opening a disk of 60,000 files costs what the program touches.
#include "base/entry_record.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace w98::disk {

class ContainerExport;
class FatVolume;

// Names what an image file is now (device, inode, size, time): a change by anyone shows.
std::string imageIdentity(int fd);
// The same for the disk a working folder stands for, read from what its source file names
// after the disk (`how`): nothing for the image file itself; "file PATH" for the container a
// raw view is exported from; "session" for a device, which shows no change of its own: each
// first opening after every program let go of it starts a new session.
std::string identityOf(const std::filesystem::path& folder, const std::string& how, int fd);

// The image's identity after the last exchange with a working folder (empty when unknown), and
// the record of a new one.
std::string exchangedIdentity(const std::filesystem::path& folder);
void recordExchange(const std::filesystem::path& folder, const std::string& identity);

// The names of a host folder, without what replacements under way hold (what a killed writer
// left is cleared away), sorted.
std::vector<std::string> hostNames(const std::filesystem::path& folder);

// Gives a host folder, standing for the image folder `dir`, an entry for each of the image's
// that it lacks (a file as a placeholder), and marks it listed. Each entry appears whole.
void placeEntries(const FatVolume& volume, std::uint32_t dir, const std::filesystem::path& hostFolder);

// A volume read by a program, with the file it reads from, which goes with it.
struct OpenVolume {
    int fd = -1;
    std::unique_ptr<FatVolume> volume;
    std::string identity; // of the image when it was read
    OpenVolume() = default;
    OpenVolume(OpenVolume&&) noexcept;
    OpenVolume& operator=(OpenVolume&&) noexcept;
    ~OpenVolume();
};

class LazyDrive {
  public:
    // The lazy drive of a machine folder that is a disk's working folder; null for any other.
    static std::unique_ptr<LazyDrive> openIfDisk(const std::filesystem::path& machineRoot);
    ~LazyDrive();
    LazyDrive(const LazyDrive&) = delete;
    LazyDrive& operator=(const LazyDrive&) = delete;

    // Goes on with a volume the program has read already (the image's opening did).
    void adopt(OpenVolume opened);

    // Below drive_c/ only; elsewhere (and for what is there already) nothing happens. Throw
    // Error naming the image when it cannot be read.
    void list(const std::filesystem::path& hostFolder);
    void fill(const std::filesystem::path& hostFile);
    // Every folder below host (or host itself) gets its entries, and with bytes every file its
    // bytes: a folder about to move takes its entries along (a placeholder keeps its bytes in
    // the image wherever it goes).
    void bringIn(const std::filesystem::path& host, bool bytes);

    // The working folder's file naming the image it stands for.
    static constexpr const char* kSourceFile = "image.source";

  private:
    LazyDrive(std::filesystem::path folder, std::filesystem::path image, std::string how,
              std::string display);
    bool below(const std::filesystem::path& host) const;
    // Throws Error when another program changed the image since the last exchange and the
    // entry the record stands for is gone from it.
    void checkStillThere(const FatVolume& volume, const std::filesystem::path& host,
                         const EntryRecord& record) const;
    // Runs work on the volume with the image read-locked and the working folder locked.
    void whileHeld(const std::function<void(const FatVolume&)>& work);
    const FatVolume& volume();
    // A container is read through its export, which this drive joins (or starts) as one of its
    // users, that the daemon stays while the drive reads.
    void joinExport();

    std::filesystem::path folder_;
    std::filesystem::path drive_;
    std::filesystem::path image_;
    std::string how_;                         // what the identity is read from
    std::string display_;                     // the disk as its user names it
    std::unique_ptr<ContainerExport> export_; // before the volume, which reads through it
    OpenVolume opened_;
    int lock_ = -1; // the working folder's lock while entries are placed
};

} // namespace w98::disk
