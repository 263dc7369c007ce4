#include "file_lock.h"

#include <algorithm>
#include <cerrno>
#include <sys/file.h>
#include <thread>

namespace w98 {

LockTaken lockBefore(int fd, LockShare share, std::chrono::steady_clock::time_point deadline,
                     std::chrono::steady_clock::duration poll) {
    const int how = (share == LockShare::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    for (;;) {
        if (::flock(fd, how) == 0)
            return LockTaken::Held;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return LockTaken::NoLocks;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return LockTaken::Busy;
        std::this_thread::sleep_for(std::min(poll, deadline - now));
    }
}

} // namespace w98
