#pragma once
// A link label of the help directory: caption and target come from the directory, and the
// label's event hands the target to the shell.
#include "page_kit.h"

namespace korvane {

// Throws std::out_of_range when the directory has no link of that name.
ui::CommandLabel* MakeLinkLabel(const PageContext& ctx, QWidget* parent, const char* control);

} // namespace korvane
