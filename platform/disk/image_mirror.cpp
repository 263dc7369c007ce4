#include "image_mirror.h"

#include "fat_volume.h"
#include "fnv1a.h"
#include "image_journal.h"

#include "platform/cp936.h"
#include "platform/date_time.h"
#include "platform/dos_attributes.h"
#include "platform/error.h"
#include "platform/host_file.h"
#include "platform/ini_file.h"
#include "platform/registry/registry_lock.h"
#include "platform/short_names.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

constexpr const char* kStateFile = "image.state";
constexpr const char* kJournalFile = "image.journal";
constexpr const char* kStateHeader = "korvane-image-state 1";

struct Record {
    char kind = 'f'; // 'f' file, 'd' folder
    std::uint64_t ino = 0;
    std::int64_t ctimeNs = 0;
    std::uint8_t attributes = 0;
    std::string shortName;
    std::uint32_t firstCluster = 0;
    std::uint32_t size = 0;
    std::uint32_t written = 0;

    bool sameImageEntry(const FatEntry& e) const {
        return kind == (e.isDirectory() ? 'd' : 'f') && attributes == e.attributes &&
               shortName == e.shortName && firstCluster == e.firstCluster && size == e.size &&
               written == e.written;
    }
    bool sameHostEntry(const struct stat& st) const {
        return kind == (S_ISDIR(st.st_mode) ? 'd' : 'f') && ino == st.st_ino &&
               ctimeNs == static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    }
};

struct State {
    std::string identity;                  // of the image file after the last exchange
    std::map<std::string, Record> records; // by path below drive_c, '/' between names
};

std::string identityOf(int fd) {
    struct stat st {};
    ::fstat(fd, &st);
    std::ostringstream s;
    s << st.st_dev << ' ' << st.st_ino << ' ' << st.st_size << ' ' << st.st_mtim.tv_sec << '.'
      << st.st_mtim.tv_nsec;
    return s.str();
}

State readState(const fs::path& file) {
    State state;
    const auto bytes = readHostFileIfExists(file, file.string());
    if (!bytes)
        return state;
    std::istringstream in(*bytes);
    std::string line;
    if (!std::getline(in, line) || line != kStateHeader || !std::getline(in, state.identity))
        return {};
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string path, kind, shortName;
        Record r;
        unsigned attributes = 0;
        if (!std::getline(f, path, '\t') || !std::getline(f, kind, '\t') ||
            !std::getline(f, shortName, '\t') ||
            !(f >> r.ino >> r.ctimeNs >> attributes >> r.firstCluster >> r.size >> r.written) ||
            kind.size() != 1)
            return {};
        r.kind = kind[0];
        r.shortName = shortName;
        r.attributes = static_cast<std::uint8_t>(attributes);
        state.records.emplace(path, r);
    }
    return state;
}

void writeState(const fs::path& file, const State& state) {
    std::ostringstream out;
    out << kStateHeader << '\n' << state.identity << '\n';
    for (const auto& [path, r] : state.records)
        out << path << '\t' << r.kind << '\t' << r.shortName << '\t' << r.ino << ' ' << r.ctimeNs << ' '
            << unsigned(r.attributes) << ' ' << r.firstCluster << ' ' << r.size << ' ' << r.written << '\n';
    replaceHostFile(file, out.str(), file.string());
}

void recordHost(Record& r, const fs::path& host) {
    struct stat st {};
    if (::lstat(host.c_str(), &st) == 0) {
        r.ino = st.st_ino;
        r.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    }
}

Record recordOf(const FatEntry& e) {
    Record r;
    r.kind = e.isDirectory() ? 'd' : 'f';
    r.attributes = e.attributes;
    r.shortName = e.shortName;
    r.firstCluster = e.firstCluster;
    r.size = e.size;
    r.written = e.written;
    return r;
}

// The image's entries, each folder before what it holds, keyed by path below the root.
void walkImage(const FatVolume& v, std::uint32_t dir, const std::string& prefix,
               std::vector<std::pair<std::string, FatEntry>>& out) {
    for (FatEntry& e : v.list(dir)) {
        std::string path = prefix.empty() ? e.name : prefix + "/" + e.name;
        const bool isDir = e.isDirectory();
        const std::uint32_t first = e.firstCluster;
        out.emplace_back(path, std::move(e));
        if (isDir)
            walkImage(v, first, path, out);
    }
}

// The folder is a copy the image can always give again: a file goes in whole (beside it, then
// renamed), but without waiting for the disk.
void placeFile(const fs::path& host, const std::string& bytes, bool isNew) {
    // A file not there before needs no stand-in: until the record of the exchange is written, a
    // half-written one is taken from the image again.
    const fs::path tmp = isNew ? host
                               : host.parent_path() / ("." + host.filename().string() + "." +
                                                       std::to_string(::getpid()) + ".tmp");
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw IoError(io_text::kWriteError, host.string());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            ::unlink(tmp.c_str());
            throw IoError(io_text::kWriteError, host.string());
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!isNew && ::rename(tmp.c_str(), host.c_str()) != 0) {
        ::unlink(tmp.c_str());
        throw IoError(io_text::kWriteError, host.string());
    }
}

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

void walkHost(const fs::path& folder, const std::string& prefix, std::map<std::string, struct stat>& out) {
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (const auto writer = inFlightWriter(name)) {
            // What a killed writer left is no file of the machine's.
            if (::kill(*writer, 0) != 0 && errno == ESRCH)
                ::unlink((folder / name).c_str());
            continue;
        }
        names.push_back(name);
    }
    ::closedir(d);
    for (const std::string& name : names) {
        struct stat st {};
        if (::lstat((folder / name).c_str(), &st) != 0 || !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode)))
            continue;
        const std::string path = prefix.empty() ? name : prefix + "/" + name;
        out.emplace(path, st);
        if (S_ISDIR(st.st_mode))
            walkHost(folder / name, path, out);
    }
}

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The image file, open and locked against every other program of this machine.
class LockedImage {
  public:
    LockedImage(const fs::path& image, const std::string& display) : display_(display) {
        fd_ = ::open(image.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0 && (errno == EACCES || errno == EROFS)) {
            fd_ = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
            readOnly_ = true;
        }
        if (fd_ < 0)
            throw Error("磁盘映像 " + display + (errno == ENOENT ? " 不存在" : " 无法打开"));
        // A virtual PC that has the image open holds a lock on it (QEMU does); its disk must
        // not change under it.
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        if (::fcntl(fd_, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
            ::close(fd_);
            throw Error("磁盘映像 " + display + " 正被虚拟机使用。请先关闭虚拟机，再修复它的磁盘");
        }
        const auto deadline = std::chrono::steady_clock::now() + registryLockWait();
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::close(fd_);
                throw Error("磁盘映像 " + display + " 正被另一个程序使用，请稍后再试");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~LockedImage() { ::close(fd_); }
    LockedImage(const LockedImage&) = delete;
    LockedImage& operator=(const LockedImage&) = delete;
    int fd() const { return fd_; }
    bool readOnly() const { return readOnly_; }

  private:
    int fd_ = -1;
    bool readOnly_ = false;
    std::string display_;
};

// The machine's settings for a real disk: the Windows folder as MSDOS.SYS names it.
void writeMachineIni(const fs::path& folder) {
    std::string windows = "C:\\WINDOWS";
    const fs::path msdos = folder / "drive_c" / "MSDOS.SYS";
    if (const auto bytes = readHostFileIfExists(msdos, msdos.string())) {
        std::istringstream in(*bytes);
        std::string line;
        bool inPaths = false;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.starts_with('['))
                inPaths = foldAscii(line) == "[paths]";
            else if (inPaths && foldAscii(line).starts_with("windir=") && line.size() > 10)
                windows = line.substr(7);
        }
    }
    const std::string ini =
        "; Drive C: of a disk image.\n[machine]\nwindows=" + windows +
        "\nshortdate=yy-M-d\nlongtime=H:mm:ss\nbios=Award Modular BIOS v4.51PG, An Energy Star Ally\n"
        "\n[drives]\nA=removable\nC=fixed\n";
    replaceHostFile(folder / "machine.ini", ini, (folder / "machine.ini").string());
}

// Brings the folder up to what the image holds; entries unchanged on both sides stay.
void refresh(const FatVolume& v, const fs::path& folder, State& state, const std::string& identity) {
    const fs::path drive = folder / "drive_c";
    fs::create_directories(drive);
    std::vector<std::pair<std::string, FatEntry>> entries;
    walkImage(v, v.rootDirectory(), "", entries);
    std::map<std::string, Record> records;
    for (const auto& [path, e] : entries) {
        const fs::path host = drive / fs::path(path);
        struct stat st {};
        const bool present = ::lstat(host.c_str(), &st) == 0;
        const auto rec = state.records.find(path);
        if (present && rec != state.records.end() && rec->second.sameImageEntry(e) &&
            rec->second.sameHostEntry(st)) {
            records.emplace(path, rec->second);
            continue;
        }
        std::error_code ec;
        if (present && S_ISDIR(st.st_mode) != e.isDirectory())
            fs::remove_all(host, ec);
        if (e.isDirectory()) {
            fs::create_directory(host, ec);
            if (ec)
                throw IoError(io_text::kWriteError, host.string());
        } else {
            placeFile(host, v.read(e), !present);
            const std::time_t t = timeOfLocal(unpackDosDateTime(e.written));
            const struct timespec times[2] = {{t, 0}, {t, 0}};
            ::utimensat(AT_FDCWD, host.c_str(), times, 0);
        }
        writeDosAttributes(host, e.attributes, host.string());
        short_names::keep(host, e.shortName);
        Record r = recordOf(e);
        recordHost(r, host);
        records.emplace(path, r);
    }
    std::map<std::string, struct stat> hosts;
    walkHost(drive, "", hosts);
    for (auto it = hosts.rbegin(); it != hosts.rend(); ++it)
        if (!records.contains(it->first)) {
            std::error_code ec;
            fs::remove_all(drive / fs::path(it->first), ec);
        }
    state.records = std::move(records);
    state.identity = identity;
    if (!fs::exists(folder / "machine.ini"))
        writeMachineIni(folder);
    writeState(folder / kStateFile, state);
}

} // namespace

fs::path ImageMirror::folderFor(const fs::path& image) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(fs::absolute(image), ec);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a(canonical.string())));
    fs::path base;
    if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x)
        base = x;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".cache";
    else
        base = fs::temp_directory_path();
    return base / "korvane" / "disks" / (canonical.filename().string() + "-" + hex);
}

ImageMirror::ImageMirror(fs::path image)
    : image_(fs::absolute(std::move(image))), folder_(folderFor(image_)), display_(image_.string()) {
    LockedImage locked(image_, display_);
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec)
        throw Error("无法为磁盘映像 " + display_ + " 建立工作文件夹 " + folder_.string());
    if (!locked.readOnly())
        recoverJournal(locked.fd(), folder_ / kJournalFile, display_);
    State state = readState(folder_ / kStateFile);
    const std::string identity = identityOf(locked.fd());
    // An image unchanged since the last exchange was read and checked then.
    if (state.identity == identity && fs::is_directory(folder_ / "drive_c"))
        return;
    const FatVolume volume(locked.fd(), display_);
    refresh(volume, folder_, state, identity);
}

void ImageMirror::commit() {
    LockedImage locked(image_, display_);
    if (!locked.readOnly())
        recoverJournal(locked.fd(), folder_ / kJournalFile, display_);
    State state = readState(folder_ / kStateFile);
    // An image as this folder last left it was checked then.
    const bool unchanged = state.identity == identityOf(locked.fd());
    FatVolume volume(locked.fd(), display_, !unchanged);
    if (!unchanged) {
        refresh(volume, folder_, state, identityOf(locked.fd()));
        throw Error("磁盘映像 " + display_ +
                    " 在本程序运行时被别的程序改过，刚才的改动没有写进去。请关闭虚拟机后重做");
    }
    const fs::path drive = folder_ / "drive_c";
    std::vector<std::pair<std::string, FatEntry>> listed;
    walkImage(volume, volume.rootDirectory(), "", listed);
    std::map<std::string, FatEntry> inImage(listed.begin(), listed.end());
    std::map<std::string, struct stat> hosts;
    walkHost(drive, "", hosts);

    std::vector<ImageWrite> writes;
    try {
        // What went away, deepest first, so that a folder is empty when it goes.
        for (auto it = inImage.rbegin(); it != inImage.rend();) {
            const auto host = hosts.find(it->first);
            if (host == hosts.end() || S_ISDIR(host->second.st_mode) != it->second.isDirectory()) {
                volume.remove(it->second);
                it = decltype(it)(inImage.erase(std::next(it).base()));
            } else {
                ++it;
            }
        }
        std::map<std::string, std::uint32_t> folders{{"", volume.rootDirectory()}};
        std::map<std::string, Record> records;
        for (const auto& [path, st] : hosts) {
            const fs::path host = drive / fs::path(path);
            const bool isDir = S_ISDIR(st.st_mode);
            const auto rec = state.records.find(path);
            const auto img = inImage.find(path);
            if (img != inImage.end() && rec != state.records.end() &&
                rec->second.sameImageEntry(img->second) && rec->second.sameHostEntry(st)) {
                if (isDir)
                    folders[path] = img->second.firstCluster;
                records.emplace(path, rec->second);
                continue;
            }
            const std::uint32_t dir = folders.at(parentOf(path));
            const std::uint8_t attributes = readDosAttributes(host, host.string());
            struct stat now {};
            ::lstat(host.c_str(), &now);
            const std::uint32_t written = packDosDateTime(localDateTime(now.st_mtime));
            FatEntry e;
            if (img != inImage.end()) {
                e = img->second;
                if (!isDir) {
                    const std::string content = readHostFile(host, host.string());
                    if (content.size() != e.size || content != volume.read(e))
                        e = volume.replace(e, content, attributes, written);
                    else if (attributes != e.attributes || written != e.written)
                        e = volume.setInfo(e, attributes, written);
                } else if ((attributes & ~0x10) != (e.attributes & ~0x10)) {
                    e = volume.setInfo(e, attributes, e.written);
                }
            } else {
                std::string shortName = short_names::of(host);
                std::vector<std::string> taken;
                for (const FatEntry& sibling : volume.list(dir))
                    taken.push_back(sibling.shortName);
                if (std::find(taken.begin(), taken.end(), shortName) != taken.end()) {
                    shortName = short_names::make(nameOf(path), [&](const std::string& s) {
                        return std::find(taken.begin(), taken.end(), s) != taken.end();
                    });
                    short_names::keep(host, shortName);
                }
                e = isDir ? volume.createDirectory(dir, nameOf(path), shortName, attributes, written)
                          : volume.create(dir, nameOf(path), shortName, attributes, written,
                                          readHostFile(host, host.string()));
            }
            if (isDir)
                folders[path] = e.firstCluster;
            Record r = recordOf(e);
            recordHost(r, host);
            records.emplace(path, r);
        }
        writes = volume.writes();
        if (!writes.empty() && locked.readOnly())
            throw Error("磁盘映像 " + display_ + " 是只读文件，改动无法写进去");
        state.records = std::move(records);
    } catch (const Error&) {
        // The image keeps what it had; so does the folder, that nothing seems done that is not.
        const FatVolume fresh(locked.fd(), display_);
        refresh(fresh, folder_, state, identityOf(locked.fd()));
        throw;
    }
    // Once the journal is written the change is made: should the writer fail, the next opening
    // completes it.
    writeThroughJournal(locked.fd(), writes, folder_ / kJournalFile, display_);
    state.identity = identityOf(locked.fd());
    writeState(folder_ / kStateFile, state);
}

} // namespace w98::disk
