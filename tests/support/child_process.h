#pragma once
// Child processes for tests of programs that share the machine: a body run in a forked child,
// and a child that holds the registry lock of a folder and never lets go.
#include <filesystem>
#include <functional>
#include <sys/types.h>

namespace korvane::test {

// Runs body in a forked child; its exit code is 0 when body returned, 1 when it threw (the
// error is printed to stderr).
pid_t forkChild(const std::function<void()>& body);

// The child's exit code, or 128 + the signal that ended it.
int waitForChild(pid_t pid);

// A child process that holds the registry lock of a folder, as the machine's programs take it
// (an exclusive flock on the folder), until it is killed.
class StuckLockHolder {
  public:
    explicit StuckLockHolder(const std::filesystem::path& folder);
    ~StuckLockHolder() { release(); }
    StuckLockHolder(const StuckLockHolder&) = delete;
    StuckLockHolder& operator=(const StuckLockHolder&) = delete;

    bool held() const { return held_; }
    void release(); // kills the holder

  private:
    pid_t pid_ = -1;
    bool held_ = false;
};

} // namespace korvane::test
