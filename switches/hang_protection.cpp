#include "hang_protection.h"

#include "switch_keys.h"
#include "sysaccess/registry_values.h"

namespace korvane {

using namespace switch_keys;

void StoreWaitToKillTimeout(w98::Machine& m) {
    WriteRegStr(m, kDesktopRoot, kDesktop, "WaitToKillAppTimeOut", "10000");
}

void StoreHungAppTimeout(w98::Machine& m) {
    WriteRegStr(m, kDesktopRoot, kDesktop, "HungAppTimeout", "10000");
}

void StoreAutoEndTasks(w98::Machine& m, bool on) {
    WriteRegStr(m, kDesktopRoot, kDesktop, "AutoEndTasks", on ? "1" : "0");
}

bool AutoEndTasksOn(w98::Machine& m) {
    return ReadRegStr(m, kDesktopRoot, kDesktop, "AutoEndTasks") == "1";
}

} // namespace korvane
