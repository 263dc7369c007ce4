#include "device_hold.h"

#include "container_export.h"
#include "disk_source.h"

#include "base/error.h"
#include "base/host_file.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

[[noreturn]] void refusePermission(const fs::path& device, const char* missing) {
    throw Error("无法打开磁盘 " + device.string() + "：当前用户没有" + missing +
                "权限。请把自己加入 disk 组（sudo adduser $USER disk，重新登录后生效），"
                "或用 udisksctl 取得这个设备的使用权，再打开它");
}

} // namespace

DeviceHold::DeviceHold(const fs::path& device, const fs::path& folder) {
    const std::string where = mountPointOf(device);
    if (!where.empty())
        throw Error("磁盘 " + device.string() + " 已挂载在 " + where + "。请先卸载 " + where +
                    " 再打开（umount " + where + "，或在文件管理器里弹出它），以免两边同时改动这个磁盘");
    if (::access(device.c_str(), R_OK) != 0)
        refusePermission(device, "读取");
    if (::access(device.c_str(), W_OK) != 0)
        refusePermission(device, "写入");
    const fs::path usersFile = folder / ContainerExport::kUsersFile;
    users_ = ::open(usersFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (users_ < 0)
        throw IoError(io_text::kWriteError, usersFile.string());
    const bool first = ::flock(users_, LOCK_EX | LOCK_NB) == 0;
    if (first) {
        // Nothing of ours held the device: whatever changed it since is read afresh.
        const auto now = std::chrono::system_clock::now().time_since_epoch().count();
        replaceScratchFile(folder / "disk.session", std::to_string(now) + "-" + std::to_string(::getpid()),
                           (folder / "disk.session").string());
    }
    ::flock(users_, LOCK_SH);
    exclusive_ = ::open(device.c_str(), O_RDWR | O_EXCL | O_CLOEXEC);
    if (exclusive_ < 0 && (errno != EBUSY || first)) {
        const int error = errno;
        ::close(users_);
        if (error == EACCES || error == EPERM)
            refusePermission(device, "写入");
        throw Error("磁盘 " + device.string() +
                    " 正被别的程序使用。请先关闭用着它的程序（或卸载它），再打开");
    }
}

DeviceHold::~DeviceHold() {
    if (exclusive_ >= 0)
        ::close(exclusive_);
    ::close(users_);
}

} // namespace w98::disk
