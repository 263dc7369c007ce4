// Korvane: puts a broken Windows 98 installation back to an earlier working state.
#include "close_on_signal.h"
#include "main_window.h"
#include "startup.h"

#include "app_restart.h"
#include "cli/command_dispatch.h"
#include "command_line.h"
#include "demo/demo_machine.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "platform/shell.h"
#include "sysaccess/system.h"
#include "ui/busy_window.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    // korvane list|show|create|restore|undo need no window, nor a display.
    if (korvane::cli::NamesCommand(argc, argv))
        return korvane::cli::RunCommand(argc, argv);
    // In a terminal without any display, help, the version and command-line errors are still
    // given (on the offscreen platform), and the window is refused with a message of our own
    // rather than Qt's abort, before any machine is touched.
    const bool withoutDisplay = !korvane::displayAvailable(korvane::argumentsOf(argc, argv));
    if (withoutDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    QApplication::setApplicationDisplayName(QString::fromUtf8(korvane::kAppTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("korvane"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("korvane")));

    korvane::CommandLineTexts parserTexts;
    QCoreApplication::installTranslator(&parserTexts);
    korvane::CommandLine commandLine;
    commandLine.parser().process(app);
    if (const QString problem = commandLine.problem(); !problem.isEmpty()) {
        std::cerr << "korvane: " << problem.toLocal8Bit().constData() << "\n";
        return 1;
    }
    if (withoutDisplay) {
        std::cerr << "korvane: "
                  << QString::fromUtf8("没有可用的显示（未设置 DISPLAY 或 WAYLAND_DISPLAY），无法打开窗口。")
                         .toLocal8Bit()
                         .constData()
                  << "\n";
        return 1;
    }

    std::unique_ptr<w98::Machine> machine;
    try {
        const auto root = commandLine.machineRoot();
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

    if (machine->isDiskImage())
        korvane::ui::afterEachAction() = [&machine] { machine->commit(); };
    korvane::TForm1 window(system, dialogs);
    power.setWindow(&window);
    korvane::closeOnTerminationSignals(&window);
    // Designed at 800 × 572, the window fills the desktop's work area.
    // The window fills the desktop's work area; without a window manager (Xvfb) maximising
    // alone does nothing, so the geometry is set first.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    // After a restart the pointer may still rest on the row a restore was started from: what
    // was clicked before the window could take it is not acted on.
    korvane::ui::SettleNewWindow(&window);
    const int code = QApplication::exec();
    // A disk image's Windows starts in its virtual PC, with its own MS-DOS tools, not here.
    const bool bootHere = power.restartRequested() && !machine->isDiskImage();
    if (bootHere)
        korvane::AppRestart::bootMachine(*machine);
    // What was done outside any action (the backup made at start-up) and the start of Windows
    // go into the image too, once: the guard no longer adds its own commit.
    korvane::ui::afterEachAction() = nullptr;
    const bool kept = korvane::ui::runGuarded(dialogs, nullptr, [&machine] { machine->commit(); });
    if (power.restartRequested() && machine->isDiskImage() && kept)
        dialogs.showMessage(
            nullptr,
            QString::fromUtf8("已写入磁盘映像 %1。现在启动虚拟机，Windows 98 启动时会先完成这项工作。")
                .arg(QString::fromStdString(commandLine.machineRoot().string())),
            {}, korvane::ui::MessageIcon::Information);
    if (bootHere)
        korvane::AppRestart::startAgainOnDisplay(argv);
    return code;
}
