#pragma once
// Lines of MS-DOS text files: CR LF after every line.
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

// Splits text at CR LF (or a lone LF); a final line break does not start another line.
std::vector<std::string> splitLines(std::string_view text);

// Joins lines, each followed by CR LF.
std::string joinLinesCrlf(const std::vector<std::string>& lines);

} // namespace w98
