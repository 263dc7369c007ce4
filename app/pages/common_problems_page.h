#pragma once
// The "常见" page: a column of common problems; choosing one shows its page beside the column
// and names it in the breadcrumb.
#include "page_kit.h"

#include <vector>

namespace korvane {

namespace ui {
class PageControl;
}

class CommonProblemsPage {
  public:
    CommonProblemsPage(const PageContext& ctx, QWidget* sheet);

    struct Topic {
        ui::CommandLabel* label;
        QWidget* page;
    };

    ui::CommandLabel* LabelTitle;
    ui::PageControl* PageControl2;
    QWidget* TabSheet10;
    QWidget* TabSheet11;
    QWidget* TabSheet13;
    QWidget* TabSheet24;
    QWidget* TabSheet26;
    QWidget* TabSheet34;
    QWidget* TabSheet35;
    QWidget* TabSheet36;
    QWidget* TabSheet37;
    QWidget* TabSheet38;
    QWidget* TabSheet39;
    QWidget* TabSheet40;
    QWidget* TabSheet41;
    QWidget* TabSheet42;
    // On the "死机" page; the user switches it by its own tabs.
    ui::PageControl* PageControl4;
    QWidget* TabSheetHangPrevention;
    // The topic column, top to bottom.
    std::vector<Topic> topics;

    void TopicClick(const Topic& topic);
    // Runs each time "常见" becomes the active page.
    void TabSheet4Show();

  private:
    void buildPages();
    void buildTopics(QWidget* column);

    PageContext ctx_;
};

} // namespace korvane
