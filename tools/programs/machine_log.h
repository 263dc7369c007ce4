#pragma once
// What the machine's Windows programs did that leaves nothing else to see (an icon back in the
// task bar, a checker window, a reinstall): one dated line each in <machine>/programs.log.
#include <string>

namespace w98 {

class Machine;

inline constexpr const char* kProgramsLog = "programs.log";

// Appends "yyyy-MM-dd HH:mm:ss <line>" to the log. Returns false when the log cannot be
// written; the program still did its work.
bool appendProgramsLog(const Machine& m, const std::string& line);

} // namespace w98
