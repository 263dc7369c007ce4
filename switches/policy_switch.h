#pragma once
// The policy switches. Each is a label whose caption names what the next click will do. A
// click compares the caption with the switch's compare caption: the same text runs the first
// action, any other text the second, and the caption then names the way back. The registry
// alone holds the state; a refresh sets the caption from it.
#include <span>
#include <string>
#include <string_view>

namespace w98 {
class Machine;
}

namespace korvane {

struct PolicySwitch {
    const char* control;        // the label that carries the switch
    const char* formCaption;    // its caption until its page is first shown
    const char* compareCaption; // selects the first action; the caption after the second one
    const char* firstCaption;   // the caption after the first action
    void (*first)(w98::Machine&);
    void (*second)(w98::Machine&);
    // The registry holds what the first action leaves behind.
    bool (*firstInForce)(w98::Machine&);
};

// The address bar's direct input (隐私) and the Run command (上网 › 被改) act on the same
// pair NoRun and NoSun.
extern const PolicySwitch kAddressBarSwitch;     // Label93
extern const PolicySwitch kRunCommandSwitch;     // Label37
extern const PolicySwitch kSuperHiddenSwitch;    // Label87
extern const PolicySwitch kMsDosSwitch;          // Label94
extern const PolicySwitch kRegistryEditorSwitch; // Label91
extern const PolicySwitch kRegFileSwitch;        // Label92

std::span<const PolicySwitch* const> PolicySwitches();

// Runs the action that the caption selects and returns the caption that follows. A write
// that fails raises its error before the caption changes.
std::string ClickPolicySwitch(w98::Machine& m, const PolicySwitch& s, std::string_view caption);

// The caption that the registry calls for.
std::string RefreshPolicySwitch(w98::Machine& m, const PolicySwitch& s);

} // namespace korvane
