#pragma once
// How Windows deals with programs that stop responding: two time-outs and the automatic end
// of hung programs, string values of the current user's desktop settings.
namespace w98 {
class Machine;
}

namespace korvane {

// Ten seconds for programs that do not close when Windows shuts down.
void StoreWaitToKillTimeout(w98::Machine& m);
// Ten seconds before a program that does not answer counts as hung.
void StoreHungAppTimeout(w98::Machine& m);

// "1" when hung programs are to be ended automatically, "0" when not.
void StoreAutoEndTasks(w98::Machine& m, bool on);
// Only the text "1" stands for on; any other text or none means off.
bool AutoEndTasksOn(w98::Machine& m);

} // namespace korvane
