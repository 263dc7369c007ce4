#include "lazy_drive.h"

#include "disk/fat/fat_volume.h"
#include "disk/source/container_export.h"
#include "disk/source/disk_source.h"

#include "base/date_time.h"
#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/file_lock.h"
#include "base/host_file.h"
#include "base/short_names.h"
#include "registry/registry_lock.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

// Named as a replacement under way ("." name "." pid "-" number ".tmp"): what a killed
// program leaves so is cleared away, and a listing never shows it.
fs::path temporaryBeside(const fs::path& host) {
    static std::atomic<unsigned> counter{0};
    return host.parent_path() /
           (".k." + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp");
}

std::time_t hostTimeOf(std::uint32_t written) {
    return written == 0 ? 0 : timeOfLocal(unpackDosDateTime(written));
}

void setTime(const fs::path& host, std::int64_t ns) {
    struct timespec at {};
    at.tv_sec = static_cast<std::time_t>(ns / 1000000000);
    at.tv_nsec = static_cast<long>(ns % 1000000000);
    const struct timespec times[2] = {at, at};
    ::utimensat(AT_FDCWD, host.c_str(), times, 0);
}

// Puts a finished entry in place; false when something else stands there already.
bool moveInto(const fs::path& tmp, const fs::path& host) {
    if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, host.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    std::error_code ec;
    fs::remove_all(tmp, ec);
    return false;
}

// A lock held for a while, waited for as long as the registry lock is.
class FileLock {
  public:
    FileLock(int fd, LockShare share, const std::string& busy) : fd_(fd) {
        const auto deadline = std::chrono::steady_clock::now() + registryLockWait();
        if (lockBefore(fd_, share, deadline, std::chrono::milliseconds(10)) != LockTaken::Held)
            throw Error(busy);
    }
    ~FileLock() { ::flock(fd_, LOCK_UN); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

  private:
    int fd_;
};

// The temporary file of a replacement under way: "." name "." pid ["-" number] ".tmp", as
// replaceHostFile and placeFile make them. Another file named so is the user's own. Gives the pid.
std::optional<pid_t> inFlightWriter(const std::string& name) {
    if (!name.starts_with('.') || !name.ends_with(".tmp"))
        return std::nullopt;
    const std::string stem = name.substr(0, name.size() - 4);
    const auto dot = stem.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::nullopt;
    const std::string tail = stem.substr(dot + 1);
    const std::string pid = tail.substr(0, tail.find('-'));
    const std::string rest = tail.find('-') == std::string::npos ? "0" : tail.substr(tail.find('-') + 1);
    const auto digits = [](const std::string& t) {
        return !t.empty() && t.size() < 10 &&
               std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(pid) || !digits(rest))
        return std::nullopt;
    return static_cast<pid_t>(std::stol(pid));
}

} // namespace

// The names of a host folder, without what replacements under way hold; what a killed writer
// left is cleared away.
std::vector<std::string> hostNames(const fs::path& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (const auto writer = inFlightWriter(name)) {
            if (::kill(*writer, 0) != 0 && errno == ESRCH) {
                std::error_code ec;
                fs::remove_all(folder / name, ec);
            }
            continue;
        }
        names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {
constexpr const char* kStateFile = "image.state";
constexpr const char* kStateHeader = "korvane-image-state 2";
} // namespace

std::string exchangedIdentity(const fs::path& folder) {
    const fs::path file = folder / kStateFile;
    const auto bytes = readHostFileIfExists(file, file.string());
    if (!bytes)
        return {};
    std::istringstream in(*bytes);
    std::string header, identity;
    if (!std::getline(in, header) || header != kStateHeader || !std::getline(in, identity))
        return {};
    return identity;
}

void recordExchange(const fs::path& folder, const std::string& identity) {
    const fs::path file = folder / kStateFile;
    replaceScratchFile(file, std::string(kStateHeader) + "\n" + identity + "\n", file.string());
}

namespace {

std::string identityOfStat(const struct stat& st) {
    std::ostringstream s;
    s << st.st_dev << ' ' << st.st_ino << ' ' << st.st_size << ' ' << st.st_mtim.tv_sec << '.'
      << st.st_mtim.tv_nsec;
    return s.str();
}

} // namespace

std::string imageIdentity(int fd) {
    struct stat st {};
    ::fstat(fd, &st);
    return identityOfStat(st);
}

std::string identityOf(const fs::path& folder, const std::string& how, int fd) {
    if (how.starts_with("file ")) {
        struct stat st {};
        return ::stat(how.c_str() + 5, &st) == 0 ? identityOfStat(st) : std::string();
    }
    if (how == "session") {
        struct stat st {};
        ::fstat(fd, &st);
        const auto session = readHostFileIfExists(folder / "disk.session", "disk.session");
        return "device " + std::to_string(st.st_rdev) + " " + session.value_or("");
    }
    return imageIdentity(fd);
}

void placeEntries(const FatVolume& volume, std::uint32_t dir, const fs::path& hostFolder) {
    const auto record = readEntryRecord(hostFolder);
    if (record && record->kind != EntryRecord::Kind::Unlisted)
        return;
    for (const FatEntry& e : volume.list(dir)) {
        const fs::path host = hostFolder / e.name;
        struct stat st {};
        if (::lstat(host.c_str(), &st) == 0)
            continue;
        const fs::path tmp = temporaryBeside(host);
        if (e.isDirectory()) {
            if (::mkdir(tmp.c_str(), 0755) != 0)
                throw IoError(io_text::kWriteError, host.string());
        } else {
            const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0)
                throw IoError(io_text::kWriteError, host.string());
            const bool sized = ::ftruncate(fd, static_cast<off_t>(e.size)) == 0;
            ::close(fd);
            if (!sized) {
                ::unlink(tmp.c_str());
                throw IoError(io_text::kWriteError, host.string());
            }
        }
        const std::int64_t t = static_cast<std::int64_t>(hostTimeOf(e.written)) * 1000000000;
        // The record alone holds its attributes and short name, so that it fits the inode.
        const auto kind = e.isDirectory() ? EntryRecord::Kind::Unlisted : EntryRecord::Kind::Placeholder;
        if (!writeEntryRecord(
                tmp, {kind, e.firstCluster, e.size, e.written, t, e.attributes, dir, e.name, e.shortName})) {
            std::error_code ec;
            fs::remove_all(tmp, ec);
            throw IoError(io_text::kWriteError, host.string() + "（这个文件系统无法保存扩展属性）");
        }
        setTime(tmp, t);
        moveInto(tmp, host);
    }
    EntryRecord listed = record.value_or(EntryRecord{});
    listed.kind = EntryRecord::Kind::Listed;
    listed.firstCluster = dir;
    listed.size = static_cast<std::uint32_t>(hostNames(hostFolder).size());
    writeEntryRecord(hostFolder, listed);
}

std::unique_ptr<LazyDrive> LazyDrive::openIfDisk(const fs::path& machineRoot) {
    const fs::path source = machineRoot / kSourceFile;
    const auto named = readHostFileIfExists(source, source.string());
    if (!named)
        return nullptr;
    std::istringstream lines(*named);
    std::string image, how, display;
    std::getline(lines, image);
    std::getline(lines, how);
    std::getline(lines, display);
    return std::unique_ptr<LazyDrive>(
        new LazyDrive(machineRoot, image, how, display.empty() ? image : display));
}

LazyDrive::LazyDrive(fs::path folder, fs::path image, std::string how, std::string display)
    : folder_(std::move(folder)), drive_(folder_ / "drive_c"), image_(std::move(image)), how_(std::move(how)),
      display_(std::move(display)) {}

OpenVolume::OpenVolume(OpenVolume&& o) noexcept
    : fd(std::exchange(o.fd, -1)), volume(std::move(o.volume)), identity(std::move(o.identity)) {}

OpenVolume& OpenVolume::operator=(OpenVolume&& o) noexcept {
    if (this != &o) {
        volume.reset();
        if (fd >= 0)
            ::close(fd);
        fd = std::exchange(o.fd, -1);
        volume = std::move(o.volume);
        identity = std::move(o.identity);
    }
    return *this;
}

OpenVolume::~OpenVolume() {
    volume.reset();
    if (fd >= 0)
        ::close(fd);
}

LazyDrive::~LazyDrive() {
    if (lock_ >= 0)
        ::close(lock_);
}

void LazyDrive::adopt(OpenVolume opened) {
    if (opened.volume)
        opened_ = std::move(opened);
}

bool LazyDrive::below(const fs::path& host) const {
    const std::string& h = host.native();
    const std::string& d = drive_.native();
    return h.size() >= d.size() && h.compare(0, d.size(), d) == 0 &&
           (h.size() == d.size() || h[d.size()] == '/');
}

void LazyDrive::joinExport() {
    if (!export_ && how_.starts_with("file "))
        export_ = std::make_unique<ContainerExport>(diskSourceOf(how_.substr(5)), folder_);
}

const FatVolume& LazyDrive::volume() {
    const std::string& display = display_;
    if (opened_.fd < 0) {
        joinExport();
        opened_.fd = ::open(image_.c_str(), O_RDONLY | O_CLOEXEC);
        if (opened_.fd < 0)
            throw Error("磁盘映像 " + display + (errno == ENOENT ? " 不存在" : " 无法打开"));
    }
    const std::string identity = identityOf(folder_, how_, opened_.fd);
    if (!opened_.volume || identity != opened_.identity) {
        opened_.volume.reset();
        opened_.volume = std::make_unique<FatVolume>(opened_.fd, display, FatCheck::Folders);
        opened_.identity = identity;
    }
    return *opened_.volume;
}

void LazyDrive::whileHeld(const std::function<void(const FatVolume&)>& work) {
    const std::string busy = "磁盘映像 " + display_ + " 正被另一个程序使用，请稍后再试";
    volume();
    const FileLock image(opened_.fd, LockShare::Shared, busy);
    if (lock_ < 0)
        lock_ = ::open((folder_ / "lazy.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_ < 0)
        throw IoError(io_text::kWriteError, (folder_ / "lazy.lock").string());
    const FileLock placing(lock_, LockShare::Exclusive, busy);
    work(volume());
}

void LazyDrive::checkStillThere(const FatVolume& v, const fs::path& host, const EntryRecord& record) const {
    if (host == drive_ || opened_.identity == exchangedIdentity(folder_))
        return;
    // Another program wrote the image since: the clusters the entry had may be another's now.
    const auto parent = readEntryRecord(host.parent_path());
    if (parent)
        for (const FatEntry& e : v.list(parent->firstCluster))
            if (e.name == host.filename().string() && e.firstCluster == record.firstCluster &&
                (e.isDirectory() || e.size == record.size))
                return;
    throw Error("磁盘映像 " + display_ + " 在本程序运行时被别的程序改过，" + host.filename().string() +
                " 已不是本程序看到的样子。请关闭本程序后重新打开");
}

void LazyDrive::list(const fs::path& hostFolder) {
    if (!below(hostFolder))
        return;
    const auto record = readEntryRecord(hostFolder);
    if (record && record->kind == EntryRecord::Kind::Unlisted)
        whileHeld([&](const FatVolume& v) {
            checkStillThere(v, hostFolder, *record);
            placeEntries(v, record->firstCluster, hostFolder);
        });
}

void LazyDrive::fill(const fs::path& hostFile) {
    if (!below(hostFile))
        return;
    if (const auto seen = readEntryRecord(hostFile); !seen || seen->kind != EntryRecord::Kind::Placeholder)
        return;
    whileHeld([&](const FatVolume& v) {
        auto record = readEntryRecord(hostFile);
        struct stat st {};
        if (!record || record->kind != EntryRecord::Kind::Placeholder || ::stat(hostFile.c_str(), &st) != 0)
            return; // filled meanwhile
        checkStillThere(v, hostFile, *record);
        // What a program changed on the placeholder (attributes, time) stays.
        const std::uint8_t attributes = readDosAttributes(hostFile, hostFile.string());
        const std::string shortName = short_names::of(hostFile);
        const fs::path tmp = temporaryBeside(hostFile);
        replaceScratchFile(tmp, v.read(record->firstCluster, record->size), hostFile.string());
        writeDosAttributes(tmp, attributes, hostFile.string());
        short_names::keep(tmp, shortName);
        record->kind = EntryRecord::Kind::Filled;
        writeEntryRecord(tmp, *record);
        setTime(tmp, mtimeNsOf(st));
        if (::rename(tmp.c_str(), hostFile.c_str()) != 0) {
            ::unlink(tmp.c_str());
            throw IoError(io_text::kWriteError, hostFile.string());
        }
    });
}

void LazyDrive::bringIn(const fs::path& host, bool bytes) {
    struct stat st {};
    if (!below(host) || ::lstat(host.c_str(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        if (bytes)
            fill(host);
        return;
    }
    list(host);
    std::vector<fs::path> children;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(host, ec))
        children.push_back(e.path());
    for (const auto& child : children)
        bringIn(child, bytes);
}

} // namespace w98::disk
