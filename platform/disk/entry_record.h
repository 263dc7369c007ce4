#pragma once
// What a file or folder of a disk's working folder was made from: the folder entry it stands
// for, kept in an extended attribute of its own so that it goes with the entry and never with
// a file a program writes in its place. An entry without one is the machine's own, made since.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>

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
    std::uint32_t size = 0;
    std::uint32_t written = 0; // the entry's packed MS-DOS time
    std::time_t mtime = 0;     // the host time given for it: unchanged, the entry's time stands
};

std::optional<EntryRecord> readEntryRecord(const std::filesystem::path& host);
// False when the file system cannot keep it.
bool writeEntryRecord(const std::filesystem::path& host, const EntryRecord& record);

} // namespace w98::disk
