#pragma once
// What happens between launch and the first page, and when the window closes; free of widgets.
#include "shared_paths.h"
#include "sysaccess/policy_keys.h"

#include <string>

namespace w98 {
class Machine;
class Clock;
} // namespace w98

namespace korvane {

inline constexpr const char* kAppTitle = "Korvane V2.1";
inline constexpr const char* kNotWindows98 =
    "非常抱歉！你的操作系统不是windows98，如果运行本软件，可能会碰上麻烦，请回吧";

// The program runs MS-DOS tools itself: lift the current user's MS-DOS restriction for the
// run and remember in `old` whether it has to come back at close.
void LiftMsDosPolicy(w98::Machine& m);
// Puts the MS-DOS restriction back as `old` says; without `old` leaves the registry alone.
void RestoreMsDosPolicy(w98::Machine& m);

// WinDir from the registry, and the paths that follow from it.
SharedPaths ComputeSharedPaths(w98::Machine& m, const std::string& exeDir);

// "今天是:20" and today's date in the machine's short date format.
std::string DateLine(const w98::Machine& m, const w98::Clock& clock);

// The folder of the running program as a Windows path of the machine when it lies inside
// the machine, otherwise the host folder itself.
std::string ProgramFolder(const w98::Machine& m);

} // namespace korvane
