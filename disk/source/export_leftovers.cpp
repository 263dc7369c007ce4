#include "export_leftovers.h"

#include "base/host_file.h"
#include "base/host_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

// The processes of this user whose command line names the raw file's storage daemon.
std::vector<pid_t> daemonsExportingTo(const fs::path& raw) {
    std::vector<pid_t> found;
    std::error_code ec;
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        struct stat owner {};
        if (::stat(it->path().c_str(), &owner) != 0 || owner.st_uid != ::geteuid())
            continue;
        const pid_t pid = static_cast<pid_t>(std::strtol(name.c_str(), nullptr, 10));
        if (pid != ::getpid() && exportsTo(pid, raw))
            found.push_back(pid);
    }
    return found;
}

} // namespace

bool exportsTo(pid_t pid, const fs::path& raw) {
    if (!processAlive(pid))
        return false;
    // The words are NUL-separated: the daemon's name is the first, the mount point in a later one.
    const std::string words = readHostFileOrEmpty("/proc/" + std::to_string(pid) + "/cmdline");
    const std::string first = words.substr(0, words.find('\0'));
    return fs::path(first).filename() == "qemu-storage-daemon" &&
           words.find(raw.string()) != std::string::npos;
}

bool exportMounted(const fs::path& raw, bool* dead) {
    struct stat file {
    }, folder{};
    if (::stat(raw.c_str(), &file) != 0) {
        if (dead)
            *dead = errno == ENOTCONN;
        return errno == ENOTCONN;
    }
    if (dead)
        *dead = false;
    return ::stat(raw.parent_path().c_str(), &folder) == 0 && file.st_dev != folder.st_dev;
}

void unmountExport(const fs::path& raw) {
    if (::umount2(raw.c_str(), MNT_DETACH) == 0)
        return;
    spawnQuietly({"fusermount3", "-u", "-z", raw.string()}, {}, true);
}

std::string endLeftovers(const fs::path& raw, pid_t keep, const std::string& diskName) {
    std::string said;
    for (const pid_t daemon : daemonsExportingTo(raw)) {
        if (daemon == keep)
            continue;
        ::kill(daemon, SIGTERM);
        waitUntilEnded(daemon);
        said += "已结束磁盘 " + diskName + " 上次被中断时留下的 qemu-storage-daemon（进程 " +
                std::to_string(daemon) + "）。\n";
    }
    // With no daemon of its own left, a mount still there is one nobody serves (or soon will
    // not: its daemon killed a moment ago may still answer from the kernel's cache).
    if (exportMounted(raw)) {
        unmountExport(raw);
        said += "已卸下磁盘 " + diskName + " 上次被中断时留下的失效挂载 " + raw.string() + "。\n";
    }
    return said;
}

} // namespace w98::disk
