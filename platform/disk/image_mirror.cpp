#include "image_mirror.h"

#include "container_export.h"
#include "device_hold.h"
#include "entry_record.h"
#include "fat_volume.h"
#include "fnv1a.h"
#include "image_journal.h"
#include "image_sync.h"
#include "lazy_drive.h"

#include "platform/error.h"
#include "platform/host_file.h"
#include "platform/ini_file.h"
#include "platform/registry/registry_lock.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

constexpr const char* kJournalFile = "image.journal";
// The image file, open and locked against every other program of this machine.
class LockedImage {
  public:
    LockedImage(const fs::path& image, const std::string& display) : display_(display) {
        fd_ = ::open(image.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0 && (errno == EACCES || errno == EROFS)) {
            fd_ = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
            readOnly_ = true;
        }
        if (fd_ < 0)
            throw Error("磁盘映像 " + display + (errno == ENOENT ? " 不存在" : " 无法打开"));
        // A virtual PC that has the image open holds a lock on it (QEMU does); its disk must
        // not change under it.
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        if (::fcntl(fd_, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
            ::close(fd_);
            throw Error("磁盘映像 " + display + " 正被虚拟机使用。请先关闭虚拟机，再修复它的磁盘");
        }
        const auto deadline = std::chrono::steady_clock::now() + registryLockWait();
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::close(fd_);
                throw Error("磁盘映像 " + display + " 正被另一个程序使用，请稍后再试");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~LockedImage() { ::close(fd_); }
    LockedImage(const LockedImage&) = delete;
    LockedImage& operator=(const LockedImage&) = delete;
    int fd() const { return fd_; }
    bool readOnly() const { return readOnly_; }

  private:
    int fd_ = -1;
    bool readOnly_ = false;
    std::string display_;
};

// The Windows folder as MSDOS.SYS names it ([Paths] WinDir=); empty when it names none.
std::string namedWindowsFolder(const FatVolume& volume) {
    std::string windows;
    for (const FatEntry& e : volume.list(volume.rootDirectory())) {
        if (e.isDirectory() || foldAscii(e.name) != "msdos.sys")
            continue;
        std::istringstream in(volume.read(e));
        std::string line;
        bool inPaths = false;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.starts_with('['))
                inPaths = foldAscii(line) == "[paths]";
            else if (inPaths && foldAscii(line).starts_with("windir=") && line.size() > 10)
                windows = line.substr(7);
        }
    }
    return windows;
}

// The Windows folder of the disk: the named one when it holds WIN.COM and SYSTEM.DAT, else a
// folder of the root where Setup leaves those with the registry checker's SYSBCKUP beside them;
// "" when there is neither.
std::string windowsFolderOnDisk(const FatVolume& volume, const std::string& named) {
    std::string found;
    for (const FatEntry& dir : volume.list(volume.rootDirectory())) {
        if (!dir.isDirectory() || dir.name == "." || dir.name == "..")
            continue;
        bool winCom = false, systemDat = false, backups = false;
        for (const FatEntry& e : volume.list(dir.firstCluster)) {
            const std::string name = foldAscii(e.name);
            winCom |= !e.isDirectory() && name == "win.com";
            systemDat |= !e.isDirectory() && name == "system.dat";
            backups |= e.isDirectory() && name == "sysbckup";
        }
        const std::string path = "C:\\" + dir.name;
        if (winCom && systemDat && foldAscii(path) == foldAscii(named))
            return path;
        if (winCom && systemDat && backups && found.empty())
            found = path;
    }
    return found;
}

// The machine's settings for a real disk: the Windows folder as MSDOS.SYS names it. A damaged
// or empty MSDOS.SYS must not hide a Windows that no longer starts: the folder is then the one
// Setup made, and the settings keep what MSDOS.SYS named so that the user can be told.
void writeMachineIni(const FatVolume& volume, const fs::path& folder) {
    const std::string named = namedWindowsFolder(volume);
    std::string windows = named.empty() ? "C:\\WINDOWS" : named;
    std::string note;
    try {
        const std::string found = windowsFolderOnDisk(volume, windows);
        if (!found.empty() && (named.empty() || foldAscii(found) != foldAscii(named)))
            note = "windowsnamed=" + (named.empty() ? std::string("none") : named) + "\n";
        if (!found.empty())
            windows = found;
    } catch (const std::exception&) {
        // A damaged folder of the root: the named folder stands.
    }
    const std::string ini =
        "; Drive C: of a disk image.\n[machine]\nwindows=" + windows + "\n" + note +
        "shortdate=yy-M-d\nlongtime=H:mm:ss\nbios=Award Modular BIOS v4.51PG, An Energy Star Ally\n"
        "\n[drives]\nA=removable\nC=fixed\n";
    replaceScratchFile(folder / "machine.ini", ini, (folder / "machine.ini").string());
}

// Drops what the folder held of drive C: and starts it afresh from the image; its root folder
// is read again when first looked into.
void resetDrive(const FatVolume& volume, const fs::path& folder) {
    const fs::path drive = folder / "drive_c";
    std::error_code ec;
    if (fs::exists(drive, ec)) {
        const fs::path old = folder / (".drive_c.old." + std::to_string(::getpid()));
        fs::rename(drive, old, ec);
        fs::remove_all(ec ? drive : old, ec);
    }
    fs::create_directories(drive, ec);
    EntryRecord root;
    root.kind = EntryRecord::Kind::Unlisted;
    root.firstCluster = volume.rootDirectory();
    if (!writeEntryRecord(drive, root))
        throw IoError(io_text::kWriteError, drive.string() + "（这个文件系统无法保存扩展属性）");
    if (!fs::exists(folder / "machine.ini", ec))
        writeMachineIni(volume, folder);
}

} // namespace

fs::path ImageMirror::folderFor(const fs::path& image) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(fs::absolute(image), ec);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a(canonical.string())));
    fs::path base;
    if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x)
        base = x;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".cache";
    else
        base = fs::temp_directory_path();
    return base / "korvane" / "disks" / (canonical.filename().string() + "-" + hex);
}

ImageMirror::ImageMirror(fs::path image)
    : image_(fs::absolute(std::move(image))), folder_(folderFor(image_)), display_(image_.string()),
      raw_(image_) {
    // A container refused for what it is leaves nothing behind, not even its working folder.
    const DiskSource disk = diskSourceOf(image_);
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec)
        throw Error("无法为磁盘映像 " + display_ + " 建立工作文件夹 " + folder_.string());
    if (disk.form == DiskForm::Container) {
        export_ = std::make_unique<ContainerExport>(disk, folder_);
        raw_ = export_->raw();
        how_ = "file " + image_.string();
    } else if (disk.form == DiskForm::Device) {
        device_ = std::make_unique<DeviceHold>(image_, folder_);
        how_ = "session";
    }
    LockedImage locked(raw_, display_);
    const fs::path source = folder_ / LazyDrive::kSourceFile;
    const std::string named = raw_.string() + "\n" + how_ + "\n" + display_ + "\n";
    if (readHostFileIfExists(source, source.string()).value_or("") != named)
        replaceScratchFile(source, named, source.string());
    if (!locked.readOnly())
        recoverJournal(locked.fd(), folder_ / kJournalFile, display_);
    const std::string identity = this->identity(locked.fd());
    // An image unchanged since the last exchange was checked then, and the folder shows it.
    if (exchangedIdentity(folder_) == identity && readEntryRecord(folder_ / "drive_c"))
        return;
    // Read through a file of its own, the volume stays with the program once the lock is let go.
    opened_.fd = ::open(raw_.c_str(), O_RDONLY | O_CLOEXEC);
    if (opened_.fd < 0)
        throw Error("磁盘映像 " + display_ + " 无法打开");
    opened_.volume = std::make_unique<FatVolume>(opened_.fd, display_);
    opened_.identity = identity;
    resetDrive(*opened_.volume, folder_);
    recordExchange(folder_, identity);
}

ImageMirror::~ImageMirror() = default;

void ImageMirror::commit() {
    const DriveChanges changes = changesIn(folder_ / "drive_c");
    if (changes.empty())
        return;
    LockedImage locked(raw_, display_);
    if (!locked.readOnly())
        recoverJournal(locked.fd(), folder_ / kJournalFile, display_);
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
