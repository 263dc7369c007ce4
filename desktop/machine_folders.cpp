#include "machine_folders.h"

#include "picture_folder.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "platform/machine.h"

#include <cctype>

namespace fs = std::filesystem;

namespace korvane {

std::vector<std::string> MachineDrives(const w98::Machine& m) {
    std::vector<std::string> out;
    for (char letter = 'a'; letter <= 'z'; ++letter)
        if (m.driveType(std::string(1, letter) + ":\\") != w98::DriveType::NoRootDir)
            out.push_back(std::string(1, letter) + ":");
    return out;
}

std::vector<FolderRow> FolderRows(const w98::Machine& m, const std::string& folder) {
    const std::string norm = w98::Machine::normalize(folder);
    std::vector<FolderRow> rows;
    std::string root = norm.substr(0, 3);
    root[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(root[0])));
    rows.push_back({root, norm.substr(0, 3), 0, true});
    std::size_t pos = 3;
    while (pos < norm.size()) {
        std::size_t next = norm.find('\\', pos);
        if (next == std::string::npos)
            next = norm.size();
        rows.push_back(
            {norm.substr(pos, next - pos), norm.substr(0, next), static_cast<int>(rows.size()), true});
        pos = next + 1;
    }
    const int depth = static_cast<int>(rows.size());
    for (const auto& e : m.list(norm, "*.*", false))
        if ((e.attributes & w98::attr::kDirectory) && !(e.attributes & w98::attr::kHidden))
            rows.push_back({e.name, JoinWinPath(norm, e.name), depth, false});
    return rows;
}

std::string MachinePathOfChoice(const w98::Machine& m, const std::string& chosen) {
    if (chosen.size() >= 2 && chosen[1] == ':')
        return w98::Machine::normalize(chosen);
    std::error_code ec;
    const fs::path host = fs::weakly_canonical(fs::path(chosen), ec);
    const fs::path root = fs::weakly_canonical(m.root(), ec);
    const fs::path rel = host.lexically_relative(root);
    auto part = rel.begin();
    const std::string drive = part == rel.end() ? std::string() : part->string();
    if (ec || drive.size() != 7 || !drive.starts_with("drive_") ||
        !std::isalpha(static_cast<unsigned char>(drive[6])))
        throw w98::Error(chosen + "：这个文件不在本机的任何一个驱动器上");
    std::string win =
        std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive[6])))) + ":";
    for (++part; part != rel.end(); ++part)
        win += "\\" + part->string();
    return w98::Machine::normalize(win);
}

fs::path HostFolderOf(const w98::Machine& m, const std::string& folder) {
    return m.hostPath(folder);
}

} // namespace korvane
