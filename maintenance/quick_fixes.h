#pragma once
// One-step fixes beside the help texts: the input-method icon, the system file checker, the
// startup folder, and restarting the computer.
#include <string>

namespace w98 {
class Machine;
class Power;
} // namespace w98

namespace korvane {

inline constexpr const char* kInputMethodFound = "已找回输入法图标";

// Starts the input-method indicator again and waits for it; its icon comes back in the task bar.
void RestartInputMethodIndicator(w98::Machine& m, const std::string& winDir);

std::string SystemFileCheckerPath(const std::string& winDir);
std::string StartupFolderPath(const std::string& winDir);

// A plain restart: nothing is prepared for MS-DOS mode and nothing is forced closed.
void RestartComputer(w98::Power& power);

} // namespace korvane
