// What a program does with the machine's files: reads, writes, copies, moves and deletes them,
// sets their attributes and times, makes and removes folders.
#include "machine.h"

#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/host_file.h"
#include "base/short_names.h"
#include "base/text.h"
#include "disk/working/lazy_drive.h"
#include "path_components.h"
#include "registry/registry_lock.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <utime.h>

namespace fs = std::filesystem;

namespace w98 {
namespace {

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

struct stat statOrThrow(const fs::path& host, std::string_view winPath) {
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0)
        throw IoError(errno == ENOTDIR ? io_text::kPathNotFound : io_text::kFileNotFound,
                      std::string(winPath));
    return st;
}

} // namespace

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
    struct utimbuf times {
        t, t
    };
    const fs::path host = resolve(winPath, Need::Entry);
    RegistryFileGuard guard(host, winPath);
    if (::utime(host.c_str(), &times) != 0)
        throw IoError(io_text::kAccessDenied, std::string(winPath));
}

std::string Machine::readFile(std::string_view winPath) const {
    return readHostFile(hostPath(winPath), std::string(winPath));
}

void Machine::writeFile(std::string_view winPath, std::string_view bytes) {
    writeFile(winPath, bytes, attr::kArchive);
}

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
    struct utimbuf times {
        st.st_atime, st.st_mtime
    };
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
    if (src.parent_path() != dst.parent_path() ||
        !equalsNoCase(src.filename().string(), dst.filename().string()))
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
    for (const auto& part : pathComponents(norm)) {
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

} // namespace w98
