#include "picture_folder.h"

#include "picture_size.h"
#include "wallpaper_list.h"

#include "base/dos_attributes.h"
#include "platform/machine.h"

namespace korvane {

std::string JoinWinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

std::vector<std::string> CollectPictureFiles(const w98::Machine& m, const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : m.list(folder, "*.*", false)) {
        // A folder is never a picture, whatever other attributes it carries.
        if (e.attributes & w98::attr::kDirectory)
            continue;
        if (PictureKindOf(e.name) != PictureKind::Other)
            out.push_back(JoinWinPath(folder, e.name));
    }
    return out;
}

FolderAddResult AddPictureFolder(w98::Machine& m, TextTable& t, const std::string& folder) {
    FolderAddResult result;
    std::vector<PictureEntry> pictures;
    for (const auto& path : CollectPictureFiles(m, folder)) {
        try {
            pictures.push_back(PreparePicture(m, path));
            result.added.push_back(path);
        } catch (const std::exception& e) {
            result.refused.emplace_back(e.what());
        }
    }
    InsertPictureRows(t, pictures);
    return result;
}

} // namespace korvane
