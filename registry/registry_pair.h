#pragma once
// SYSTEM.DAT and USER.DAT replaced as one step. Windows 98 loads the two together, and a
// program killed between two plain replacements would leave one new and one old. So a small
// record beside them says "preparing" while both new files are written next to the old ones,
// then "ready" before the two renames, and goes last. The next program to take the registry
// lock settles what a killed one left: with "ready" it finishes the renames, with "preparing"
// it removes the new files, and the pair is wholly new or wholly old.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace w98 {

struct HiveReplacement {
    std::filesystem::path file;
    std::string bytes;
    std::uint8_t attributes = 0;
    std::string displayName;
};

// The record, in the folder of the two files: "preparing" or "ready", then the two file
// names, a line each (code page 936, CR LF). The new files are named "." NAME ".new".
inline constexpr const char* kHivePairRecord = ".registry.pair";

// Replaces both files, which share a folder; the caller holds that folder's registry lock.
// Throws IoError naming the file that cannot be written; both files are then as they were.
void replaceHivePair(const HiveReplacement& first, const HiveReplacement& second);

// The same under the registry lock of both, which this takes: a backup's pair copied over the
// two files. When they are in different folders each is replaced alone.
void replaceHivePairLocked(const HiveReplacement& first, const HiveReplacement& second);

// Finishes or undoes a pair that a killed program left in folder. Cheap when there is none.
void settleHivePair(const std::filesystem::path& folder);

// Called at each step of replaceHivePair ("prepared", "ready", "between"); tests stop the
// program there as a kill would.
void setHivePairStepHook(std::function<void(const std::string& step)> hook);

} // namespace w98
