#pragma once
// Events of plain widgets that have no signal for them: a click anywhere in a widget, and a
// panel that covers its parent whatever the parent's size.
#include <functional>

class QWidget;

namespace korvane {

// Runs action when the left button is released over the widget after being pressed on it.
void OnClick(QWidget* widget, std::function<void()> action);

// Keeps the widget over the whole of its parent, in front of the parent's other children.
void CoverParent(QWidget* widget);

} // namespace korvane
