#pragma once
// The "健体" page: the startup programs manager, and a shared area above the page's commands
// where either the startup grid or the page's text area Memo7 is shown.
#include "page_kit.h"

#include "ui/grid_selection.h"

class QCheckBox;
class QGridLayout;

namespace korvane {

namespace ui {
class Memo;
class TextGrid;
} // namespace ui

class HealthPage {
  public:
    HealthPage(const PageContext& ctx, QWidget* sheet);

    ui::CommandLabel* Label56;
    ui::TextGrid* StringGrid4;
    ui::Memo* Memo7;
    // Hang protection: two time-outs and the automatic end of hung programs.
    ui::CommandLabel* Label22;
    ui::CommandLabel* Label23;
    QCheckBox* CheckBox1;
    // The page's commands, in rows and columns below the shared area; Label56 is at (0, 0),
    // the hang protection in rows 1 and 2.
    QGridLayout* Commands;

    // The shared area shows one of the two: commands that explain or report show Memo7
    // (and fill it themselves); the startup listing shows the grid.
    void ShowMemo();
    void ShowGrid();

    // The tick follows AutoEndTasks; a tick that changes here is stored like a click.
    void TabSheet3Show();
    void Label56Click();
    void Label22Click();
    void Label23Click();
    void CheckBox1Click();
    void StringGrid4MouseMove(int col, int row);
    void StringGrid4Click(const ui::GridRect& selection);

  private:
    PageContext ctx_;
};

} // namespace korvane
