#pragma once
// Work that runs once, when a window is first shown.
#include "page_kit.h"

namespace korvane {

// Runs the handler, as Bind does, the first time the widget is shown.
void OnFirstShow(const PageContext& ctx, QWidget* widget, std::function<void()> handler);

} // namespace korvane
