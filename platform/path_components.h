#pragma once
// The components of a path as Machine::normalize gives it ("X:\a\b"): those after the drive.
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

std::vector<std::string> pathComponents(std::string_view normalized);

} // namespace w98
