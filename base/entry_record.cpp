#include "entry_record.h"

#include "base/little_endian.h"

#include <algorithm>
#include <string>
#include <sys/xattr.h>

namespace w98::disk {
namespace {

// Binary and under a short name, so that with the attributes and short name it holds it fits
// the room an ext4 inode keeps for extended attributes: a placeholder then takes no block.
constexpr const char* kXattrName = "user.kve";
constexpr std::size_t kFixed = 27;
constexpr unsigned char kShortIsName = 0xFF;

bool isKind(char c) {
    return c == 'l' || c == 'f' || c == 'u' || c == 'd';
}

} // namespace

std::optional<EntryRecord> readEntryRecord(const std::filesystem::path& host) {
    char buf[1024];
    const ssize_t n = ::getxattr(host.c_str(), kXattrName, buf, sizeof buf);
    if (n < static_cast<ssize_t>(kFixed) || !isKind(buf[0]))
        return std::nullopt;
    const std::string b(buf, static_cast<std::size_t>(n));
    EntryRecord r;
    r.kind = static_cast<EntryRecord::Kind>(b[0]);
    r.firstCluster = le::get32(b, 1);
    r.size = le::get32(b, 5);
    r.written = le::get32(b, 9);
    r.mtimeNs = static_cast<std::int64_t>(static_cast<std::uint64_t>(le::get32(b, 13)) |
                                          static_cast<std::uint64_t>(le::get32(b, 17)) << 32);
    r.attributes = static_cast<std::uint8_t>(b[21]);
    r.parent = le::get32(b, 22);
    const auto shortLength = static_cast<unsigned char>(b[26]);
    if (shortLength == kShortIsName) {
        r.name = b.substr(kFixed);
        r.shortName = r.name;
    } else {
        if (kFixed + shortLength > b.size())
            return std::nullopt;
        r.shortName = b.substr(kFixed, shortLength);
        r.name = b.substr(kFixed + shortLength);
    }
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
    std::string shortName = r.shortName;
    if (shortName.empty())
        if (const auto had = readEntryRecord(host); had && had->name == r.name)
            shortName = had->shortName;
    std::string b(kFixed, '\0');
    b[0] = static_cast<char>(r.kind);
    le::put32(b, 1, r.firstCluster);
    le::put32(b, 5, r.size);
    le::put32(b, 9, r.written);
    le::put32(b, 13, static_cast<std::uint32_t>(static_cast<std::uint64_t>(r.mtimeNs)));
    le::put32(b, 17, static_cast<std::uint32_t>(static_cast<std::uint64_t>(r.mtimeNs) >> 32));
    b[21] = static_cast<char>(r.attributes);
    le::put32(b, 22, r.parent);
    if (shortName == r.name && !r.name.empty()) {
        b[26] = static_cast<char>(kShortIsName);
    } else {
        shortName.resize(std::min<std::size_t>(shortName.size(), kShortIsName - 1));
        b[26] = static_cast<char>(shortName.size());
        b += shortName;
    }
    b += r.name;
    return ::setxattr(host.c_str(), kXattrName, b.data(), b.size(), 0) == 0;
}

} // namespace w98::disk
