#include "image_journal.h"

#include "base/error.h"
#include "base/hash.h"
#include "base/host_file.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace w98::disk {
namespace {

// Why the last write failed, in words that send the user the right way.
std::string writeFailure() {
    if (errno == ENOTCONN || errno == EIO)
        return "错误号 " + std::to_string(errno) +
               "：为虚拟机容器提供内容的 qemu-storage-daemon 可能已经退出";
    if (errno == ENOSPC)
        return "映像文件所在的文件系统已满";
    return "错误号 " + std::to_string(errno);
}

constexpr std::string_view kMagic = "KVJ2";
// The top bit of a write's size marks a barrier after it.
constexpr std::uint64_t kBarrierBit = 1ull << 63;

std::function<void(const std::vector<ImageWrite>&)>& observer() {
    static std::function<void(const std::vector<ImageWrite>&)> o;
    return o;
}

void append64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint64_t read64(std::string_view in, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
    return v;
}

// A journal as read back: the image's size when it was made, and each write with the hash of
// the bytes it replaces.
struct Journal {
    std::uint64_t imageSize = 0;
    std::vector<ImageWrite> writes;
    std::vector<std::uint64_t> replaced;
};

std::optional<Journal> parse(std::string_view j) {
    if (j.size() < kMagic.size() + 16 || j.substr(0, kMagic.size()) != kMagic)
        return std::nullopt;
    const std::string_view body = j.substr(0, j.size() - 8);
    if (fnv1a(body) != read64(j, j.size() - 8))
        return std::nullopt;
    Journal out;
    out.imageSize = read64(body, kMagic.size());
    std::size_t at = kMagic.size() + 8;
    while (at + 24 <= body.size()) {
        const std::uint64_t offset = read64(body, at);
        const std::uint64_t sized = read64(body, at + 8);
        const std::uint64_t size = sized & ~kBarrierBit;
        out.replaced.push_back(read64(body, at + 16));
        at += 24;
        if (size > body.size() - at)
            return std::nullopt;
        out.writes.push_back({offset, std::string(body.substr(at, size)), (sized & kBarrierBit) != 0});
        at += size;
    }
    if (at != body.size())
        return std::nullopt;
    return out;
}

std::uint64_t imageSize(int fd) {
    const off_t end = ::lseek(fd, 0, SEEK_END);
    return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

// The image's bytes where a write goes; shorter where the image ends or cannot be read.
std::string bytesAt(int fd, std::uint64_t offset, std::size_t size) {
    std::string out(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return out;
}

// Whether the image is still in a state the journal leads through: as large as it was, and
// every place it writes holding what it held then or what one of the journal's writes there
// puts. Anything else was changed by someone else since (a virtual PC), and replaying would
// overwrite that.
bool stillMatches(int fd, const Journal& j) {
    if (imageSize(fd) != j.imageSize)
        return false;
    for (std::size_t i = 0; i < j.writes.size(); ++i) {
        const ImageWrite& w = j.writes[i];
        const std::uint64_t now = fnv1a(bytesAt(fd, w.offset, w.bytes.size()));
        bool known = now == j.replaced[i];
        for (const ImageWrite& other : j.writes)
            known = known || (other.offset == w.offset && other.bytes.size() == w.bytes.size() &&
                              fnv1a(other.bytes) == now);
        if (!known)
            return false;
    }
    return true;
}

// Only calls that are safe between fork and _exit.
bool applyAll(int fd, const std::vector<ImageWrite>& writes) {
    for (const ImageWrite& w : writes) {
        std::size_t done = 0;
        while (done < w.bytes.size()) {
            const ssize_t n = ::pwrite(fd, w.bytes.data() + done, w.bytes.size() - done,
                                       static_cast<off_t>(w.offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        if (w.barrier && ::fdatasync(fd) != 0)
            return false;
    }
    return ::fdatasync(fd) == 0;
}

} // namespace

void writeJournal(int fd, const std::filesystem::path& journal, const std::vector<ImageWrite>& writes) {
    std::string j(kMagic);
    append64(j, imageSize(fd));
    for (const ImageWrite& w : writes) {
        append64(j, w.offset);
        append64(j, w.bytes.size() | (w.barrier ? kBarrierBit : 0));
        append64(j, fnv1a(bytesAt(fd, w.offset, w.bytes.size())));
        j += w.bytes;
    }
    append64(j, fnv1a(j));
    replaceHostFile(journal, j, journal.string());
}

void writeThroughJournal(int fd, const std::vector<ImageWrite>& writes, const std::filesystem::path& journal,
                         const std::string& displayName) {
    if (writes.empty())
        return;
    if (observer())
        observer()(writes);
    // New data goes straight in: until the journaled part points at it, it is free space.
    std::vector<ImageWrite> journaled;
    std::vector<ImageWrite> fresh;
    for (const ImageWrite& w : writes)
        (w.fresh && journaled.empty() ? fresh : journaled).push_back(w);
    if (!fresh.empty() && !applyAll(fd, fresh))
        throw Error("磁盘映像 " + displayName + " 写不进去（" + writeFailure() + "），这一步没有写进磁盘");
    if (journaled.empty())
        return;
    writeJournal(fd, journal, journaled);
    const std::string journalName = journal.string();
    const pid_t pid = ::fork();
    if (pid < 0)
        throw IoError(io_text::kWriteError, displayName);
    if (pid == 0) {
        // A session of its own: a signal to the program's process group does not reach it.
        ::setsid();
        const bool ok = applyAll(fd, journaled);
        if (ok)
            ::unlink(journalName.c_str());
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw Error("磁盘映像 " + displayName + " 没能写完：改动留在日志 " + journalName +
                    " 里，下次打开时补写。");
}

void setImageWriteObserver(std::function<void(const std::vector<ImageWrite>&)> o) {
    observer() = std::move(o);
}

JournalOutcome recoverJournal(int fd, const std::filesystem::path& journal, const std::string& displayName) {
    const auto bytes = readHostFileIfExists(journal, journal.string());
    if (!bytes)
        return JournalOutcome::None;
    const auto j = parse(*bytes);
    std::error_code ec;
    if (j && !stillMatches(fd, *j)) {
        std::filesystem::path aside = journal;
        aside += kSetAsideSuffix;
        std::filesystem::rename(journal, aside, ec);
        if (ec)
            throw IoError(io_text::kWriteError, aside.string());
        return JournalOutcome::SetAside;
    }
    if (j && !applyAll(fd, j->writes))
        throw Error("磁盘映像 " + displayName + " 写不进去（" + writeFailure() +
                    "），上次没写完的一步还留在日志 " + journal.string() + " 里");
    std::filesystem::remove(journal, ec);
    return j ? JournalOutcome::Completed : JournalOutcome::Dropped;
}

std::string setAsideNotice(const std::string& displayName, const std::filesystem::path& journal) {
    std::filesystem::path aside = journal;
    aside += kSetAsideSuffix;
    return "磁盘映像 " + displayName +
           " 上次被中断的那一步没有完成：之后磁盘已被别的程序（例如虚拟机）改过，"
           "那一步的改动没有写入磁盘，留在 " +
           aside.string() + " 里。请重做那一步。\n";
}

} // namespace w98::disk
