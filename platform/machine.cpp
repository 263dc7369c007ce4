#include "machine.h"

#include "cp936.h"
#include "disk/disk_source.h"
#include "disk/image_mirror.h"
#include "disk/lazy_drive.h"
#include "dos_attributes.h"
#include "error.h"
#include "host_file.h"
#include "registry/registry.h"
#include "registry/registry_lock.h"
#include "short_names.h"
#include "text_lines.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace fs = std::filesystem;

namespace w98 {
namespace {

constexpr const char* kDefaultWindows = "C:\\WINDOWS";
constexpr const char* kDefaultShortDate = "yy-M-d";
constexpr const char* kDefaultLongTime = "H:mm:ss";
constexpr const char* kDefaultBios = "Award Modular BIOS v4.51PG, An Energy Star Ally";

// SYSTEM.DAT and USER.DAT change only under the registry lock, whatever changes them (a copy
// back from a backup, attrib, extract), so that no registry write in flight undoes it.
class RegistryFileGuard {
public:
    RegistryFileGuard(const fs::path& host, std::string_view winPath) {
        if (isRegistryFileName(host))
            lock_.emplace(host, std::string(winPath));
    }

private:
    std::optional<RegistryLock> lock_;
};

std::vector<std::string> components(std::string_view normalized) {
    // normalized is "X:\a\b"; the components after the drive.
    std::vector<std::string> out;
    std::size_t pos = 3;
    while (pos < normalized.size()) {
        std::size_t next = normalized.find('\\', pos);
        if (next == std::string_view::npos)
            next = normalized.size();
        out.emplace_back(normalized.substr(pos, next - pos));
        pos = next + 1;
    }
    return out;
}

struct stat statOrThrow(const fs::path& host, std::string_view winPath) {
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0)
        throw IoError(errno == ENOTDIR ? io_text::kPathNotFound : io_text::kFileNotFound, std::string(winPath));
    return st;
}

} // namespace

Machine::Machine(fs::path root) : root_(std::move(root)) {
    std::error_code ec;
    const auto named = fs::status(root_, ec);
    if (fs::is_regular_file(named) || fs::is_block_file(named)) {
        image_ = std::make_unique<disk::ImageMirror>(root_);
        root_ = image_->folder();
    } else if (fs::is_directory(named) && disk::looksLikeDriveC(root_)) {
        // The restore jobs need the disk's own short names and attributes, which only the
        // disk itself shows; a mounted partition hides them.
        const std::string device = disk::deviceMountedAt(root_);
        throw Error("文件夹 " + root_.string() + " 是一个 Windows 98 的 C: 盘本身（已挂载的分区）。请先卸载它（umount " +
                    root_.string() + "），再打开它的设备：korvane --machine " +
                    (device.empty() ? std::string("/dev/sdX1") : device));
    }
    auto status = fs::status(root_, ec);
    if (ec || !fs::exists(status))
        throw Error("机器文件夹 " + root_.string() + " 不存在");
    if (!fs::is_directory(status))
        throw Error("机器文件夹 " + root_.string() + " 不是文件夹");
    if (::access(root_.c_str(), R_OK | X_OK) != 0)
        throw Error("机器文件夹 " + root_.string() + " 无法读取");
    lazy_ = disk::LazyDrive::openIfDisk(root_);
    if (lazy_ && image_)
        lazy_->adopt(image_->takeVolume());
    if (lazy_)
        setWorkingCopyFolder(root_ / "drive_c"); // the image's journal keeps its changes safe
    const fs::path ini = root_ / "machine.ini";
    if (fs::exists(ini, ec)) {
        std::string display = ini.string();
        ini_ = IniFile::parse(readHostFile(ini, display), display);
    }
}

Machine::~Machine() = default;

void Machine::commit() {
    if (!image_)
        return;
    // A registry change in flight (both files replaced under one lock) goes into the image
    // whole or not at all.
    std::optional<RegistryLock> registry;
    try {
        const std::string system = windowsFolder() + "\\SYSTEM.DAT";
        registry.emplace(resolve(windowsFolder(), Need::Entry) / "SYSTEM.DAT", system);
    } catch (const FormatError&) {
        // machine.ini names no usable Windows folder: there is no registry to keep whole.
    }
    try {
        image_->commit();
    } catch (const Error&) {
        // The folder was started afresh from the image: the registry's files come back into it.
        if (registry_) {
            const std::string win = windowsFolder();
            hostPath(win + "\\SYSTEM.DAT");
            hostPath(win + "\\USER.DAT");
        }
        throw;
    }
}

fs::path Machine::defaultRoot() {
    if (const char* m = std::getenv("WIN98_MACHINE"); m && *m)
        return fs::path(m);
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        return fs::path(x) / "korvane" / "machine";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / ".local" / "share" / "korvane" / "machine";
}

std::string Machine::windowsFolder() const {
    std::string w = ini_.get("machine", "windows", kDefaultWindows);
    try {
        return normalize(w);
    } catch (const Error&) {
        // Said as it is, the path alone would not tell the user where to mend it.
        throw FormatError((root_ / "machine.ini").string(), 0,
                          "windows=" + w + " 不是带盘符的完整路径");
    }
}
std::string Machine::windowsFolderNotNamed() const { return ini_.get("machine", "windowsnamed", ""); }

std::string Machine::shortDateFormat() const { return ini_.get("machine", "shortdate", kDefaultShortDate); }
std::string Machine::longTimeFormat() const { return ini_.get("machine", "longtime", kDefaultLongTime); }
std::string Machine::biosIdText() const { return ini_.get("machine", "bios", kDefaultBios); }

DriveType Machine::driveType(std::string_view rootPath) const {
    if (rootPath.size() < 2 || rootPath[1] != ':')
        return DriveType::NoRootDir;
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(rootPath[0])));
    if (letter < 'A' || letter > 'Z')
        return DriveType::NoRootDir;
    std::string type = foldAscii(ini_.get("drives", std::string(1, letter)));
    if (type == "cdrom")
        return DriveType::CdRom;
    if (type == "removable")
        return DriveType::Removable;
    if (type == "remote")
        return DriveType::Remote;
    if (type == "ramdisk")
        return DriveType::RamDisk;
    if (type == "fixed")
        return DriveType::Fixed;
    std::error_code ec;
    if (fs::is_directory(root_ / (std::string("drive_") + static_cast<char>(std::tolower(letter))), ec))
        return DriveType::Fixed;
    return DriveType::NoRootDir;
}

std::string Machine::normalize(std::string_view winPath) {
    if (winPath.size() < 2 || winPath[1] != ':' || !std::isalpha(static_cast<unsigned char>(winPath[0])))
        throw Error("“" + std::string(winPath) + "”不是带盘符的完整路径");
    std::string out;
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(winPath[0])));
    out += ":\\";
    std::vector<std::string> parts;
    std::size_t pos = 2;
    while (pos <= winPath.size()) {
        std::size_t next = winPath.find_first_of("\\/", pos);
        if (next == std::string_view::npos)
            next = winPath.size();
        std::string_view part = winPath.substr(pos, next - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            if (part.find('\0') != std::string_view::npos)
                throw Error("“" + std::string(winPath) + "”不是有效的路径");
            parts.emplace_back(part);
        }
        pos = next + 1;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += '\\';
        out += parts[i];
    }
    return out;
}

namespace {
std::int64_t mtimeNs(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}
// A folder changed within the last two seconds may change again without its time moving (the
// file system's clock is coarse): only a settled folder's index is kept, as git does with
// racily clean files.
bool settled(std::int64_t mtime) {
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec - mtime > 2000000000;
}
} // namespace

std::string Machine::findNoCase(const std::string& hostFolder, const std::string& part) const {
    struct stat st {};
    if (::stat(hostFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    const std::int64_t mtime = mtimeNs(st);
    const bool settled = w98::settled(mtime);
    FolderIndex& index = folderIndex_[hostFolder];
    if (!settled || index.mtimeNs != mtime || index.names.empty()) {
        index.names.clear();
        index.mtimeNs = mtime;
        if (DIR* dir = ::opendir(hostFolder.c_str())) {
            while (const dirent* e = ::readdir(dir))
                index.names.emplace(foldAscii(e->d_name), e->d_name);
            ::closedir(dir);
        }
    }
    auto it = index.names.find(foldAscii(part));
    return it == index.names.end() ? std::string() : it->second;
}

fs::path Machine::hostPath(std::string_view winPath) const { return resolve(winPath, Need::Content); }

fs::path Machine::resolve(std::string_view winPath, Need need) const {
    const std::string norm = normalize(winPath);
    std::string host = (root_ / (std::string("drive_") + static_cast<char>(std::tolower(static_cast<unsigned char>(norm[0]))))).string();
    bool resolving = true;
    struct stat st {};
    for (const auto& part : components(norm)) {
        if (resolving) {
            const std::string exact = host + "/" + part;
            if (::lstat(exact.c_str(), &st) == 0) {
                host = exact;
                continue;
            }
            if (lazy_) {
                lazy_->list(host);
                if (::lstat(exact.c_str(), &st) == 0) {
                    host = exact;
                    continue;
                }
            }
            std::string name = findNoCase(host, part);
            if (name.empty() && part.find('~') != std::string::npos) {
                // Windows finds a file by its short name too ("PROGRA~1"). Only a name with a
                // numbered tail can be a short name that differs from its file's own name.
                for (const auto& [entry, shortName] : short_names::ofFolder(host))
                    if (equalsNoCase(shortName, part))
                        name = entry;
            }
            if (!name.empty()) {
                host += "/" + name;
                continue;
            }
            resolving = false;
        }
        host += "/" + part;
    }
    if (lazy_ && need == Need::Content && resolving) {
        if (::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            lazy_->list(host);
        else
            lazy_->fill(host);
    }
    return host;
}

bool Machine::exists(std::string_view winPath) const {
    std::error_code ec;
    return fs::exists(resolve(winPath, Need::Entry), ec);
}

bool Machine::isDirectory(std::string_view winPath) const {
    std::error_code ec;
    return fs::is_directory(resolve(winPath, Need::Entry), ec);
}

bool Machine::isFile(std::string_view winPath) const {
    std::error_code ec;
    return fs::is_regular_file(resolve(winPath, Need::Entry), ec);
}

std::uint8_t Machine::attributes(std::string_view winPath) const {
    return readDosAttributes(resolve(winPath, Need::Entry), std::string(winPath));
}

void Machine::setAttributes(std::string_view winPath, std::uint8_t attributes) {
    const fs::path host = resolve(winPath, Need::Entry);
    RegistryFileGuard guard(host, winPath);
    writeDosAttributes(host, attributes, std::string(winPath));
}

std::uint64_t Machine::fileSize(std::string_view winPath) const {
    return static_cast<std::uint64_t>(statOrThrow(resolve(winPath, Need::Entry), winPath).st_size);
}

DateTime Machine::lastWriteTime(std::string_view winPath) const {
    return localDateTime(statOrThrow(resolve(winPath, Need::Entry), winPath).st_mtime);
}

void Machine::setLastWriteTime(std::string_view winPath, const DateTime& local) {
    const std::time_t t = timeOfLocal(local);
    struct utimbuf times {t, t};
    const fs::path host = resolve(winPath, Need::Entry);
    RegistryFileGuard guard(host, winPath);
    if (::utime(host.c_str(), &times) != 0)
        throw IoError(io_text::kAccessDenied, std::string(winPath));
}

bool matchesWildcard(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    // Iterative match with backtracking on the last '*'.
    std::size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    // "name.*" also matches "name" without an extension, as MS-DOS does.
    if (p + 2 == pattern.size() && pattern[p] == '.' && pattern[p + 1] == '*')
        return true;
    return p == pattern.size();
}

std::vector<DirEntry> Machine::list(std::string_view folder, std::string_view pattern, bool fileAttributes) const {
    std::vector<DirEntry> out;
    const std::string host = hostPath(folder).string();
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return out;
    DIR* dir = ::opendir(host.c_str());
    if (!dir)
        throw IoError(io_text::kAccessDenied, std::string(folder));
    // The listing reads every name anyway: it renews the folder's index for later lookups.
    const std::int64_t mtime = mtimeNs(st);
    FolderIndex* index = settled(mtime) ? &folderIndex_[host] : nullptr;
    if (index) {
        index->names.clear();
        index->mtimeNs = mtime;
    }
    std::vector<std::pair<std::string, DirEntry>> found; // folded name for sorting, entry
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (index)
            index->names.emplace(foldAscii(name), name);
        if (name == "." || name == "..")
            continue;
        if (name.starts_with('.') && name.ends_with(".tmp"))
            continue; // a replacement in progress
        if (!matchesWildcard(name, pattern))
            continue;
        if (::fstatat(::dirfd(dir), d->d_name, &st, 0) != 0)
            continue;
        DirEntry e;
        e.name = name;
        e.size = static_cast<std::uint64_t>(st.st_size);
        e.lastWrite = localDateTime(st.st_mtime);
        e.attributes = S_ISDIR(st.st_mode) || fileAttributes ? readDosAttributes(host + "/" + name, name) : attr::kArchive;
        found.emplace_back(foldAscii(name), std::move(e));
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
    });
    out.reserve(found.size());
    for (auto& f : found)
        out.push_back(std::move(f.second));
    return out;
}

std::string Machine::readFile(std::string_view winPath) const { return readHostFile(hostPath(winPath), std::string(winPath)); }

void Machine::writeFile(std::string_view winPath, std::string_view bytes) { writeFile(winPath, bytes, attr::kArchive); }

void Machine::writeFile(std::string_view winPath, std::string_view bytes, std::uint8_t attributes) {
    const fs::path host = resolve(winPath, Need::Entry);
    RegistryFileGuard guard(host, winPath);
    std::error_code ec;
    if (fs::exists(host, ec) && !fs::is_directory(host, ec) &&
        (readDosAttributes(host, std::string(winPath)) & attr::kReadOnly))
        throw IoError(io_text::kAccessDenied, std::string(winPath));
    replaceHostFile(host, bytes, std::string(winPath), attributes);
}

std::vector<std::string> Machine::readTextLines(std::string_view winPath) const {
    std::vector<std::string> lines = splitLines(readFile(winPath));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string utf8;
        if (!cp936::tryToUtf8(lines[i], utf8))
            throw FormatError(std::string(winPath), i + 1, "这一行不是 GBK（代码页 936）文字");
        lines[i] = std::move(utf8);
    }
    return lines;
}

void Machine::writeTextLines(std::string_view winPath, const std::vector<std::string>& lines) {
    std::vector<std::string> encoded;
    encoded.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string gbk;
        if (!cp936::tryFromUtf8(lines[i], gbk))
            throw FormatError(std::string(winPath), i + 1, "这一行含有 GBK（代码页 936）写不出的字符");
        encoded.push_back(std::move(gbk));
    }
    writeFile(winPath, joinLinesCrlf(encoded));
}

void Machine::copyFile(std::string_view from, std::string_view to, bool overwrite) {
    const fs::path src = hostPath(from);
    std::error_code ec;
    if (!fs::is_regular_file(src, ec))
        throw IoError(io_text::kFileNotFound, std::string(from));
    const fs::path dst = resolve(to, Need::Entry);
    RegistryFileGuard guard(dst, to);
    if (fs::exists(dst, ec)) {
        if (!overwrite || fs::is_directory(dst, ec))
            throw IoError(io_text::kAccessDenied, std::string(to));
        if (readDosAttributes(dst, std::string(to)) & attr::kReadOnly)
            throw IoError(io_text::kAccessDenied, std::string(to));
    }
    const std::uint8_t attrs = readDosAttributes(src, std::string(from));
    struct stat st = statOrThrow(src, from);
    replaceHostFile(dst, readHostFile(src, std::string(from)), std::string(to), attrs);
    struct utimbuf times {st.st_atime, st.st_mtime};
    ::utime(dst.c_str(), &times);
}

void Machine::moveFile(std::string_view from, std::string_view to) {
    const fs::path src = resolve(from, Need::Entry);
    const fs::path dst = resolve(to, Need::Entry);
    if (lazy_ && fs::is_directory(src))
        lazy_->bringIn(src, false); // a folder moves with everything in it
    RegistryFileGuard sourceGuard(src, from);
    RegistryFileGuard targetGuard(dst, to);
    std::error_code ec;
    if (!fs::exists(src, ec))
        throw IoError(io_text::kFileNotFound, std::string(from));
    if (fs::exists(dst, ec) && !fs::equivalent(src, dst, ec))
        throw IoError(io_text::kAccessDenied, std::string(to));
    if (!fs::is_directory(dst.parent_path(), ec))
        throw IoError(io_text::kPathNotFound, std::string(to));
    fs::rename(src, dst, ec);
    if (ec)
        throw IoError(io_text::kAccessDenied, std::string(to));
    // A new name or another folder makes a new short name; a change of letter case does not.
    if (src.parent_path() != dst.parent_path() || !equalsNoCase(src.filename().string(), dst.filename().string()))
        short_names::giveNew(dst);
}

void Machine::deleteFile(std::string_view winPath) {
    const fs::path host = resolve(winPath, Need::Entry);
    RegistryFileGuard guard(host, winPath);
    std::error_code ec;
    if (!fs::exists(host, ec) || fs::is_directory(host, ec))
        throw IoError(io_text::kFileNotFound, std::string(winPath));
    if (readDosAttributes(host, std::string(winPath)) & attr::kReadOnly)
        throw IoError(io_text::kAccessDenied, std::string(winPath));
    if (!fs::remove(host, ec) || ec)
        throw IoError(io_text::kAccessDenied, std::string(winPath));
}

void Machine::createDirectory(std::string_view winPath) {
    const fs::path host = resolve(winPath, Need::Entry);
    std::error_code ec;
    if (fs::exists(host, ec))
        throw IoError(io_text::kAccessDenied, std::string(winPath));
    if (!fs::is_directory(host.parent_path(), ec))
        throw IoError(io_text::kPathNotFound, std::string(winPath));
    if (!fs::create_directory(host, ec) || ec)
        throw IoError(io_text::kAccessDenied, std::string(winPath));
    short_names::giveNew(host);
}

void Machine::createDirectories(std::string_view winPath) {
    const std::string norm = normalize(winPath);
    std::string path = norm.substr(0, 2);
    for (const auto& part : components(norm)) {
        path += "\\" + part;
        if (!isDirectory(path))
            createDirectory(path);
    }
}

void Machine::removeDirectory(std::string_view winPath) {
    std::error_code ec;
    if (!fs::remove(hostPath(winPath), ec) || ec)
        throw IoError(io_text::kAccessDenied, std::string(winPath));
}

std::string Machine::shortName(std::string_view winPath) const {
    const fs::path host = resolve(winPath, Need::Entry);
    std::error_code ec;
    if (!fs::exists(host, ec))
        throw IoError(io_text::kFileNotFound, std::string(winPath));
    return short_names::of(host);
}

std::string Machine::shortPath(std::string_view winPath) const {
    const std::string norm = normalize(winPath);
    std::string out = norm.substr(0, 2);
    std::string path = out;
    for (const auto& part : components(norm)) {
        path += "\\" + part;
        std::string name;
        if (exists(path))
            name = shortName(path);
        else if (short_names::isShortName(part))
            name = short_names::dosForm(part);
        else
            throw Error("“" + path + "”还不存在，它在MS-DOS下的短文件名要等它建立时才定下来");
        out += "\\" + name;
    }
    return out.size() == 2 ? out + "\\" : out;
}

std::string Machine::dosChild(std::string_view folder, std::string_view typed) const {
    const std::string wanted = short_names::dosForm(typed);
    const fs::path host = hostPath(folder);
    bool longNameOnly = false;
    for (const auto& [name, shortName] : short_names::ofFolder(host)) {
        if (shortName == wanted)
            return normalize(std::string(folder) + "\\" + name);
        longNameOnly = longNameOnly || equalsNoCase(name, wanted);
    }
    // A long name that reads like the typed 8.3 form is not what MS-DOS finds: the path then
    // leads below it, where nothing is and nothing can be made.
    const std::string path = normalize(std::string(folder) + "\\" + wanted);
    return longNameOnly ? path + "\\" + wanted : path;
}

Registry& Machine::registry() {
    if (!registry_) {
        const std::string win = windowsFolder();
        registry_ = std::make_unique<Registry>(hostPath(win + "\\SYSTEM.DAT"), win + "\\SYSTEM.DAT",
                                               hostPath(win + "\\USER.DAT"), win + "\\USER.DAT");
    }
    return *registry_;
}

} // namespace w98
