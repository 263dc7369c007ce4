#include "quick_fixes.h"

#include "platform/power.h"
#include "sysaccess/system_info.h"

namespace korvane {

void RestartInputMethodIndicator(w98::Machine& m, const std::string& winDir) {
    RunAndWait(m, "command.com /c " + winDir + "\\SYSTEM\\Internat.exe", kSwHide);
}

std::string SystemFileCheckerPath(const std::string& winDir) {
    return winDir + "\\system\\sfc.exe";
}

std::string StartupFolderPath(const std::string& winDir) {
    return winDir + "\\Start Menu\\Programs\\启动";
}

void RestartComputer(w98::Power& power) {
    power.exitWindows(w98::kEwxReboot, 0);
}

} // namespace korvane
