#pragma once
// The texts of the "上网" page: the instructions for undoing or redoing what three browser
// add-ons change, and the help shown on hover and in the page's memos.
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct AddonInstructions {
    const char* control;
    const char* caption;
    // The lines after the caption and an empty line; "" is an empty line.
    std::vector<std::string> lines;
};

// In the order the labels stand on the page.
const std::vector<AddonInstructions>& AddonInstructionTable();
// Throws std::out_of_range for a control that has none.
const AddonInstructions& FindAddonInstructions(std::string_view control);

// The patch against title hijacking, shown when the pointer is over its download link.
std::vector<std::string> PatchDescription();
// Hover help of the two buttons of the efficient-browsing page, after the caption and an
// empty line.
std::vector<std::string> OfflineDialHelp();
std::vector<std::string> SearchEngineHelp();
// The memo of the efficient-browsing page before any hover.
std::vector<std::string> ButtonHelpPrompt();
// The explanation of content rating.
std::vector<std::string> RatingExplanation();

} // namespace korvane
