#pragma once
// Entry points of the stand-in programs. Each takes the MS-DOS session it runs in (the machine,
// the current drive and folders that relative paths resolve against, the environment), the
// arguments after its name and the console it writes to, and returns its exit code.
#include <ostream>
#include <string>
#include <vector>

namespace w98 {

struct DosSession;

using ToolArgs = std::vector<std::string>;

int commandTool(DosSession& s, const ToolArgs& args, std::ostream& out);  // command.com
int scanregTool(DosSession& s, const ToolArgs& args, std::ostream& out);  // scanreg.exe
int scanregwTool(DosSession& s, const ToolArgs& args, std::ostream& out); // scanregw.exe
int attribTool(DosSession& s, const ToolArgs& args, std::ostream& out);   // attrib.exe
int extractTool(DosSession& s, const ToolArgs& args, std::ostream& out);  // extract.exe
int regeditTool(DosSession& s, const ToolArgs& args, std::ostream& out);  // regedit.exe
int smartdrvTool(DosSession& s, const ToolArgs& args, std::ostream& out); // smartdrv.exe
int winTool(DosSession& s, const ToolArgs& args, std::ostream& out);      // win.com
int bootTool(DosSession& s, const ToolArgs& args, std::ostream& out);     // the machine's start-up
int internatTool(DosSession& s, const ToolArgs& args, std::ostream& out); // Internat.exe
int sfcTool(DosSession& s, const ToolArgs& args, std::ostream& out);      // sfc.exe
int setupTool(DosSession& s, const ToolArgs& args, std::ostream& out);    // setup.exe

} // namespace w98
