#include "entry_record.h"

#include <cstdio>
#include <string>
#include <sys/xattr.h>

namespace w98::disk {
namespace {
constexpr const char* kXattrName = "user.korvane.entry";
} // namespace

std::optional<EntryRecord> readEntryRecord(const std::filesystem::path& host) {
    char buf[1024] = {};
    const ssize_t n = ::getxattr(host.c_str(), kXattrName, buf, sizeof buf - 1);
    if (n <= 0)
        return std::nullopt;
    EntryRecord r;
    char kind = 0;
    unsigned first = 0, size = 0, written = 0, attributes = 0, parent = 0;
    long long mtimeNs = 0;
    int nameAt = 0;
    if (std::sscanf(buf, "%c %u %u %u %lld %u %u %n", &kind, &first, &size, &written, &mtimeNs, &attributes,
                    &parent, &nameAt) != 7 ||
        (kind != 'l' && kind != 'f' && kind != 'u' && kind != 'd'))
        return std::nullopt;
    r.attributes = static_cast<std::uint8_t>(attributes);
    r.parent = parent;
    r.name.assign(buf + nameAt, static_cast<std::size_t>(n) - static_cast<std::size_t>(nameAt));
    r.kind = static_cast<EntryRecord::Kind>(kind);
    r.firstCluster = first;
    r.size = size;
    r.written = written;
    r.mtimeNs = static_cast<std::int64_t>(mtimeNs);
    return r;
}

bool recordHolds(const EntryRecord& r, const struct stat& st, std::uint8_t attributes, std::uint32_t parent,
                 const std::string& name) {
    constexpr std::uint8_t kKept = 0x27; // read-only, hidden, system, archive
    const bool folder = r.kind == EntryRecord::Kind::Listed || r.kind == EntryRecord::Kind::Unlisted;
    return folder == S_ISDIR(st.st_mode) && ((r.attributes ^ attributes) & kKept) == 0 &&
           r.parent == parent && r.name == name &&
           (folder || (mtimeNsOf(st) == r.mtimeNs && static_cast<std::uint64_t>(st.st_size) == r.size));
}

bool writeEntryRecord(const std::filesystem::path& host, const EntryRecord& r) {
    char buf[96];
    const int len = std::snprintf(buf, sizeof buf, "%c %u %u %u %lld %u %u ", static_cast<char>(r.kind),
                                  static_cast<unsigned>(r.firstCluster), static_cast<unsigned>(r.size),
                                  static_cast<unsigned>(r.written), static_cast<long long>(r.mtimeNs),
                                  static_cast<unsigned>(r.attributes), static_cast<unsigned>(r.parent));
    const std::string value = std::string(buf, static_cast<std::size_t>(len)) + r.name;
    return ::setxattr(host.c_str(), kXattrName, value.data(), value.size(), 0) == 0;
}

} // namespace w98::disk
