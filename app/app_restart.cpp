#include "app_restart.h"

#include "platform/machine_programs.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <unistd.h>

namespace korvane {

void AppRestart::exitWindows(std::uint32_t flags, std::uint32_t /*reason*/) {
    if (!(flags & w98::kEwxReboot))
        return;
    requested_ = true;
    if (window_)
        window_->close();
    QApplication::quit();
}

void AppRestart::bootMachine(const w98::Machine& machine) {
    w98::runW98(machine, {"boot"});
}

void AppRestart::startAgainOnDisplay(char** argv) {
    const QString platform = QGuiApplication::platformName();
    if (platform == QStringLiteral("offscreen") || platform == QStringLiteral("minimal"))
        return;
    ::execv("/proc/self/exe", argv);
}

} // namespace korvane
