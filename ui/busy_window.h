#pragma once
// One user action at a time. While a long handler runs (a restore, a restore point made now, a
// registry rebuild, a driver repair, a reinstall), the window takes no user input: a click or a
// key meant for it, such as the second click of a double click or an impatient click while the
// registry checker runs, is thrown away, neither delivered while the handler repaints nor
// afterwards. Message boxes the handler shows are windows of their own and take input as usual.
class QWidget;

namespace korvane::ui {

class BusyWindow {
  public:
    explicit BusyWindow(QWidget* window);
    // Throws away the input for the window that arrived meanwhile, then takes input again.
    ~BusyWindow();
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

  private:
    QWidget* window_;
};

// Repaints what is pending without delivering user input.
void PaintNow();

// True while a BusyWindow holds the window.
bool IsBusy(const QWidget* window);

// For a window just shown: throws away every click and key that was made before it could take
// them (at start-up after a restart, the pointer may still be on the row a restore was started
// from), waiting up to waitMs for the window to be shown on the screen.
void SettleNewWindow(QWidget* window, int waitMs = 2000);

} // namespace korvane::ui
