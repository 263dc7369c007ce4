#pragma once
// The four folder paths that start-up fixes and every page uses.
#include <string>

namespace korvane {

struct SharedPaths {
    std::string WinDir;    // the Windows folder, no trailing backslash, e.g. C:\WINDOWS
    std::string BootDrive; // its first two characters, e.g. C:
    std::string BackupDir; // WinDir + "\SYSBCKUP", the registry checker's backup folder
    std::string ExeDir;    // the program's own folder, no trailing backslash
};

} // namespace korvane
