#pragma once
// On a disk, what an action changes stays in the disk's working folder until it is committed.
// The user is told nothing of an action before its changes are in the disk: a message box
// shown from inside an action commits first, and a commit that fails is what the user is told
// instead (the guard shows it), never a success and then the failure.
#include "dialogs.h"

#include <functional>

namespace korvane::ui {

// What completes every action, when set: putting the machine's changes into its disk image.
std::function<void()>& afterEachAction();

// Marks a handler's action as running for the scope's lifetime; actions may nest.
class ActionScope {
  public:
    ActionScope();
    ~ActionScope();
    ActionScope(const ActionScope&) = delete;
    ActionScope& operator=(const ActionScope&) = delete;
};

// While a failed action's error is shown: what it left half done is not committed for it.
class TellingFailure {
  public:
    TellingFailure();
    ~TellingFailure();
    TellingFailure(const TellingFailure&) = delete;
    TellingFailure& operator=(const TellingFailure&) = delete;

  private:
    int depth_;
};

// Inside an action, commits what it changed so far: on a worker thread while the window
// repaints (its input stays held), so that a large commit does not freeze it. Throws what the
// commit throws. Outside an action, or with nothing to commit through, does nothing.
void CommitActionNow();

// True while CommitActionNow runs: a window closing then must wait for it.
bool CommitRunning();

// The window's dialogs, committing the action's changes before any message or question.
class CommitBeforeTelling final : public Dialogs {
  public:
    explicit CommitBeforeTelling(Dialogs& inner) : inner_(inner) {}
    void showMessage(QWidget* parent, const QString& text, const QString& title = {},
                     MessageIcon icon = MessageIcon::None) override;
    bool confirm(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& title, const QString& filter, bool picturePreview,
                     const QString& folder = {}) override;

  private:
    Dialogs& inner_;
};

} // namespace korvane::ui
