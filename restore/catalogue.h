#pragma once
// Finding the restore points at start-up: the registry checker's cabinets and registry file
// pairs left by other sources.
#include "restore_point.h"

#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

// Appends one restore point per cabinet (*.cab, hidden and system files included, plain
// subfolders skipped) in folder. A missing folder adds nothing.
void ScanCabFolder(const w98::Machine& m, const std::string& winDir, const std::string& folder,
                   RestoreCatalogue& out);

// Appends one restore point when folder holds both system<ext> and user<ext>.
void ScanRegistryPair(const w98::Machine& m, const std::string& folder, const std::string& extension,
                      const std::string& note, RestoreCatalogue& out);

// The start-up scans, in their order.
RestoreCatalogue ScanAllRestorePoints(const w98::Machine& m, const std::string& winDir,
                                      const std::string& backupDir);

// The date text of a backup file's last-write time in the machine's formats.
std::string BackupDateText(const w98::Machine& m, const std::string& file);

} // namespace korvane
