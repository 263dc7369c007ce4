#pragma once
// The registry checker's settings file, <WinDir>\scanreg.ini.
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

// The settings start-up writes at every start: backups on, six kept, the checker's own
// folder, and the start-up and shell files added to every cabinet. 49 lines, exactly.
const std::vector<std::string>& ScanregTemplate();

// Writes the template over the settings file.
void WriteScanregTemplate(w98::Machine& m, const std::string& winDir);

// Rewrites the file in place: every line containing "MaxBackupCopies=" (any case), or setting
// it with blanks around the name, becomes "MaxBackupCopies=" + copies when copies < 100; every
// such line of "BackupDirectory=" becomes "BackupDirectory=" + folder when folder is not empty.
// A missing file raises.
void EditScanregIni(w98::Machine& m, const std::string& path, int copies, const std::string& folder);

} // namespace korvane
