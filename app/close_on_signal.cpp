#include "close_on_signal.h"

#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane {
namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    char c = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] auto n = ::write(signalPipe[0], &c, 1);
}

} // namespace

void closeOnTerminationSignals(QWidget* window) {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char buf[16];
        [[maybe_unused]] auto n = ::read(signalPipe[1], buf, sizeof buf);
        window->close();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

} // namespace korvane
