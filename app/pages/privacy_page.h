#pragma once
// The "隐私" page: policy switches, the drives hidden from the shell, and a movable panel with
// the page's memo and the two switches that undo what the page's advice leads to.
#include "page_kit.h"

namespace korvane {

namespace ui {
class CheckListBox;
class DockPanel;
class Memo;
} // namespace ui

class PrivacyPage {
  public:
    PrivacyPage(const PageContext& ctx, QWidget* sheet);

    ui::CommandLabel* Label15;
    ui::CheckListBox* CheckListBox1;
    ui::CommandLabel* Label87;
    ui::CommandLabel* Label24;
    ui::CommandLabel* Label276;
    // Jumps to the typed-address list of "上网"; the window binds it.
    ui::CommandLabel* Label86;
    ui::CommandLabel* Label96;
    ui::DockPanel* PanelAntidote;
    ui::CommandLabel* LabelAntidote;
    ui::CommandLabel* Label93;
    ui::CommandLabel* Label94;
    ui::Memo* Memo3;
    ui::CommandLabel* LabelRestartNote;

    // Runs when the window is first shown and each time the page is shown.
    void TabSheet9Show();
    void CheckListBox1Click();
    void Label87Click();
    void Label93Click();
    void Label94Click();
    void Label24MouseMove();
    void Label276Click();

  private:
    QWidget* buildDriveColumn(QWidget* sheet);
    QWidget* buildCommandColumn(QWidget* sheet);
    QWidget* buildPanel(QWidget* sheet);
    void bind();

    PageContext ctx_;
    // A click on a tick box reports the tick first and then the click; one run is enough.
    bool tickReported_ = false;
};

} // namespace korvane
