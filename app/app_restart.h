#pragma once
// Restarting the computer from the program: Windows first closes the program as it closes
// every program (its close handler runs), then the machine starts again.
#include "platform/power.h"

class QWidget;

namespace korvane {

class AppRestart final : public w98::Power {
public:
    void setWindow(QWidget* window) { window_ = window; }
    void exitWindows(std::uint32_t flags, std::uint32_t reason) override;

private:
    QWidget* window_ = nullptr;
};

} // namespace korvane
