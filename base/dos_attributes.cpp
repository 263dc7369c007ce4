#include "dos_attributes.h"

#include "base/entry_record.h"
#include "error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace w98 {
namespace {
constexpr const char* kXattrName = "user.dosattrib";
constexpr std::uint8_t kStoredBits = attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive;
} // namespace

std::uint8_t readDosAttributes(const std::filesystem::path& hostFile, const std::string& displayName) {
    struct stat st {};
    if (::stat(hostFile.c_str(), &st) != 0)
        throw IoError(errno == ENOTDIR ? io_text::kPathNotFound : io_text::kFileNotFound, displayName);
    return dosAttributesOf(hostFile, S_ISDIR(st.st_mode));
}

std::uint8_t dosAttributesOf(const std::filesystem::path& hostFile, bool isDir) {
    char buf[8] = {};
    ssize_t n = ::getxattr(hostFile.c_str(), kXattrName, buf, sizeof buf - 1);
    std::uint8_t stored;
    if (n <= 0) {
        // An entry of a disk's working folder keeps them in its record until they change.
        const auto record = disk::readEntryRecord(hostFile);
        stored = record ? static_cast<std::uint8_t>(record->attributes & kStoredBits)
                        : (isDir ? 0 : attr::kArchive);
    } else {
        unsigned long v = std::strtoul(buf, nullptr, 16);
        stored = static_cast<std::uint8_t>(v & kStoredBits);
    }
    return static_cast<std::uint8_t>(stored | (isDir ? attr::kDirectory : 0));
}

void writeDosAttributes(const std::filesystem::path& hostFile, std::uint8_t attributes,
                        const std::string& displayName) {
    char buf[8];
    int len = std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(attributes & kStoredBits));
    if (::setxattr(hostFile.c_str(), kXattrName, buf, static_cast<std::size_t>(len), 0) != 0) {
        if (errno == ENOENT)
            throw IoError(io_text::kFileNotFound, displayName);
        throw IoError(io_text::kAccessDenied, displayName + "（这个文件系统无法保存文件属性）");
    }
}

} // namespace w98
