#pragma once
// The registry checker: backs up the registry and the files named in its settings file
// (<WinDir>\scanreg.ini) into a cabinet in its backup folder, keeping a limited number. The
// w98 scanreg programs back up with it, and so is the demo machine given its backups.
#include "base/date_time.h"

#include <string>
#include <vector>

namespace w98 {

class Machine;

struct CheckerSettings {
    std::string backupFolder;            // full path; the default is <WinDir>\sysbckup
    int maxBackupCopies = 5;             // 1..99
    std::vector<std::string> extraFiles; // full paths from the Files= lines
};

// Reads scanreg.ini from the Windows folder; a missing file gives the defaults.
CheckerSettings readCheckerSettings(const Machine& m);

// Makes one new cabinet rbNNN.cab (the lowest free number) of system.dat, user.dat,
// system.ini, win.ini and the extra files that exist, after removing the oldest cabinets
// beyond the limit. Returns the new cabinet's path.
std::string backupRegistry(Machine& m);

// The day's backup at Windows start: only when no cabinet of the backup folder is from today.
// Returns the new cabinet's path, or "" when today's backup exists.
std::string backupIfNoneToday(Machine& m, const DateTime& now);

} // namespace w98
