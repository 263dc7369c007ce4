#pragma once
// Closes a window normally (its close handler runs) when the process gets SIGTERM or SIGINT,
// as a program closed from the terminal should.
class QWidget;

namespace korvane {

void closeOnTerminationSignals(QWidget* window);

} // namespace korvane
