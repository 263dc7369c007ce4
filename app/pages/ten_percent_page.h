#pragma once
// The "10%" page: what the program cannot repair, and where to turn instead.
#include "page_kit.h"

#include <vector>

namespace korvane {

namespace ui {
class Memo;
}

class TenPercentPage {
  public:
    TenPercentPage(const PageContext& ctx, QWidget* sheet);

    struct Category {
        QFrame* panel;
        ui::CommandLabel* share;
        ui::Memo* memo;
    };

    ui::CommandLabel* LabelTenPercentTitle;
    // Closes the page; the window knows which page comes back.
    ui::CommandLabel* LabelCloseTenPercent;
    ui::CommandLabel* LabelTenPercentMotto;
    std::vector<Category> categories;

  private:
    QFrame* buildCategory(QWidget* sheet, int index);
};

} // namespace korvane
