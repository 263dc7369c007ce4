#include "action_commit.h"

#include "busy_window.h"

#include <QApplication>
#include <chrono>
#include <exception>
#include <future>
#include <utility>

namespace korvane::ui {
namespace {

int& depth() {
    static int d = 0;
    return d;
}

bool& running() {
    static bool r = false;
    return r;
}

} // namespace

std::function<void()>& afterEachAction() {
    static std::function<void()> hook;
    return hook;
}

ActionScope::ActionScope() {
    ++depth();
}
ActionScope::~ActionScope() {
    --depth();
}

TellingFailure::TellingFailure() : depth_(std::exchange(depth(), 0)) {}
TellingFailure::~TellingFailure() {
    depth() = depth_;
}

void CommitActionNow() {
    if (depth() == 0 || !afterEachAction() || running())
        return;
    running() = true;
    struct Done {
        ~Done() { running() = false; }
    } done;
    BusyWindow busy(QApplication::activeWindow());
    auto commit = std::async(std::launch::async, afterEachAction());
    while (commit.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        PaintNow();
    commit.get();
}

bool CommitRunning() {
    return running();
}

void CommitBeforeTelling::showMessage(QWidget* parent, const QString& text, const QString& title,
                                      MessageIcon icon) {
    CommitActionNow();
    inner_.showMessage(parent, text, title, icon);
}

bool CommitBeforeTelling::confirm(QWidget* parent, const QString& text) {
    CommitActionNow();
    return inner_.confirm(parent, text);
}

QString CommitBeforeTelling::openFile(QWidget* parent, const QString& title, const QString& filter,
                                      bool picturePreview, const QString& folder) {
    return inner_.openFile(parent, title, filter, picturePreview, folder);
}

} // namespace korvane::ui
