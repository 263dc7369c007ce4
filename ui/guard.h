#pragma once
// The application's default handler: every user action runs through it. An error shows its
// message in a message box and abandons the rest of the action; the window goes on.
#include "action_commit.h"
#include "dialogs.h"

#include <QString>
#include <exception>
#include <functional>
#include <utility>

namespace korvane::ui {

template <typename F> bool runGuarded(Dialogs& dialogs, QWidget* parent, F&& action) {
    try {
        ActionScope scope;
        std::forward<F>(action)();
        // Inside the guard, so that an action whose changes could not be kept reports it.
        CommitActionNow();
        return true;
    } catch (const std::exception& e) {
        TellingFailure failure;
        dialogs.showMessage(parent, QString::fromUtf8(e.what()), {}, MessageIcon::Error);
    } catch (...) {
        TellingFailure failure;
        dialogs.showMessage(parent, QString::fromUtf8("未知错误"), {}, MessageIcon::Error);
    }
    return false;
}

} // namespace korvane::ui
