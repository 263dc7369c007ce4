#include "policy_switch.h"

#include "switch_keys.h"
#include "sysaccess/registry_values.h"

#include "platform/machine.h"

#include <array>

namespace korvane {
namespace {

using namespace switch_keys;

// The two values are written and removed together; only NoRun is read back.
void forbidRun(w98::Machine& m) {
    WriteRegInt(m, kExplorerPolicyRoot, kExplorerPolicy, "NoRun", 1);
    WriteRegInt(m, kExplorerPolicyRoot, kExplorerPolicy, "NoSun", 1);
}
void allowRun(w98::Machine& m) {
    DeleteRegValue(m, kExplorerPolicyRoot, kExplorerPolicy, "NoRun");
    DeleteRegValue(m, kExplorerPolicyRoot, kExplorerPolicy, "NoSun");
}
bool runForbidden(w98::Machine& m) {
    return RegValueExists(m, kExplorerPolicyRoot, kExplorerPolicy, "NoRun");
}

void superHide(w98::Machine& m) {
    WriteRegInt(m, kShowAllRoot, kShowAll, "CheckedValue", 0);
}
void superUnhide(w98::Machine& m) {
    WriteRegInt(m, kShowAllRoot, kShowAll, "CheckedValue", 1);
}
// A fresh machine may have no CheckedValue yet: the shell then offers "show all files" as
// usual, so nothing is super-hidden. Nothing is created just by looking.
bool superHidden(w98::Machine& m) {
    if (!m.registry().keyExists(kShowAllRoot, kShowAll) ||
        !RegValueExists(m, kShowAllRoot, kShowAll, "CheckedValue"))
        return false;
    return ReadRegInt(m, kShowAllRoot, kShowAll, "CheckedValue") == 0;
}

// Only `old` changes here; start-up and close handle the live `Disabled`.
void msDosOffAfterRun(w98::Machine& m) {
    WriteRegInt(m, kMsDosRoot, kMsDos, "old", 1);
}
void msDosOnAfterRun(w98::Machine& m) {
    WriteRegInt(m, kMsDosRoot, kMsDos, "old", 0);
}
// Without `old` (a disk start-up could not write to, a registry a restore put back) the run
// changes nothing at close: not in force.
bool msDosOffAfterRunInForce(w98::Machine& m) {
    return RegValueExists(m, kMsDosRoot, kMsDos, "Disabled") &&
           RegValueExists(m, kMsDosRoot, kMsDos, "old") && ReadRegInt(m, kMsDosRoot, kMsDos, "old") != 0;
}

void allowRegistryEditor(w98::Machine& m) {
    DeleteRegValue(m, kDefaultUserRoot, kDefaultSystemPolicy, "DisableRegistryTools");
    WriteRegInt(m, kDefaultUserRoot, kDefaultWinOldApp, "Disabled", 0);
}
void forbidRegistryEditor(w98::Machine& m) {
    WriteRegInt(m, kDefaultUserRoot, kDefaultSystemPolicy, "DisableRegistryTools", 1);
    DeleteRegValue(m, kDefaultUserRoot, kDefaultWinOldApp, "Disabled");
}
bool registryEditorAllowed(w98::Machine& m) {
    return !RegValueExists(m, kDefaultUserRoot, kDefaultSystemPolicy, "DisableRegistryTools");
}

void mergeRegFiles(w98::Machine& m) {
    WriteRegDefault(m, kRegClassRoot, kRegClass, "regfile");
}
void openRegFilesAsText(w98::Machine& m) {
    WriteRegDefault(m, kRegClassRoot, kRegClass, "txtfile");
}
bool regFilesMerged(w98::Machine& m) {
    return ReadRegDefault(m, kRegClassRoot, kRegClass) != "txtfile";
}

} // namespace

// Control, form caption, compare caption, caption after the first action, the two actions,
// and whether the registry holds what the first action leaves.
// clang-format off
const PolicySwitch kAddressBarSwitch{"Label93", "禁用地址栏直接输入", "禁用地址栏直接输入", "启用地址栏直接输入",
                                     forbidRun, allowRun, runForbidden};
const PolicySwitch kRunCommandSwitch{"Label37", "找回〔运行〕", "禁用〔运行〕", "启用〔运行〕",
                                     forbidRun, allowRun, runForbidden};
const PolicySwitch kSuperHiddenSwitch{"Label87", "彻底隐藏文件或文件夹", "彻底隐藏文件或文件夹", "取消彻底隐藏文件或文件夹",
                                      superHide, superUnhide, superHidden};
const PolicySwitch kMsDosSwitch{"Label94", "禁用MS-DOS", "禁用MS-DOS", "启用MS-DOS",
                                msDosOffAfterRun, msDosOnAfterRun, msDosOffAfterRunInForce};
const PolicySwitch kRegistryEditorSwitch{"Label91", "启用注册表程序", "启用注册表程序", "禁用注册表程序",
                                         allowRegistryEditor, forbidRegistryEditor, registryEditorAllowed};
const PolicySwitch kRegFileSwitch{"Label92", "禁用注册文件", "启用注册文件", "禁用注册文件",
                                  mergeRegFiles, openRegFilesAsText, regFilesMerged};
// clang-format on

std::span<const PolicySwitch* const> PolicySwitches() {
    static const std::array<const PolicySwitch*, 6> all{&kAddressBarSwitch,     &kRunCommandSwitch,
                                                        &kSuperHiddenSwitch,    &kMsDosSwitch,
                                                        &kRegistryEditorSwitch, &kRegFileSwitch};
    return all;
}

std::string ClickPolicySwitch(w98::Machine& m, const PolicySwitch& s, std::string_view caption) {
    if (caption == s.compareCaption) {
        s.first(m);
        return s.firstCaption;
    }
    s.second(m);
    return s.compareCaption;
}

std::string RefreshPolicySwitch(w98::Machine& m, const PolicySwitch& s) {
    return s.firstInForce(m) ? s.firstCaption : s.compareCaption;
}

} // namespace korvane
