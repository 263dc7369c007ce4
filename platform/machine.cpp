// A machine opened: its folder or disk image, what machine.ini says of it, its registry.
#include "machine.h"

#include "base/error.h"
#include "base/host_file.h"
#include "base/machine_ini.h"
#include "base/text.h"
#include "disk/source/disk_source.h"
#include "disk/working/image_mirror.h"
#include "disk/working/lazy_drive.h"
#include "disk/working/opened_disk.h"
#include "registry/registry.h"
#include "registry/registry_lock.h"

#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;

namespace w98 {
namespace {} // namespace

Machine::Machine(fs::path root, Use use) : root_(std::move(root)) {
    std::error_code ec;
    const bool disk = disk::namesDisk(root_);
    if (!disk && fs::is_directory(root_, ec) && disk::looksLikeDriveC(root_)) {
        // The restore jobs need the disk's own short names and attributes, which only the
        // disk itself shows; a mounted partition hides them.
        const std::string device = disk::deviceMountedAt(root_);
        throw Error("文件夹 " + root_.string() +
                    " 是一个 Windows 98 的 C: 盘本身（已挂载的分区）。请先卸载它（umount " + root_.string() +
                    "），再打开它的设备：korvane --machine " +
                    (device.empty() ? std::string("/dev/sdX1") : device));
    }
    if (!disk) {
        auto status = fs::status(root_, ec);
        if (ec || !fs::exists(status))
            throw Error("机器文件夹 " + root_.string() + " 不存在");
        if (!fs::is_directory(status))
            throw Error("机器文件夹 " + root_.string() + " 不是文件夹");
        if (::access(root_.c_str(), R_OK | X_OK) != 0)
            throw Error("机器文件夹 " + root_.string() + " 无法读取");
    }
    disk::OpenedDisk opened = disk::openDisk(root_, use == Use::Look);
    root_ = std::move(opened.folder);
    image_ = std::move(opened.image);
    lazy_ = std::move(opened.drive);
    if (lazy_)
        setWorkingCopyFolder(root_ / "drive_c"); // the image's journal keeps its changes safe
    const fs::path ini = root_ / "machine.ini";
    if (fs::exists(ini, ec)) {
        std::string display = ini.string();
        ini_ = IniFile::parse(readHostFile(ini, display), display);
    }
}

Machine::~Machine() = default;

void Machine::commit() {
    if (!image_)
        return;
    // A registry change in flight (both files replaced under one lock) goes into the image
    // whole or not at all.
    std::optional<RegistryLock> registry;
    try {
        const std::string system = windowsFolder() + "\\SYSTEM.DAT";
        registry.emplace(resolve(windowsFolder(), Need::Entry) / "SYSTEM.DAT", system);
    } catch (const FormatError&) {
        // machine.ini names no usable Windows folder: there is no registry to keep whole.
    }
    try {
        image_->commit();
    } catch (const Error&) {
        // The folder was started afresh from the image: the registry's files come back into it.
        if (registry_) {
            const std::string win = windowsFolder();
            hostPath(win + "\\SYSTEM.DAT");
            hostPath(win + "\\USER.DAT");
        }
        throw;
    }
}

bool Machine::canWrite() const {
    return !image_ || image_->writable();
}

std::string Machine::readOnlyReason() const {
    return image_ ? "磁盘映像 " + image_->image().string() + " 是只读文件：可以查看，但任何改动都无法写进去"
                  : std::string();
}

std::string Machine::interruptedStep() const {
    if (!image_ || !image_->interrupted())
        return {};
    return "上次打开磁盘映像 " + image_->image().string() +
           " 的程序没有正常结束：它还没写进磁盘的改动没有写进去，磁盘保持它最后一次写入后的样子。";
}

fs::path Machine::defaultRoot() {
    if (const char* m = std::getenv("WIN98_MACHINE"); m && *m)
        return fs::path(m);
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        return fs::path(x) / "korvane" / "machine";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / ".local" / "share" / "korvane" / "machine";
}

std::string Machine::windowsFolder() const {
    std::string w = ini_.get("machine", "windows", machine_ini::kWindows);
    try {
        return normalize(w);
    } catch (const Error&) {
        // Said as it is, the path alone would not tell the user where to mend it.
        throw FormatError((root_ / "machine.ini").string(), 0, "windows=" + w + " 不是带盘符的完整路径");
    }
}
std::string Machine::windowsFolderNotNamed() const {
    return ini_.get("machine", "windowsnamed", "");
}

std::string Machine::shortDateFormat() const {
    return ini_.get("machine", "shortdate", machine_ini::kShortDate);
}
std::string Machine::longTimeFormat() const {
    return ini_.get("machine", "longtime", machine_ini::kLongTime);
}
std::string Machine::biosIdText() const {
    return ini_.get("machine", "bios", machine_ini::kBios);
}

DriveType Machine::driveType(std::string_view rootPath) const {
    if (rootPath.size() < 2 || rootPath[1] != ':')
        return DriveType::NoRootDir;
    char letter = upperAscii(rootPath[0]);
    if (letter < 'A' || letter > 'Z')
        return DriveType::NoRootDir;
    std::string type = foldAscii(ini_.get("drives", std::string(1, letter)));
    if (type == "cdrom")
        return DriveType::CdRom;
    if (type == "removable")
        return DriveType::Removable;
    if (type == "remote")
        return DriveType::Remote;
    if (type == "ramdisk")
        return DriveType::RamDisk;
    if (type == "fixed")
        return DriveType::Fixed;
    std::error_code ec;
    if (fs::is_directory(root_ / (std::string("drive_") + lowerAscii(letter)), ec))
        return DriveType::Fixed;
    return DriveType::NoRootDir;
}

Registry& Machine::registry() {
    if (!registry_) {
        const std::string win = windowsFolder();
        registry_ = std::make_unique<Registry>(hostPath(win + "\\SYSTEM.DAT"), win + "\\SYSTEM.DAT",
                                               hostPath(win + "\\USER.DAT"), win + "\\USER.DAT");
    }
    return *registry_;
}

} // namespace w98
