#pragma once
// A flock(2) waited for until a deadline: polled rather than blocking, so that the wait has an
// end and the caller can say who holds it.
#include <chrono>

namespace w98 {

enum class LockShare { Shared, Exclusive };

enum class LockTaken {
    Held,
    Busy,    // another opening of the file still held it at the deadline
    NoLocks, // the file system refuses locks altogether: waiting would not help
};

// Locks fd, trying again every poll until deadline.
LockTaken lockBefore(int fd, LockShare share, std::chrono::steady_clock::time_point deadline,
                     std::chrono::steady_clock::duration poll);

} // namespace w98
