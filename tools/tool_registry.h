#pragma once
// The programs w98 stands in for, by name.
#include <string>
#include <vector>

namespace w98 {

// Runs the named program (letter case and a .exe/.com extension ignored). Unknown names
// print a message and give exit code 1.
int runTool(const std::string& name, const std::vector<std::string>& args);

} // namespace w98
