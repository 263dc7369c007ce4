// Korvane: puts a broken Windows 98 installation back to an earlier working state.
#include "close_on_signal.h"
#include "main_window.h"
#include "startup.h"

#include "platform/clock.h"
#include "tools/demo/demo_machine.h"
#include "platform/machine.h"
#include "platform/shell.h"
#include "sysaccess/system.h"
#include "ui/dialogs.h"
#include "app_restart.h"

#include <QApplication>
#include <QScreen>
#include <QMessageBox>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvane"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(korvane::kAppTitle));

    std::unique_ptr<w98::Machine> machine;
    try {
        const auto root = w98::Machine::defaultRoot();
        w98::ensureMachine(root);
        machine = std::make_unique<w98::Machine>(root);
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QString::fromUtf8(korvane::kAppTitle), QString::fromUtf8(e.what()));
        return 1;
    }

    w98::SystemClock clock;
    w98::HostShell shell(*machine);
    korvane::AppRestart power;
    korvane::System system{*machine, clock, shell, power};
    korvane::ui::QtDialogs dialogs;

    korvane::TForm1 window(system, dialogs);
    power.setWindow(&window);
    korvane::closeOnTerminationSignals(&window);
    // Designed at 800 × 572, the window fills the desktop's work area.
    // The window fills the desktop's work area; without a window manager (Xvfb) maximising
    // alone does nothing, so the geometry is set first.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    const int code = QApplication::exec();
    if (power.restartRequested()) {
        korvane::AppRestart::bootMachine(*machine);
        korvane::AppRestart::startAgainOnDisplay(argv);
    }
    return code;
}
