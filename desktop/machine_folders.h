#pragma once
// What the drive list and the folder list show of the machine, and the machine's own path of
// a file a file dialog gives.
#include <filesystem>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

// The machine's drives in letter order, as the drive list names them: "a:", "c:", "d:".
std::vector<std::string> MachineDrives(const w98::Machine& m);

// One line of the folder list.
struct FolderRow {
    std::string caption; // "c:\" for a root, else the folder's name
    std::string folder;  // the folder's full path
    int depth = 0;       // 0 for the root
    bool open = false;   // the open folder and the folders above it
};

// The folders from the drive's root down to the open folder, then the open folder's
// subfolders (hidden ones left out). A folder that does not exist lists no subfolders.
std::vector<FolderRow> FolderRows(const w98::Machine& m, const std::string& folder);

// A file chosen in a dialog as the machine's Windows path. A dialog on the host gives a host
// file; it must lie on one of the machine's drives. Throws w98::Error otherwise.
std::string MachinePathOfChoice(const w98::Machine& m, const std::string& chosen);

// The host folder a dialog opens in for a folder of the machine.
std::filesystem::path HostFolderOf(const w98::Machine& m, const std::string& folder);

} // namespace korvane
