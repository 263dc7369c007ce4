#pragma once
// The "求助" page: a column of help topics beside the directory pages. The column is all
// that shows until a topic is chosen.
#include "page_kit.h"

#include <vector>

namespace korvane {

namespace ui {
class Memo;
class PageControl;
} // namespace ui

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
    ui::CommandLabel* Label114;
    // The mailboxes of 答疑信箱 and the memo that shows their addresses.
    ui::CommandLabel* Label133;
    ui::CommandLabel* Label140;
    ui::Memo* Memo29;

    void TopicClick(const Topic& topic);
    // Runs each time "求助" becomes the active page.
    void TabSheet5Show();
    void Label140MouseMove();
    void Label133MouseUp();

  private:
    // The directory's links and guidance on the sub-pages.
    void buildDirectory();
    void buildLibrary();
    void buildSearch();
    void buildForums();
    void buildTechnicians();
    void buildRepairSites();
    void buildMailboxes();
    void buildWebMedia();

    PageContext ctx_;
};

} // namespace korvane
