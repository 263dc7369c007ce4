#pragma once
// What a file or folder of a disk's working folder was made from: the folder entry it stands
// for, kept in an extended attribute of its own so that it goes with the entry and never with
// a file a program writes in its place. An entry without one is the machine's own, made since.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace w98::disk {

struct EntryRecord {
    enum class Kind : char {
        Placeholder = 'l', // a file of the right size whose bytes are still only in the image
        Filled = 'f',      // a file holding what the image held
        Unlisted = 'u',    // a folder whose entries are still only in the image
        Listed = 'd',      // a folder holding an entry for each of the image's
    };
    Kind kind = Kind::Placeholder;
    std::uint32_t firstCluster = 0;
    std::uint32_t size = 0;    // a folder: how many entries it held
    std::uint32_t written = 0; // the entry's packed MS-DOS time
    std::int64_t mtimeNs = 0;  // the host time given it, in ns: unchanged, the entry's time stands
    std::uint8_t attributes = 0;
    std::uint32_t parent = 0; // the folder it is in, by its first cluster
    std::string name;
    // The 8.3 name: on an entry that has no user.dosshortname of its own, this is its short
    // name, as the attributes above are its attributes without a user.dosattrib.
    std::string shortName;
};

std::optional<EntryRecord> readEntryRecord(const std::filesystem::path& host);

inline std::int64_t mtimeNsOf(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// True when an entry is still what its record says (a folder's entries aside): standing under
// the same name in the same folder, with the same size, time and attributes.
bool recordHolds(const EntryRecord& record, const struct stat& st, std::uint8_t attributes,
                 std::uint32_t parent, const std::string& name);
// False when the file system cannot keep it. Without a short name, the one recorded stays.
bool writeEntryRecord(const std::filesystem::path& host, const EntryRecord& record);

} // namespace w98::disk
