#pragma once
// The "上网" page: browser help and settings on sub-pages that a row of navigation labels
// opens. The sub-pages stay hidden until the first of those is clicked.
#include "page_kit.h"

namespace korvane {

namespace ui {
class PageControl;
}

class InternetPage {
  public:
    InternetPage(const PageContext& ctx, QWidget* sheet);

    ui::PageControl* PageControl3;
    QWidget* TabSheet14;
    QWidget* TabSheet15;
    QWidget* TabSheet16;
    QWidget* TabSheet17;
    QWidget* TabSheet18;
    QWidget* TabSheet25;
    QWidget* TabSheet27;
    // Links of the help directory (internet_links.cpp).
    ui::CommandLabel* Label50;
    ui::CommandLabel* Label104;
    ui::CommandLabel* Label185;
    ui::CommandLabel* Label186;
    ui::CommandLabel* Label187;
};

} // namespace korvane
