#pragma once
// Entry points of the stand-in programs; each takes the machine it runs on, the arguments
// after its name and the console it writes to, and returns its exit code.
#include <ostream>
#include <string>
#include <vector>

namespace w98 {

class Machine;

using ToolArgs = std::vector<std::string>;

int commandTool(Machine& m, const ToolArgs& args, std::ostream& out);  // command.com
int scanregTool(Machine& m, const ToolArgs& args, std::ostream& out);  // scanreg.exe
int scanregwTool(Machine& m, const ToolArgs& args, std::ostream& out); // scanregw.exe

} // namespace w98
