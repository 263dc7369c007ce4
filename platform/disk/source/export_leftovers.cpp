#include "export_leftovers.h"

#include "platform/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

std::string readSmall(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string procFile(pid_t pid, const char* name) {
    return readSmall("/proc/" + std::to_string(pid) + "/" + name);
}

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

bool processAlive(pid_t pid) {
    if (pid <= 0)
        return false;
    const std::string stat = procFile(pid, "stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

pid_t parentProcess(pid_t pid) {
    const std::string stat = procFile(pid, "stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream rest(stat.substr(close + 2));
    char state = 0;
    pid_t parent = -1;
    rest >> state >> parent;
    return parent;
}

bool exportsTo(pid_t pid, const fs::path& raw) {
    if (!processAlive(pid))
        return false;
    // The words are NUL-separated: the daemon's name is the first, the mount point in a later one.
    const std::string words = procFile(pid, "cmdline");
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

void waitUntilEnded(pid_t pid) {
    for (int i = 0; i < 10000 && processAlive(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (processAlive(pid))
        ::kill(pid, SIGKILL);
    for (int i = 0; i < 200 && processAlive(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
