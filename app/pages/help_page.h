#pragma once
// The "求助" page: a column of help topics beside the directory pages. The column is all
// that shows until a topic is chosen.
#include "page_kit.h"

#include <vector>

namespace korvane {

namespace ui {
class PageControl;
}

class HelpPage {
  public:
    HelpPage(const PageContext& ctx, QWidget* sheet);

    struct Topic {
        ui::CommandLabel* label;
        QWidget* page;
    };

    QWidget* TopicColumn;
    ui::PageControl* PageControl5;
    QWidget* TabSheet28;
    QWidget* TabSheet29;
    QWidget* TabSheet30;
    QWidget* TabSheet31;
    QWidget* TabSheet32;
    QWidget* TabSheet33;
    QWidget* TabSheet12; // 网络图片, reached from the "艺术" page only
    QWidget* TabSheet44; // 网络声音, reached from the "艺术" page only
    std::vector<Topic> topics;

    void TopicClick(const Topic& topic);
    // Runs each time "求助" becomes the active page.
    void TabSheet5Show();

  private:
    PageContext ctx_;
};

} // namespace korvane
