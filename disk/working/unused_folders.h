#pragma once
// The working folders of disks nobody opened for a while are taken away, that the cache does
// not grow with every disk ever opened: deleting one loses nothing its disk holds. A folder in
// use, one holding a journal (a change not yet in its disk, or one set aside for the user), and
// one a container's export is still mounted in are kept.
#include <chrono>
#include <filesystem>

namespace w98::disk {

// How long a disk's working folder stays after its last opening.
inline constexpr std::chrono::hours kUnusedFolderLifetime{24 * 30};

// Marks folder as used now (its own time).
void markUsed(const std::filesystem::path& folder);

// Removes the working folders beside keep (in the same disks folder) unused for longer than
// kUnusedFolderLifetime. Never throws: what cannot be removed stays.
void removeUnusedFolders(const std::filesystem::path& keep);

} // namespace w98::disk
