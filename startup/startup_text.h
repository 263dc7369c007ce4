#pragma once
// Text tests the startup manager makes on program texts and win.ini lines (UTF-8).
#include <string>
#include <string_view>

namespace korvane {

// The text without its first count characters (whole characters, never half of one).
std::string DropLeadingChars(std::string_view text, std::size_t count);

// True when name can be the name of a file in a Windows folder: not empty, not "." or "..",
// no path separators, wildcards or control characters. A name from outside that fails this
// would point at another file once joined to its folder.
bool IsPlainFileName(std::string_view name);

} // namespace korvane
