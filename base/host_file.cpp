#include "host_file.h"

#include "dos_attributes.h"
#include "errno_text.h"
#include "error.h"
#include "short_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace w98 {

const char* textForErrno(int err) {
    switch (err) {
    case ENOENT:
        return io_text::kFileNotFound;
    case ENOTDIR:
        return io_text::kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return io_text::kAccessDenied;
    case ENOSPC:
    case EDQUOT:
        return io_text::kDiskFull;
    case ENAMETOOLONG:
        return io_text::kInvalidName;
    default:
        return io_text::kWriteError;
    }
}

namespace {

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }

  private:
    int fd_;
};

} // namespace

std::optional<std::string> readHostFileIfExists(const std::filesystem::path& file,
                                                const std::string& displayName, struct stat* statOut) {
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        throw IoError(textForErrno(errno), displayName);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw IoError(io_text::kReadError, displayName);
    if (S_ISDIR(st.st_mode))
        throw IoError(io_text::kAccessDenied, displayName);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IoError(io_text::kReadError, displayName);
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    if (statOut)
        *statOut = st;
    return bytes;
}

std::string readHostFile(const std::filesystem::path& file, const std::string& displayName) {
    auto bytes = readHostFileIfExists(file, displayName);
    if (!bytes)
        throw IoError(io_text::kFileNotFound, displayName);
    return std::move(*bytes);
}

std::string readHostFileOrEmpty(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

namespace {

std::mutex workingCopiesMutex;
std::vector<std::string> workingCopies;

bool inWorkingCopy(const std::filesystem::path& file) {
    const std::lock_guard lock(workingCopiesMutex);
    const std::string& f = file.native();
    for (const std::string& folder : workingCopies)
        if (f.size() > folder.size() && f.compare(0, folder.size(), folder) == 0 && f[folder.size()] == '/')
            return true;
    return false;
}

void replace(const std::filesystem::path& file, std::string_view bytes, const std::string& displayName,
             std::optional<std::uint8_t> attributes, bool durable);

// A write that failed. A working folder full is this computer's own file system, not the disk
// it stands for, which may have room to spare: said so, with the folder.
[[noreturn]] void failWrite(int err, const std::filesystem::path& file, const std::string& displayName) {
    if ((err == ENOSPC || err == EDQUOT) && inWorkingCopy(file))
        throw Error("本机上存放磁盘工作文件夹的文件系统已满（" + file.parent_path().string() + "）：" +
                    displayName +
                    " 没能写进去。满的不是磁盘映像，磁盘映像没有改动；请在这个文件系统上腾出空间后重做");
    throw IoError(textForErrno(err), displayName);
}

} // namespace

void setWorkingCopyFolder(const std::filesystem::path& folder) {
    const std::lock_guard lock(workingCopiesMutex);
    if (std::find(workingCopies.begin(), workingCopies.end(), folder.native()) == workingCopies.end())
        workingCopies.push_back(folder.native());
}

void replaceHostFile(const std::filesystem::path& file, std::string_view bytes,
                     const std::string& displayName, std::optional<std::uint8_t> attributes) {
    replace(file, bytes, displayName, attributes, !inWorkingCopy(file));
}

void replaceScratchFile(const std::filesystem::path& file, std::string_view bytes,
                        const std::string& displayName) {
    replace(file, bytes, displayName, std::nullopt, false);
}

namespace {

void replace(const std::filesystem::path& file, std::string_view bytes, const std::string& displayName,
             std::optional<std::uint8_t> attributes, bool durable) {
    static thread_local std::mt19937 rng{std::random_device{}()};
    const auto dir = file.parent_path();
    struct stat dirSt {};
    if (::stat(dir.c_str(), &dirSt) != 0 || !S_ISDIR(dirSt.st_mode))
        throw IoError(io_text::kPathNotFound, displayName);
    struct stat targetSt {};
    if (::stat(file.c_str(), &targetSt) == 0 && S_ISDIR(targetSt.st_mode))
        throw IoError(io_text::kAccessDenied, displayName);

    std::filesystem::path tmp;
    int raw = -1;
    for (int attempt = 0; attempt < 16 && raw < 0; ++attempt) {
        // The process id keeps the names of a writer forked from another apart from the
        // leftovers of its killed siblings, which share the generator's state.
        tmp = dir / ("." + file.filename().string() + "." + std::to_string(::getpid()) + "-" +
                     std::to_string(rng() % 1000000) + ".tmp");
        raw = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (raw < 0 && errno != EEXIST)
            failWrite(errno, file, displayName);
    }
    if (raw < 0)
        throw IoError(io_text::kWriteError, displayName);
    Fd fd(raw);
    auto fail = [&](int err) {
        ::unlink(tmp.c_str());
        failWrite(err, file, displayName);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (durable && ::fsync(fd.get()) != 0)
        fail(errno);
    if (::close(fd.release()) != 0)
        fail(errno);
    if (attributes) {
        try {
            writeDosAttributes(tmp, *attributes, displayName);
        } catch (...) {
            ::unlink(tmp.c_str());
            throw;
        }
    }
    // The short name MS-DOS knows the file by stays the one it had, as on FAT.
    short_names::carryOver(file, tmp);
    if (::rename(tmp.c_str(), file.c_str()) != 0)
        fail(errno);
}

} // namespace

} // namespace w98
