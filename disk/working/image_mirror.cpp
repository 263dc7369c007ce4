#include "image_mirror.h"

#include "base/entry_record.h"
#include "disk/fat/fat_volume.h"
#include "disk/source/container_export.h"
#include "disk/source/device_hold.h"
#include "disk/source/emulator_locks.h"
#include "disk/source/locked_image.h"
#include "image_folder.h"
#include "image_journal.h"
#include "image_sync.h"
#include "lazy_drive.h"
#include "unused_folders.h"

#include "base/error.h"
#include "base/host_file.h"

#include <cerrno>
#include <fcntl.h>
#include <iostream>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

constexpr const char* kJournalFile = "image.journal";
// Held shared by every program that has the disk open: one that finds it free is alone.
constexpr const char* kUsersLock = "mirror.users";
// Present while a program has the disk open; the last one to end as programs end removes it.
constexpr const char* kUncleanMark = "mirror.open";

} // namespace

ImageMirror::ImageMirror(fs::path image, bool onlyLooks)
    : image_(fs::absolute(std::move(image))), folder_(folderFor(image_)), display_(image_.string()),
      raw_(image_) {
    // A container refused for what it is leaves nothing behind, not even its working folder.
    const DiskSource disk = diskSourceOf(image_);
    source_ = disk;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec)
        throw Error("无法为磁盘映像 " + display_ + " 建立工作文件夹 " + folder_.string());
    markUsed(folder_);
    removeUnusedFolders(folder_);
    if (onlyLooks && disk.form == DiskForm::Container && openFromFolder())
        return;
    holdDisk(disk);
    LockedImage locked(raw_, display_);
    recordSource();
    if (!locked.readOnly())
        recoverLeftJournal(locked.fd());
    const std::string identity = this->identity(locked.fd());
    // A program that had the disk open and did not end as programs end (killed, crashed) may
    // have left changes in the folder it never committed: the disk never took them, and a later
    // commit must not put half of a step into it. Alone on the disk, its opener starts the
    // folder afresh from the image.
    const fs::path unclean = folder_ / kUncleanMark;
    try {
        interrupted_ = joinUsers() && fs::exists(unclean, ec);
        // An image unchanged since the last exchange was checked then, and the folder shows it.
        if (interrupted_ || exchangedIdentity(folder_) != identity || !readEntryRecord(folder_ / "drive_c"))
            readVolume(identity);
        if (!fs::exists(unclean, ec))
            replaceScratchFile(unclean, "", unclean.string());
    } catch (...) {
        ::close(users_);
        users_ = -1;
        throw;
    }
}

bool ImageMirror::openFromFolder() {
    how_ = "file " + image_.string();
    raw_ = ContainerExport::rawIn(folder_);
    std::error_code ec;
    const std::string identity = identityOf(folder_, how_, -1);
    if (fs::exists(folder_ / kJournalFile, ec) || identity.empty() ||
        exchangedIdentity(folder_) != identity || !readEntryRecord(folder_ / "drive_c"))
        return false;
    recordSource();
    if (joinUsers() && fs::exists(folder_ / kUncleanMark, ec)) {
        // The last program was killed: the folder may hold what it never committed.
        ::close(users_);
        users_ = -1;
        return false;
    }
    if (!fs::exists(folder_ / kUncleanMark, ec))
        replaceScratchFile(folder_ / kUncleanMark, "", (folder_ / kUncleanMark).string());
    heldLater_ = true;
    return true;
}

void ImageMirror::holdNow() {
    if (!heldLater_)
        return;
    export_ = std::make_unique<ContainerExport>(source_, folder_);
    heldLater_ = false;
}

bool ImageMirror::joinUsers() {
    users_ = ::open((folder_ / kUsersLock).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (users_ < 0)
        throw Error("无法为磁盘映像 " + display_ + " 使用工作文件夹 " + folder_.string());
    const bool alone = ::flock(users_, LOCK_EX | LOCK_NB) == 0;
    ::flock(users_, LOCK_SH);
    return alone;
}

void ImageMirror::holdDisk(const DiskSource& disk) {
    if (disk.form == DiskForm::Container) {
        export_ = std::make_unique<ContainerExport>(disk, folder_);
        raw_ = export_->raw();
        how_ = "file " + image_.string();
    } else if (disk.form == DiskForm::Device) {
        device_ = std::make_unique<DeviceHold>(image_, folder_);
        how_ = "session";
    }
    // A container is QEMU's own to lock: its export holds QEMU's locks on it.
    if (disk.form != DiskForm::Container)
        emulatorLocks_ = std::make_unique<EmulatorLocks>(image_);
}

void ImageMirror::recordSource() const {
    const fs::path source = folder_ / LazyDrive::kSourceFile;
    const std::string named = raw_.string() + "\n" + how_ + "\n" + display_ + "\n";
    if (readHostFileIfExists(source, source.string()).value_or("") != named)
        replaceScratchFile(source, named, source.string());
}

void ImageMirror::readVolume(const std::string& identity) {
    // Read through a file of its own, the volume stays with the program once the lock is let go.
    opened_.fd = ::open(raw_.c_str(), O_RDONLY | O_CLOEXEC);
    if (opened_.fd < 0)
        throw Error("磁盘映像 " + display_ + " 无法打开");
    opened_.volume = std::make_unique<FatVolume>(opened_.fd, display_);
    opened_.identity = identity;
    resetDrive(*opened_.volume, folder_);
    recordExchange(folder_, identity);
}

ImageMirror::~ImageMirror() {
    if (users_ < 0)
        return;
    if (::flock(users_, LOCK_EX | LOCK_NB) == 0) {
        std::error_code ec;
        fs::remove(folder_ / kUncleanMark, ec);
    }
    ::close(users_);
}

bool ImageMirror::writable() const {
    // Not yet exported, the container file itself answers.
    const int fd = ::open((heldLater_ ? image_ : raw_).c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0 || !writingRefused(errno);
}

void ImageMirror::recoverLeftJournal(int fd) {
    if (recoverJournal(fd, folder_ / kJournalFile, display_) != JournalOutcome::SetAside)
        return;
    // Said at once: the program may yet end without another word.
    std::cerr << setAsideNotice(display_, folder_ / kJournalFile) << std::flush;
}

void ImageMirror::commit() {
    const DriveChanges changes = changesIn(folder_ / "drive_c");
    if (changes.empty())
        return;
    holdNow();
    LockedImage locked(raw_, display_);
    if (!locked.readOnly())
        recoverLeftJournal(locked.fd());
    // An image as this folder last left it was checked then.
    const bool unchanged = exchangedIdentity(folder_) == identity(locked.fd());
    FatVolume volume(locked.fd(), display_, unchanged ? FatCheck::None : FatCheck::All);
    if (!unchanged) {
        resetDrive(volume, folder_);
        recordExchange(folder_, identity(locked.fd()));
        throw Error("磁盘映像 " + display_ +
                    " 在本程序运行时被别的程序改过，刚才的改动没有写进去。请关闭虚拟机后重做");
    }
    std::vector<ImageWrite> writes;
    std::vector<HostFixup> fixups;
    try {
        fixups = takeChanges(volume, folder_ / "drive_c", changes);
        writes = volume.writes();
        if (!writes.empty() && locked.readOnly())
            throw Error("磁盘映像 " + display_ + " 是只读文件，改动无法写进去");
    } catch (const Error&) {
        // The image keeps what it had; so does the folder, that nothing seems done that is not.
        const FatVolume fresh(locked.fd(), display_, FatCheck::None);
        resetDrive(fresh, folder_);
        throw;
    }
    // Once the journal is written the change is made: should the writer fail, the next opening
    // completes it.
    writeThroughJournal(locked.fd(), writes, folder_ / kJournalFile, display_);
    for (const HostFixup& f : fixups)
        writeEntryRecord(f.host, f.record);
    if (!writes.empty())
        recordExchange(folder_, identity(locked.fd()));
}

} // namespace w98::disk
