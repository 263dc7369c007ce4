#pragma once
// How the maintenance jobs reach a page: their lines go to the page's text area, their
// questions and messages to the window's dialogs.
#include "page_kit.h"

#include "maintenance/job_ui.h"

#include <string>
#include <vector>

namespace korvane {

namespace ui {
class Memo;
}

// Replaces what the memo holds with the lines and makes it visible.
void ShowLines(ui::Memo* memo, const std::vector<std::string>& lines);

// Lines are added to the memo (none for a job on a page without one); waiting lets the window
// repaint first.
JobUi MemoJobUi(const PageContext& ctx, ui::Memo* memo);

} // namespace korvane
