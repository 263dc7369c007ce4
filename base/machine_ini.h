#pragma once
// machine.ini, the machine's description: what each setting is when the file does not say, and
// the file a new machine starts with.
#include <string>
#include <string_view>
#include <vector>

namespace w98::machine_ini {

inline constexpr const char* kWindows = "C:\\WINDOWS";
inline constexpr const char* kShortDate = "yy-M-d";
inline constexpr const char* kLongTime = "H:mm:ss";
inline constexpr const char* kBios = "Award Modular BIOS v4.51PG, An Energy Star Ally";

// A comment line, [machine] with the given lines ("windows=C:\WIN98" first) and the other
// settings at their defaults, then [drives] with lines such as "C=fixed".
std::string text(std::string_view comment, const std::vector<std::string>& machine,
                 const std::vector<std::string>& drives);

} // namespace w98::machine_ini
