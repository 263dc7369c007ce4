#pragma once
// What a container's export leaves behind when the programs around it are killed: a storage
// daemon still serving the disk that no watcher will stop, and a FUSE mount whose daemon is
// gone ("not connected"). The next opening, holding the export lock, ends both.
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace w98::disk {

// Whether the process is a storage daemon exporting to the raw file.
bool exportsTo(pid_t pid, const std::filesystem::path& raw);

// The export is mounted over the raw file (a mount whose program is gone reads "not connected",
// and sets *dead).
bool exportMounted(const std::filesystem::path& raw, bool* dead = nullptr);
void unmountExport(const std::filesystem::path& raw);

// Ends every storage daemon of this user exporting to raw but keep, and clears a dead mount
// over raw. Returns what it did, in words for the user ("" when nothing was left).
std::string endLeftovers(const std::filesystem::path& raw, pid_t keep, const std::string& diskName);

} // namespace w98::disk
