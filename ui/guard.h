#pragma once
// The application's default handler: every user action runs through it. An error shows its
// message in a message box and abandons the rest of the action; the window goes on.
#include "dialogs.h"

#include <QString>
#include <exception>
#include <utility>

namespace korvane::ui {

template <typename F>
bool runGuarded(Dialogs& dialogs, QWidget* parent, F&& action) {
    try {
        std::forward<F>(action)();
        return true;
    } catch (const std::exception& e) {
        dialogs.showMessage(parent, QString::fromUtf8(e.what()), {}, MessageIcon::Error);
    } catch (...) {
        dialogs.showMessage(parent, QString::fromUtf8("未知错误"), {}, MessageIcon::Error);
    }
    return false;
}

} // namespace korvane::ui
