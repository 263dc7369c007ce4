#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvane::test {

pid_t forkChild(const std::function<void()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 0;
        try {
            body();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child %d: %s\n", static_cast<int>(::getpid()), e.what());
            code = 1;
        }
        ::_exit(code);
    }
    return pid;
}

int waitForChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

StuckLockHolder::StuckLockHolder(const std::filesystem::path& folder) {
    int ready[2];
    if (::pipe(ready) != 0)
        return;
    pid_ = forkChild([&] {
        ::close(ready[0]);
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
            ::_exit(2);
        if (::write(ready[1], "x", 1) != 1)
            ::_exit(3);
        for (;;)
            ::pause();
    });
    ::close(ready[1]);
    char c = 0;
    held_ = pid_ > 0 && ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
}

void StuckLockHolder::release() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        waitForChild(pid_);
        pid_ = -1;
    }
    held_ = false;
}

} // namespace korvane::test
