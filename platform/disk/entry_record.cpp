#include "entry_record.h"

#include <cstdio>
#include <sys/xattr.h>

namespace w98::disk {
namespace {
constexpr const char* kXattrName = "user.korvane.entry";
} // namespace

std::optional<EntryRecord> readEntryRecord(const std::filesystem::path& host) {
    char buf[96] = {};
    const ssize_t n = ::getxattr(host.c_str(), kXattrName, buf, sizeof buf - 1);
    if (n <= 0)
        return std::nullopt;
    EntryRecord r;
    char kind = 0;
    unsigned first = 0, size = 0, written = 0;
    long long mtime = 0;
    if (std::sscanf(buf, "%c %u %u %u %lld", &kind, &first, &size, &written, &mtime) != 5 ||
        (kind != 'l' && kind != 'f' && kind != 'u' && kind != 'd'))
        return std::nullopt;
    r.kind = static_cast<EntryRecord::Kind>(kind);
    r.firstCluster = first;
    r.size = size;
    r.written = written;
    r.mtime = static_cast<std::time_t>(mtime);
    return r;
}

bool writeEntryRecord(const std::filesystem::path& host, const EntryRecord& r) {
    char buf[96];
    const int len = std::snprintf(buf, sizeof buf, "%c %u %u %u %lld", static_cast<char>(r.kind),
                                  static_cast<unsigned>(r.firstCluster), static_cast<unsigned>(r.size),
                                  static_cast<unsigned>(r.written), static_cast<long long>(r.mtime));
    return ::setxattr(host.c_str(), kXattrName, buf, static_cast<std::size_t>(len), 0) == 0;
}

} // namespace w98::disk
