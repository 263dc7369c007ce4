#include "startup.h"

#include "platform/clock.h"
#include "platform/machine.h"
#include "restore/restore_table.h"
#include "sysaccess/backup_folder.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system_info.h"

#include <filesystem>

namespace korvane {

void LiftMsDosPolicy(w98::Machine& m) {
    const auto hkcu = w98::kHkeyCurrentUser;
    if (!RegValueExists(m, hkcu, kWinOldAppKey, "Disabled"))
        WriteRegInt(m, hkcu, kWinOldAppKey, "Disabled", 0);
    if (!RegValueExists(m, hkcu, kWinOldAppKey, "old"))
        WriteRegInt(m, hkcu, kWinOldAppKey, "old", 0);
    if (ReadRegInt(m, hkcu, kWinOldAppKey, "Disabled") == 1) {
        WriteRegInt(m, hkcu, kWinOldAppKey, "old", 1);
        WriteRegInt(m, hkcu, kWinOldAppKey, "Disabled", 0);
    } else {
        WriteRegInt(m, hkcu, kWinOldAppKey, "old", 0);
    }
}

void RestoreMsDosPolicy(w98::Machine& m) {
    const auto hkcu = w98::kHkeyCurrentUser;
    // A registry put back since start-up (a point made before the program first ran) holds no
    // `old`: there is nothing of this run to put back into it.
    if (!RegValueExists(m, hkcu, kWinOldAppKey, "old"))
        return;
    if (ReadRegInt(m, hkcu, kWinOldAppKey, "old") == 1) {
        WriteRegInt(m, hkcu, kWinOldAppKey, "Disabled", 1);
        return;
    }
    WriteRegInt(m, hkcu, kWinOldAppKey, "Disabled", 0);
    WriteRegInt(m, hkcu, kWinOldAppKey, "old", 0);
}

SharedPaths ComputeSharedPaths(w98::Machine& m, const std::string& exeDir) {
    SharedPaths p;
    p.WinDir = GetWindowsDir(m);
    p.BootDrive = p.WinDir.substr(0, 2);
    p.BackupDir = BackupDirIn(p.WinDir);
    p.ExeDir = exeDir;
    return p;
}

std::string DateLine(const w98::Machine& m, const w98::Clock& clock) {
    const w98::DateTime now = clock.now();
    return "今天是:" + YearPrefix(m.shortDateFormat(), now.year) +
           w98::formatDateTimePicture(m.shortDateFormat(), now);
}

std::string ProgramFolder(const w98::Machine& m) {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::filesystem::path dir = ec ? std::filesystem::current_path(ec) : exe.parent_path();
    // Inside the machine (drive_x/...) the program knows its folder as a Windows path.
    auto rel = std::filesystem::relative(dir, m.root(), ec);
    std::string r = rel.generic_string();
    if (!ec && r.starts_with("drive_") && r.size() >= 7) {
        std::string win =
            std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(r[6])))) + ":";
        std::string rest = r.size() > 8 ? r.substr(8) : std::string();
        for (auto& c : rest)
            if (c == '/')
                c = '\\';
        return rest.empty() ? win : win + "\\" + rest;
    }
    std::string host = dir.string();
    while (host.size() > 1 && host.back() == '/')
        host.pop_back();
    return host;
}

} // namespace korvane
