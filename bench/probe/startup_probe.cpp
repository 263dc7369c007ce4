// Starts the program's window on the machine named by WIN98_MACHINE as a user start would,
// and exits as soon as the first page has been shown: the process the start-up benchmark times.
#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "ui/dialogs.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    w98::Machine machine(w98::Machine::defaultRoot());
    w98::SystemClock clock;
    korvane::test::RecordingShell shell;
    korvane::test::RecordingPower power;
    korvane::ui::ScriptedDialogs dialogs;
    korvane::System system{machine, clock, shell, power};
    korvane::TForm1 window(system, dialogs);
    window.show();
    QApplication::processEvents();
    return window.isVisible() ? 0 : 1;
}
