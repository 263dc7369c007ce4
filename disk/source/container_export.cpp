#include "container_export.h"

#include "base/error.h"
#include "base/host_file.h"
#include "base/host_process.h"
#include "base/text.h"
#include "container_check.h"
#include "export_leftovers.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <sstream>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

constexpr const char* kDaemon = "qemu-storage-daemon";
constexpr const char* kRecordFile = "export.record";
constexpr const char* kLogFile = "export.log";
constexpr const char* kLockFile = "export.lock";

std::string json(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Moves fd to a number of its own at or above 10, that the fixed numbers below stay free.
int highUp(int fd) {
    return ::fcntl(fd, F_DUPFD, 10);
}

} // namespace

ContainerExport::ContainerExport(const DiskSource& source, const fs::path& folder)
    : folder_(folder), raw_(rawIn(folder)), source_(source) {
    const int lock = ::open((folder_ / kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    users_ = ::open((folder_ / kUsersFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || users_ < 0) {
        if (lock >= 0)
            ::close(lock);
        if (users_ >= 0)
            ::close(users_);
        throw IoError(io_text::kWriteError, (folder_ / kUsersFile).string());
    }
    // One opening at a time; a watcher stopping the last export finishes first.
    ::flock(lock, LOCK_EX);
    ::flock(users_, LOCK_SH);
    try {
        start();
    } catch (...) {
        ::close(users_);
        ::close(lock);
        throw;
    }
    ::close(lock);
}

void ContainerExport::start() {
    std::istringstream record(readHostFileOrEmpty(folder_ / kRecordFile));
    pid_t watcher = -1, daemon = -1;
    record >> watcher >> daemon;
    if (processAlive(watcher) && exportsTo(daemon, raw_) && parentProcess(daemon) == watcher &&
        exportMounted(raw_)) {
        daemon_ = daemon;
        return;
    }
    // What a killed program or watcher left: a daemon nobody will stop (its watcher killed, or
    // its starter killed before it could record it), and a mount nobody serves.
    const std::string leftovers = endLeftovers(raw_, -1, source_.path.string());
    if (!leftovers.empty())
        std::cerr << leftovers << std::flush;
    std::error_code ec;
    if (!fs::is_regular_file(raw_, ec)) {
        fs::remove(raw_, ec);
        replaceScratchFile(raw_, "", raw_.string());
    }
    // A new session: the container is judged before anything of it is read or written.
    checkContainer(source_);
    if (!findOnHostPath(kDaemon))
        throw Error(
            "要打开 " + source_.display + " 磁盘 " + source_.path.string() +
            "，需要 QEMU 的 qemu-storage-daemon（Debian 软件包 qemu-system-common）和 FUSE（软件包 fuse3）。"
            "请先安装它们，或用 qemu-img convert 把磁盘转换成原始映像");

    const std::string file = "{\"driver\":\"file\",\"node-name\":\"file\",\"filename\":" +
                             json(fs::absolute(source_.path).string()) + "}";
    const std::string format =
        "{\"driver\":" + json(source_.driver) + ",\"node-name\":\"disk\",\"file\":\"file\"}";
    const std::string exported =
        "{\"type\":\"fuse\",\"id\":\"disk\",\"node-name\":\"disk\",\"writable\":true,"
        "\"mountpoint\":" +
        json(raw_.string()) + "}";
    std::vector<std::string> words = {kDaemon, "--blockdev", file,    "--blockdev",
                                      format,  "--export",   exported};
    const std::vector<char*> argv = execWords(words);
    const std::string users = (folder_ / kUsersFile).string();
    const std::string log = (folder_ / kLogFile).string();
    std::string rawPath = raw_.string();
    std::string fusermount = "fusermount3", lazily = "-u", detach = "-z";
    std::vector<char*> unmount = {fusermount.data(), lazily.data(), detach.data(), rawPath.data(), nullptr};

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        throw Error("无法启动 " + std::string(kDaemon));
    // Only calls safe after fork in a program with threads, until exec.
    const pid_t middle = ::fork();
    if (middle == 0) {
        // The watcher outlives the program: its end must not take the watcher along, neither
        // through the report it writes to a reader already gone nor through the terminal.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, nullptr);
        ::sigaction(SIGHUP, &ignore, nullptr);
        if (::fork() != 0)
            ::_exit(0); // the watcher goes on alone, that nothing waits for it
        ::setsid();
        const int ownUsers = highUp(::open(users.c_str(), O_RDONLY));
        const int logFd = highUp(::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
        const int nothing = highUp(::open("/dev/null", O_RDWR));
        const int out = highUp(report[1]);
        ::dup2(ownUsers, 3);
        ::dup2(logFd, 4);
        ::dup2(out, 5);
        ::dup2(nothing, 0);
        ::dup2(nothing, 1);
        ::dup2(nothing, 2);
        ::close_range(6, ~0U, 0);
        const pid_t d = ::fork();
        if (d == 0) {
            struct sigaction usual {};
            usual.sa_handler = SIG_DFL;
            ::sigaction(SIGPIPE, &usual, nullptr);
            ::sigaction(SIGHUP, &usual, nullptr);
            ::dup2(4, 1);
            ::dup2(4, 2);
            ::close_range(3, ~0U, 0);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        const pid_t pids[2] = {::getpid(), d};
        (void)!::write(5, pids, sizeof pids);
        ::close(5);
        if (d < 0)
            ::_exit(1); // never kill(-1): that would signal every process of the user
        ::close(4);
        // Granted once every program using the disk has let go of it, ended or killed.
        ::flock(3, LOCK_EX);
        ::kill(d, SIGTERM);
        bool ended = false;
        for (int i = 0; i < 1000 && !ended; ++i) {
            ended = ::waitpid(d, nullptr, WNOHANG) == d;
            const struct timespec pause { 0, 10000000 };
            if (!ended)
                ::nanosleep(&pause, nullptr);
        }
        if (!ended) {
            ::kill(d, SIGKILL);
            ::waitpid(d, nullptr, 0);
        }
        // A daemon that had to be killed outright leaves its mount "not connected" behind.
        struct stat mount {};
        if (::stat(rawPath.c_str(), &mount) != 0 && errno == ENOTCONN &&
            ::umount2(rawPath.c_str(), MNT_DETACH) != 0) {
            const pid_t u = ::fork();
            if (u == 0) {
                ::execvp(unmount[0], unmount.data());
                ::_exit(127);
            }
            if (u > 0)
                ::waitpid(u, nullptr, 0);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    pid_t pids[2] = {-1, -1};
    const bool started =
        middle > 0 && ::read(report[0], pids, sizeof pids) == static_cast<ssize_t>(sizeof pids);
    ::close(report[0]);
    if (middle > 0)
        ::waitpid(middle, nullptr, 0);
    if (!started || pids[1] <= 0)
        throw Error("无法启动 " + std::string(kDaemon));
    daemon_ = pids[1];

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!exportMounted(raw_)) {
        if (!processAlive(daemon_) || std::chrono::steady_clock::now() > deadline) {
            std::string said = readHostFileOrEmpty(folder_ / kLogFile);
            ::kill(daemon_, SIGTERM);
            if (said.find("\"write\" lock") != std::string::npos)
                throw Error("磁盘 " + source_.path.string() +
                            " 正被虚拟机使用。请先关闭虚拟机，再修复它的磁盘");
            // FUSE closed to the user says "Permission denied" too, of /dev/fuse, not of the disk.
            if (said.find("/dev/fuse") != std::string::npos)
                throw Error(
                    "无法打开磁盘 " + source_.path.string() +
                    "：当前用户不能使用 FUSE（没有 /dev/fuse 的读写权限）。请让管理员把 /dev/fuse "
                    "设为所有用户可读写（Debian 的默认设置），或用 qemu-img convert 把磁盘转换成原始映像");
            if (said.find("Permission denied") != std::string::npos ||
                said.find("Read-only") != std::string::npos)
                throw Error("磁盘 " + source_.path.string() +
                            " 无法写入：当前用户没有写入它的权限，或它在只读的地方。请检查文件的权限");
            if (said.find("backing file") != std::string::npos)
                throw Error("磁盘 " + source_.path.string() +
                            " 是差异磁盘（快照），它的父磁盘找不到。请把父磁盘放回原处后再打开，或在虚拟机软"
                            "件里合并快照");
            if (said.find("fuse") != std::string::npos && said.find("device") != std::string::npos)
                throw Error("无法打开磁盘 " + source_.path.string() +
                            "：这台电脑不能挂载 FUSE 文件系统（/dev/fuse）。请安装 fuse3，或用 qemu-img "
                            "convert 把磁盘转换成原始映像");
            said.resize(trimmedRight(said, "\r\n").size());
            throw Error("磁盘 " + source_.path.string() + " 打不开：它的 " + source_.display +
                        " 容器已损坏或不受支持（" + (said.empty() ? std::string(kDaemon) : said) + "）");
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    replaceScratchFile(folder_ / kRecordFile, std::to_string(pids[0]) + " " + std::to_string(pids[1]) + "\n",
                       (folder_ / kRecordFile).string());
}

ContainerExport::~ContainerExport() {
    const int lock = ::open((folder_ / kLockFile).c_str(), O_RDWR | O_CLOEXEC);
    if (lock >= 0)
        ::flock(lock, LOCK_EX);
    // The last user stops the daemon itself and waits, so that the container is free for the
    // virtual PC the moment the program has ended; a killed one leaves that to the watcher.
    if (::flock(users_, LOCK_EX | LOCK_NB) == 0) {
        ::kill(daemon_, SIGTERM);
        waitUntilEnded(daemon_);
        ::close(users_);
    } else {
        ::close(users_);
        const int probe = ::open((folder_ / kUsersFile).c_str(), O_RDONLY | O_CLOEXEC);
        const bool stopping = probe >= 0 && ::flock(probe, LOCK_SH | LOCK_NB) != 0;
        if (probe >= 0)
            ::close(probe);
        if (stopping)
            waitUntilEnded(daemon_);
    }
    if (lock >= 0)
        ::close(lock);
}

} // namespace w98::disk
