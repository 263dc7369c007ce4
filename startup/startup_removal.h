#pragma once
// Removing a startup entry from where it came from: the "load=" lines of win.ini, a file of the
// startup folder, or a value of a run key. The row leaves the table only once the entry is
// really gone; a removal that fails raises its error and leaves the row.
#include "startup_entry.h"

#include "sysaccess/text_table.h"

#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

inline constexpr const char* kRemovalRefused = "抱歉，为了保护您的爱机的安全，我不提供删除该键值的服务^－^";

enum class ClickOutcome {
    Nothing, // not a delete cell of an entry row
    Refused, // a protected entry: show kRemovalRefused
    Removed, // the entry is gone and its row left the table
};

// A click on the startup table with the selection given.
ClickOutcome ClickStartupTable(w98::Machine& m, TextTable& table, const GridRect& selection,
                               const std::string& winDir);

// Removes the entry from the machine. Throws when it cannot, leaving everything as it was.
void RemoveStartupEntry(w98::Machine& m, const StartupEntry& entry, const std::string& winDir);

// Turns every line of win.ini that carries "load=" in any letter case into the line "load=",
// keeping every other line in its place, byte for byte. The file is replaced once, whole, and
// only when a line changed.
void EmptyWinIniLoadLines(w98::Machine& m, const std::string& winIniPath);

} // namespace korvane
