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

std::vector<std::string> AutoexecTxtLines(const std::string& winDir);
std::vector<std::string> DosToWinLines(const std::string& winDir, const std::string& bootDrive);
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
