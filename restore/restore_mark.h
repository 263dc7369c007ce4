#pragma once
// The mark a restore leaves in the live registry as it is armed. The point's registry never
// holds it: when the job copies the point's SYSTEM.DAT and USER.DAT back, the mark is gone.
// Windows 98 rewrites both files as it starts but keeps what they hold, so the mark tells
// after the restart whether the restore took place, where the files' bytes cannot.
#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

inline constexpr const char* kRestoreMarkKey = "Software\\Korvane";
inline constexpr const char* kRestoreMarkValue = "RestoreArmed";

// A new mark: 16 hexadecimal digits, never the same twice.
std::string NewRestoreMark();

// Leaves the mark in HKEY_LOCAL_MACHINE (SYSTEM.DAT) and HKEY_CURRENT_USER (USER.DAT).
void LeaveRestoreMark(w98::Machine& m, const std::string& mark);

// Which registry files still hold the mark. Throws w98::Error when the registry cannot be read.
struct MarkedFiles {
    bool system = false;
    bool user = false;
};
MarkedFiles FindRestoreMark(w98::Machine& m, const std::string& mark);

// Takes the mark away where it is still there; another mark is left alone.
void RemoveRestoreMark(w98::Machine& m, const std::string& mark);

} // namespace korvane
