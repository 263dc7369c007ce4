#pragma once
// The application's default handler: every user action runs through it. An error shows its
// message in a message box and abandons the rest of the action; the window goes on.
#include "dialogs.h"

#include <QString>
#include <exception>
#include <functional>
#include <utility>

namespace korvane::ui {

// What completes every action, when set: putting the machine's changes into its disk image.
// It runs inside the guard, so that an action whose changes could not be kept reports it.
inline std::function<void()>& afterEachAction() {
    static std::function<void()> hook;
    return hook;
}

template <typename F> bool runGuarded(Dialogs& dialogs, QWidget* parent, F&& action) {
    try {
        std::forward<F>(action)();
        if (afterEachAction())
            afterEachAction()();
        return true;
    } catch (const std::exception& e) {
        dialogs.showMessage(parent, QString::fromUtf8(e.what()), {}, MessageIcon::Error);
    } catch (...) {
        dialogs.showMessage(parent, QString::fromUtf8("未知错误"), {}, MessageIcon::Error);
    }
    return false;
}

} // namespace korvane::ui
