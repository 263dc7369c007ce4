#pragma once
// The 8.3 names MS-DOS sees. Windows 95/98 gives every file and folder a short name when it
// is made (numbered tails ~1, ~2 ... after what the folder holds then) and keeps it: a later
// change in the folder never changes it. The stand-in keeps it beside the MS-DOS attributes,
// in the host file's extended attribute user.dosshortname, so that it travels with renames
// and atomic replacement. A host file that has none yet (copied in from outside) gets one the
// first time its folder is looked at, in name order.
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace w98::short_names {

// The short name Windows 95/98 makes for a long name (UTF-8) in a folder where taken() tells
// which short names are in use. Upper case; code page 936 characters kept, others become '_'.
std::string make(std::string_view longName, const std::function<bool(const std::string&)>& taken);

// The name as MS-DOS reads it when typed: upper case, the part before the first dot cut to 8
// bytes and the extension to 3 (code page 936 bytes, characters never split).
std::string dosForm(std::string_view typed);

// True when the name is its own short name: 8.3, no blank, no character a short name cannot hold.
bool isShortName(std::string_view name);

// Short names of a host folder's entries by entry name; entries without one get theirs now.
std::map<std::string, std::string> ofFolder(const std::filesystem::path& hostFolder);

// The short name of an existing host file or folder.
std::string of(const std::filesystem::path& hostEntry);

// Gives a host entry the short name it has elsewhere (on a disk it was copied from).
void keep(const std::filesystem::path& hostEntry, const std::string& shortName);

// Gives a host entry that just appeared under its name a new short name in its folder.
void giveNew(const std::filesystem::path& hostEntry);

// Gives `file` (a temporary file about to be renamed over `target`) the short name `target`
// has, or the one a new file of that name would get.
void carryOver(const std::filesystem::path& target, const std::filesystem::path& file);

} // namespace w98::short_names
