#pragma once
// The "健体" page: the startup programs manager, and a shared area above the page's commands
// where either the startup grid or the page's text area Memo7 is shown.
#include "page_kit.h"

#include "ui/grid_selection.h"

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
    // The page's commands, in rows and columns below the shared area; Label56 is at (0, 0).
    QGridLayout* Commands;

    // The shared area shows one of the two: commands that explain or report show Memo7
    // (and fill it themselves); the startup listing shows the grid.
    void ShowMemo();
    void ShowGrid();

    void Label56Click();
    void StringGrid4MouseMove(int col, int row);
    void StringGrid4Click(const ui::GridRect& selection);

  private:
    PageContext ctx_;
};

} // namespace korvane
