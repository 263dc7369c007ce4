#pragma once
// The registry checker's backup folder below a Windows folder.
#include <string>

namespace korvane {

// Windows finds the folder in any case, but the catalogue tells folder paths apart case and
// all (restore/catalogue.cpp) and the restore table shows them as they are, so each caller
// keeps the spelling its paths have always had.
enum class BackupDirCase { Upper, Lower };

inline std::string BackupDirIn(const std::string& winDir, BackupDirCase spelling = BackupDirCase::Upper) {
    return winDir + (spelling == BackupDirCase::Upper ? "\\SYSBCKUP" : "\\sysbckup");
}

} // namespace korvane
