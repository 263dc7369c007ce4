#pragma once
// The "常见" page: a column of common problems; choosing one shows its page beside the column
// and names it in the breadcrumb.
#include "page_kit.h"

#include <vector>

class QBoxLayout;

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
    // Room for the commands that stand beside the written guides: each takes its label.
    QBoxLayout* InputMethodCommands;    // 输入法, beside the guide's heading
    QBoxLayout* SystemFileCheckerSlot;  // 系统文件丢失, heading of the first guide
    QBoxLayout* ReinstallSlot;          // 系统文件丢失, heading of the second guide
    QBoxLayout* HangPreventionCommands; // 防死机, below the links

    void TopicClick(const Topic& topic);
    // Runs each time "常见" becomes the active page.
    void TabSheet4Show();

  private:
    void buildPages();
    void buildTopics(QWidget* column);
    // The written guides and their links on the topic pages.
    void buildGuides();

    PageContext ctx_;
};

} // namespace korvane
