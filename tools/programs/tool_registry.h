#pragma once
// The programs w98 stands in for, by name.
#include "tools.h"

namespace w98 {

class Machine;

// Every name w98 runs, the machine's own start-up (boot) included.
std::vector<std::string> toolNames();

// True when w98 stands in for the program file (name without folder and extension, any case).
bool isKnownTool(const std::string& name);

// Runs the named program in the session; an unknown name prints a message and gives exit code 1.
int runTool(DosSession& s, const std::string& name, const ToolArgs& args, std::ostream& out);

// Runs it in a fresh session of the machine (drive C:, its root), as a program started
// from Windows would.
int runTool(Machine& m, const std::string& name, const ToolArgs& args, std::ostream& out);

} // namespace w98
