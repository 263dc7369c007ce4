#pragma once
// The programs w98 stands in for, by name.
#include "tools.h"

namespace w98 {

// True when w98 stands in for the program (name without folder and extension, any case).
bool isKnownTool(const std::string& name);

// Runs the named program; an unknown name prints a message and gives exit code 1.
int runTool(Machine& m, const std::string& name, const ToolArgs& args, std::ostream& out);

} // namespace w98
