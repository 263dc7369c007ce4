#include "busy_window.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QHash>
#include <QObject>
#include <QWidget>
#include <QWindow>

namespace korvane::ui {
namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
        return true;
    default:
        return false;
    }
}

// Sits on the application and drops user input whose window is held.
class InputSink final : public QObject {
  public:
    QHash<const QWidget*, int> held;

    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (held.isEmpty() || !isUserInput(event->type()))
            return false;
        if (auto* widget = qobject_cast<QWidget*>(receiver))
            return held.contains(widget->window());
        if (auto* window = qobject_cast<QWindow*>(receiver)) {
            for (auto it = held.cbegin(); it != held.cend(); ++it)
                if (it.key()->windowHandle() == window)
                    return true;
        }
        return false;
    }
};

InputSink& sink() {
    static InputSink* s = [] {
        auto* created = new InputSink;
        created->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(created);
        return created;
    }();
    return *s;
}

void drainInput() {
    // Twice: input read from the display during the first pass is delivered by the second.
    for (int i = 0; i < 2; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

} // namespace

BusyWindow::BusyWindow(QWidget* window) : window_(window ? window->window() : nullptr) {
    if (window_)
        ++sink().held[window_];
}

BusyWindow::~BusyWindow() {
    if (!window_)
        return;
    drainInput();
    auto& held = sink().held;
    if (--held[window_] <= 0)
        held.remove(window_);
}

void PaintNow() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool IsBusy(const QWidget* window) {
    return window && sink().held.contains(window->window());
}

void SettleNewWindow(QWidget* window, int waitMs) {
    BusyWindow busy(window);
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        const QWindow* handle = window->windowHandle();
        if (handle && handle->isExposed())
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

} // namespace korvane::ui
