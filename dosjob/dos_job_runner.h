#pragma once
// Running a job in MS-DOS mode at the next start: the job C:\dosrun.bat is written
// beforehand; the runner swaps C:\AUTOEXEC.BAT for a launcher that calls the job and then a
// clean-up, and restarts the computer. The clean-up puts the Autoexec.bat found in
// <WinDir>\temp\RESTORE1 in place and starts Windows.
#include "sysaccess/shared_paths.h"

#include <functional>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

struct System;

inline constexpr const char* kDosJob = "C:\\dosrun.bat";

// The registry import that re-arms the daily backup, in the Windows folder. An 8.3 name: MS-DOS
// would cut a longer one and find nothing.
inline constexpr const char* kDailyBackupImportName = "scanrun.reg";
std::string DailyBackupImport(const std::string& winDir);

// Lines MS-DOS runs before Windows loads: paths by their short names (DosPath).
std::vector<std::string> AutoexecTxtLines(const w98::Machine& m, const std::string& winDir);
std::vector<std::string> DosToWinLines(const w98::Machine& m, const std::string& winDir);

// The lines that make a folder the current one: its drive, then "cd" with its short path.
std::vector<std::string> ChangeToFolderLines(const w98::Machine& m, const std::string& folder);
// The arming batch; its rename and delete lines depend on what C:\ holds now.
std::vector<std::string> ProdosLines(const w98::Machine& m, const std::function<void()>& processEvents);

// The folder the clean-up takes the new C:\AUTOEXEC.BAT from.
std::string HandOverFolder(const std::string& winDir);

// Before a job is armed: empties the hand-over folder, so that nothing of an earlier job is
// copied over the system, and puts the user's own start-up file there, so that a job that
// brings no Autoexec.bat of its own leaves the user's in place. The user's file is
// C:\AUTOEXEC.BEI while an earlier arming is pending, otherwise C:\AUTOEXEC.BAT.
void PrepareHandOverFolder(w98::Machine& m, const std::string& winDir);

// Arms the job and restarts the computer. paths.BackupDir becomes WinDir + "\sysbckup".
void RunDosJob(System& system, SharedPaths& paths, const std::function<void()>& processEvents);

} // namespace korvane
