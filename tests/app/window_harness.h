#pragma once
// A main window on a temporary machine with a fixed clock, recording shell and power switch,
// and scripted message boxes; plus the pointer gestures that GUI tests need.
#include "app/main_window.h"
#include "platform/clock.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_machine.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <memory>

namespace korvane::test {

struct WindowHarness {
    TempMachine tm;
    w98::FixedClock clock{w98::DateTime{2002, 5, 17, 9, 30, 0}};
    RecordingShell shell;
    RecordingPower power;
    ui::ScriptedDialogs dialogs;
    System system{tm.machine(), clock, shell, power};
    std::unique_ptr<TForm1> window;

    TForm1& open() {
        window = std::make_unique<TForm1>(system, dialogs);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("the window did not show");
        return *window;
    }

    template <typename T = QWidget> T* find(const char* name) const {
        auto* w = window->findChild<T*>(QString::fromUtf8(name));
        if (!w)
            qFatal("no control named %s", name);
        return w;
    }
};

// The pointer moves over a widget without a pressed button.
inline void hover(QWidget* w, QPoint pos = {4, 4}) {
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

inline void click(QWidget* w, QPoint pos = {4, 4}) {
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, pos);
}

inline QString u8(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace korvane::test
