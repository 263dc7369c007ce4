#include "emulator_locks.h"

#include <fcntl.h>
#include <unistd.h>

namespace w98::disk {

EmulatorLocks::EmulatorLocks(const std::filesystem::path& disk) {
    fd_ = ::open(disk.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    for (const long byte : {101L, 102L, 200L, 201L, 203L}) {
        struct flock lock {};
        lock.l_type = F_RDLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = byte;
        lock.l_len = 1;
        (void)::fcntl(fd_, F_OFD_SETLK, &lock);
    }
}

EmulatorLocks::~EmulatorLocks() {
    if (fd_ >= 0)
        ::close(fd_); // the last descriptor of the open file: its locks go with it
}

} // namespace w98::disk
