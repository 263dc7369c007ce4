#pragma once
// Events of plain widgets that have no signal for them.
#include <QEvent>
#include <functional>

class QObject;
class QWidget;

namespace korvane {

// Calls handler with every event of the type that reaches target; the event goes on to the
// target unless handler returns true.
void HookEvent(QObject* target, QEvent::Type type, std::function<bool(QEvent*)> handler);

// Runs action when the left button is pressed on the widget and released over it.
void HookClick(QWidget* widget, std::function<void()> action);

} // namespace korvane
