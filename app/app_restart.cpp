#include "app_restart.h"

#include <QApplication>
#include <QWidget>

namespace korvane {

void AppRestart::exitWindows(std::uint32_t flags, std::uint32_t /*reason*/) {
    if (!(flags & w98::kEwxReboot))
        return;
    if (window_)
        window_->close();
    QApplication::quit();
}

} // namespace korvane
