#include "startup_removal.h"

#include "startup_grid.h"
#include "startup_text.h"
#include "win_ini.h"

#include "base/error.h"
#include "base/text.h"
#include "platform/machine.h"
#include "registry/registry.h"
#include "sysaccess/registry_values.h"

namespace korvane {
namespace {

// Only a file directly inside the startup folder is ever deleted, whatever the row says.
void deleteStartupFile(w98::Machine& m, const std::string& path, const std::string& winDir) {
    const std::string folder = StartupFolderOf(winDir) + "\\";
    if (!w98::startsWithNoCase(path, folder) ||
        !IsPlainFileName(std::string_view(path).substr(folder.size())))
        throw w98::IoError(w98::io_text::kAccessDenied, path);
    if (!m.exists(path))
        return; // already gone
    if (m.isDirectory(path))
        throw w98::IoError(w98::io_text::kAccessDenied, path);
    m.deleteFile(path);
}

} // namespace

void EmptyWinIniLoadLines(w98::Machine& m, const std::string& winIniPath) {
    std::vector<WinIniLine> lines = SplitWinIni(m.readFile(winIniPath));
    bool changed = false;
    for (WinIniLine& line : lines) {
        if (IsWinIniLoadLine(WinIniLineText(line.bytes))) {
            line.bytes = startup_name::kWinIniLoad;
            changed = true;
        }
    }
    if (changed)
        m.writeFile(winIniPath, JoinWinIni(lines));
}

void RemoveStartupEntry(w98::Machine& m, const StartupEntry& entry, const std::string& winDir) {
    if (entry.source == startup_source::kWinIni)
        EmptyWinIniLoadLines(m, winDir + "\\win.ini");
    else if (entry.source == startup_source::kStartupFolder)
        deleteStartupFile(m, entry.program, winDir);
    else
        DeleteRegValue(m, w98::kHkeyLocalMachine, kRunKeyPrefix + entry.source, entry.name);
}

ClickOutcome ClickStartupTable(w98::Machine& m, TextTable& table, const GridRect& selection,
                               const std::string& winDir) {
    const int row = selection.bottom;
    if (selection.top <= 0 || selection.right != startup_col::kDelete || row >= table.rowCount())
        return ClickOutcome::Nothing;
    if (table.cell(startup_col::kDelete, row).empty())
        return ClickOutcome::Refused;
    RemoveStartupEntry(m,
                       StartupEntry{table.cell(startup_col::kProgram, row),
                                    table.cell(startup_col::kName, row),
                                    table.cell(startup_col::kSource, row)},
                       winDir);
    // The rows below move up with their numbers; numbers are recomputed at the next listing.
    table.removeRow(row);
    return ClickOutcome::Removed;
}

} // namespace korvane
