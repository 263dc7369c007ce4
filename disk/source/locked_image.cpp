#include "locked_image.h"

#include "base/error.h"
#include "base/file_lock.h"
#include "emulator_locks.h"
#include "registry/registry_lock.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace w98::disk {

bool writingRefused(int err) {
    return err == EACCES || err == EROFS || err == EPERM;
}

LockedImage::LockedImage(const std::filesystem::path& image, const std::string& display) {
    fd_ = ::open(image.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0 && writingRefused(errno)) {
        fd_ = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
        readOnly_ = true;
    }
    if (fd_ < 0)
        throw Error("磁盘映像 " + display + (errno == ENOENT ? " 不存在" : " 无法打开"));
    // A virtual PC that has the image open holds a lock on it (QEMU does); its disk must
    // not change under it. Only QEMU's own byte: the locks this machine's programs hold
    // (emulator_locks.h) are not a virtual PC's.
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = kQemuOpenLockByte;
    probe.l_len = 1;
    if (::fcntl(fd_, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
        ::close(fd_);
        throw Error("磁盘映像 " + display + " 正被虚拟机使用。请先关闭虚拟机，再修复它的磁盘");
    }
    const auto deadline = std::chrono::steady_clock::now() + registryLockWait();
    if (lockBefore(fd_, LockShare::Exclusive, deadline, std::chrono::milliseconds(20)) != LockTaken::Held) {
        ::close(fd_);
        throw Error("磁盘映像 " + display + " 正被另一个程序使用，请稍后再试");
    }
}

LockedImage::~LockedImage() {
    ::close(fd_);
}

} // namespace w98::disk
