#pragma once
// A disk image as a machine folder. The programs of the machine work on a host folder that
// mirrors drive C: of the image (drive_c/ inside it, with short names, MS-DOS attributes and
// times kept as on any machine folder); commit() puts every change of that folder into the
// image, in one step, and opening the image again brings the folder up to date with whatever
// changed the image since (its virtual PC, for one). The folder belongs to the image: every
// program opening the same image works in the same folder, as on a machine folder.
//
// A record beside the folder says, for each entry, what the image held and what the folder
// held at the last exchange; an entry that changed on neither side is not copied again.
#include "disk/source/disk_source.h"
#include "lazy_drive.h"

#include <filesystem>
#include <memory>
#include <string>

namespace w98::disk {

class ContainerExport;
class DeviceHold;
class EmulatorLocks;

class ImageMirror {
  public:
    // Opens the image and brings its folder up to date. Throws Error naming the image when it
    // is no FAT disk, is damaged, or another program holds it longer than the registry lock
    // would be waited for.
    // The image may be a raw file, a virtual PC's container or a block device.
    // onlyLooks: the program will change nothing. A container its folder already shows is then
    // not exported until something is read from it (LazyDrive joins the export then): a look
    // that the folder answers costs no storage daemon.
    explicit ImageMirror(std::filesystem::path image, bool onlyLooks = false);
    ~ImageMirror();

    const std::filesystem::path& image() const { return image_; }
    const std::filesystem::path& folder() const { return folder_; }

    // The volume read at opening, when the image had to be read then: the drive goes on with it.
    OpenVolume takeVolume() { return std::move(opened_); }

    // Writes the folder's changes into the image; a folder with none leaves the image unread. Throws Error
    // when the image cannot take them (full, read-only, changed by another program meanwhile); the image is
    // then as it was, and the folder is brought back to what the image holds.
    void commit();
    // Whether this program may write the image at all (a file the user may only read: not).
    bool writable() const;
    // True when the last program to have the disk open had not ended as programs end, and the
    // opening put the folder back to what the image holds: what it had not committed is gone.
    bool interrupted() const { return interrupted_; }

    // Where the folder of an image lives: $XDG_CACHE_HOME/korvane/disks (~/.cache/...).
    static std::filesystem::path folderFor(const std::filesystem::path& image);

  private:
    std::string identity(int fd) const { return identityOf(folder_, how_, fd); }
    // Opening, step by step: the raw view of a container or the hold on a device, kept while the
    // program runs; image.source, naming what the folder mirrors; the volume read and the folder
    // started afresh from it, when the image changed since the last exchange.
    void holdDisk(const DiskSource& disk);
    // The look-only opening of a container its folder shows; false when the folder cannot
    // answer alone (changed since, interrupted, a journal left) and the disk must be read.
    bool openFromFolder();
    // What an opening that left the container for later does before its first write.
    void holdNow();
    void recordSource() const;
    void readVolume(const std::string& identity);
    // Joins the programs that have the folder open; true when no other has.
    bool joinUsers();
    // A journal left by a killed write: completed, or set aside with a word to the user.
    void recoverLeftJournal(int fd);

    std::filesystem::path image_;
    std::filesystem::path folder_;
    std::string display_;
    // What keeps a container's raw view or a device's hold while the program runs.
    std::unique_ptr<ContainerExport> export_;
    DiskSource source_;
    bool heldLater_ = false; // a look-only opening that has not exported its container (yet)
    std::unique_ptr<DeviceHold> device_;
    std::unique_ptr<EmulatorLocks> emulatorLocks_; // a raw image's or device's, against QEMU
    std::filesystem::path raw_;                    // the file the sectors are read from and written to
    std::string how_;                              // what the disk's identity is read from
    int users_ = -1;                               // held shared while this program has the disk open
    bool interrupted_ = false;
    OpenVolume opened_; // last, so that it goes before the raw view it reads
};

} // namespace w98::disk
