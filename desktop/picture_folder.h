#pragma once
// Adding the pictures of a whole folder to the wallpaper list.
#include "sysaccess/text_table.h"

#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

// folder + "\" + name, without doubling the backslash of a drive's root.
std::string JoinWinPath(const std::string& folder, const std::string& name);

// The pictures of one folder in the order the folder lists them: files whose extension is
// ".jpg" or ".bmp", letter case ignored. Subfolders and other files are left out.
std::vector<std::string> CollectPictureFiles(const w98::Machine& m, const std::string& folder);

struct FolderAddResult {
    std::vector<std::string> added;
    // One message for each picture that could not be measured and was left out.
    std::vector<std::string> refused;
};

// Puts every usable picture of the folder at row 1, one after another, so that the last one
// found ends at the top. A picture that cannot be measured is left out and reported, so that
// one damaged file does not cost the user the rest of the folder.
FolderAddResult AddPictureFolder(w98::Machine& m, TextTable& t, const std::string& folder);

} // namespace korvane
