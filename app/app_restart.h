#pragma once
// Restarting the computer from the program: Windows first closes the program as it closes
// every program (its close handler runs), then the machine starts again. On a display the
// program is opened again afterwards, as a user would, so that the result can be seen.
#include "platform/power.h"

class QWidget;

namespace w98 {
class Machine;
}

namespace korvane {

class AppRestart final : public w98::Power {
  public:
    void setWindow(QWidget* window) { window_ = window; }
    void exitWindows(std::uint32_t flags, std::uint32_t reason) override;
    bool restartRequested() const { return requested_; }

    // After the event loop has ended: boots the machine (w98 boot) and, on a display,
    // replaces this process with a fresh start of the program. Returns when it does not.
    static void bootMachine(const w98::Machine& machine);
    static void startAgainOnDisplay(char** argv);

  private:
    QWidget* window_ = nullptr;
    bool requested_ = false;
};

} // namespace korvane
