#include "registry_lock.h"

#include "base/error.h"
#include "base/file_lock.h"
#include "base/text.h"
#include "registry/registry_pair.h"

#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace w98 {

namespace detail {
struct RegistryLockSlot {
    int fd = -1;
    int count = 0;
    std::thread::id owner;
    std::pair<dev_t, ino_t> folder;
};
} // namespace detail

using Slot = detail::RegistryLockSlot;

namespace {

std::atomic<long long> waitMs{5000};

// The folders this process holds (or is taking) the lock of, by device and inode, so that the
// holding thread may take it again and other threads wait for it.
// A program that changes the registry again and again would take the lock back each time before
// a waiting program, which looks only every millisecond, ever saw it free, and could keep it
// out past its wait. So after holding the lock with hardly a gap for a while, it lets go for a
// moment before taking it again.
constexpr auto kPoll = std::chrono::milliseconds(1);
constexpr auto kNoGap = std::chrono::milliseconds(2);
constexpr auto kRun = std::chrono::milliseconds(100);
constexpr auto kGiveWay = std::chrono::milliseconds(5);

struct Run {
    std::chrono::steady_clock::time_point lastRelease;
    std::chrono::steady_clock::time_point since;
};

struct Slots {
    std::mutex mutex;
    std::condition_variable freed;
    std::map<std::pair<dev_t, ino_t>, std::unique_ptr<Slot>> held;
    std::map<std::pair<dev_t, ino_t>, Run> runs;
};

Slots& slots() {
    static Slots s;
    return s;
}

void release(Slot* slot) {
    Slots& all = slots();
    {
        std::lock_guard lock(all.mutex);
        if (--slot->count > 0)
            return;
        // Closing the only descriptor of the open folder lets go of the lock.
        ::close(slot->fd);
        all.runs[slot->folder].lastRelease = std::chrono::steady_clock::now();
        all.held.erase(slot->folder);
    }
    all.freed.notify_all();
}

[[noreturn]] void busy(const std::string& displayName) {
    throw Error("另一个程序正在改写注册表文件 " + displayName +
                "，等了几秒仍未完成，这次什么也没有做。请稍后再试。");
}

} // namespace

std::chrono::milliseconds registryLockWait() {
    return std::chrono::milliseconds(waitMs.load());
}

void setRegistryLockWait(std::chrono::milliseconds wait) {
    waitMs.store(wait.count());
}

bool isRegistryFileName(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    return equalsNoCase(name, "system.dat") || equalsNoCase(name, "user.dat");
}

RegistryLock::RegistryLock(const std::filesystem::path& registryFile, const std::string& displayName) {
    std::filesystem::path folder = registryFile.parent_path();
    if (folder.empty())
        folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    const auto key = std::make_pair(st.st_dev, st.st_ino);
    const auto deadline = std::chrono::steady_clock::now() + registryLockWait();
    Slots& all = slots();
    Slot* slot = nullptr;
    {
        std::unique_lock lock(all.mutex);
        auto mine = all.held.find(key);
        if (mine != all.held.end() && mine->second->owner == std::this_thread::get_id()) {
            ++mine->second->count;
            slot_ = mine->second.get();
            ::close(fd);
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        Run& run = all.runs[key];
        if (now - run.lastRelease > kNoGap) {
            run.since = now;
        } else if (now - run.since > kRun) {
            run.since = now + kGiveWay;
            lock.unlock();
            std::this_thread::sleep_for(kGiveWay);
            lock.lock();
        }
        for (;;) {
            auto it = all.held.find(key);
            if (it == all.held.end())
                break;
            if (it->second->owner == std::this_thread::get_id()) {
                ++it->second->count;
                slot_ = it->second.get();
                ::close(fd);
                return;
            }
            if (all.freed.wait_until(lock, deadline) == std::cv_status::timeout && all.held.count(key)) {
                ::close(fd);
                busy(displayName);
            }
        }
        auto owned = std::make_unique<Slot>(Slot{fd, 1, std::this_thread::get_id(), key});
        slot = owned.get();
        all.held.emplace(key, std::move(owned));
    }

    // A file system without locks leaves writers there unguarded, as before.
    if (lockBefore(fd, LockShare::Exclusive, deadline, kPoll) == LockTaken::Busy) {
        {
            std::lock_guard lock(all.mutex);
            all.held.erase(key);
        }
        all.freed.notify_all();
        ::close(fd);
        busy(displayName);
    }
    slot_ = slot;
    // Both files as one step: what a program killed between their replacements left is made
    // whole before anyone under the lock reads them.
    try {
        settleHivePair(folder);
    } catch (...) {
        release(slot_);
        throw;
    }
}

RegistryLock::~RegistryLock() {
    if (slot_)
        release(slot_);
}

} // namespace w98
