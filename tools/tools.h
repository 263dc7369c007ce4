#pragma once
// Entry points of the stand-in programs; each takes the arguments after its name.
#include <string>
#include <vector>

namespace w98 {

int commandTool(const std::vector<std::string>& args); // command.com

} // namespace w98
