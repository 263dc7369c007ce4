#pragma once
// Rebuilding the registry in MS-DOS mode: the registry editor exports the whole registry while
// Windows runs, and at the next start, before Windows loads, builds a fresh registry from it.
#include "sysaccess/shared_paths.h"

#include <functional>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

struct System;

inline constexpr const char* kRegistryExport = "c:\\reg.reg";

std::vector<std::string> ExportBatchLines();
// The MS-DOS-mode job; the editor's rebuild switch takes two blanks before the file.
// Paths by their short names, as MS-DOS sees them.
std::vector<std::string> RegistryRebuildJobLines(const w98::Machine& m, const std::string& winDir);

// The page's text area on a click (explanation) and when the job starts (progress).
std::vector<std::string> RegistryRebuildExplanation(const std::string& caption);
std::vector<std::string> RegistryRebuildProgress(const std::string& caption);

// Throws an error when c:\reg.reg is missing or not a whole export (both HKEY_LOCAL_MACHINE
// and HKEY_USERS, every line readable), so that MS-DOS mode never meets a partial one.
void CheckRegistryExport(w98::Machine& m);

// Writes the export batch, exports the registry and checks the export (which then also carries
// the MS-DOS restriction the user keeps for after the program's run), then writes the job and
// hands it to the DOS-mode runner, which restarts the computer. The user's C:\AUTOEXEC.BAT is
// put in the hand-over folder first, so that the runner's clean-up puts it back. An export
// that fails ends the job with an error before anything is armed: the partial export is
// removed, C:\dosrun.bat is not touched and the computer is not restarted.
void RebuildRegistry(System& system, SharedPaths& paths, const std::function<void()>& processEvents);

} // namespace korvane
