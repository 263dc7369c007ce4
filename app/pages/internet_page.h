#pragma once
// The "上网" page: browser help and settings on sub-pages that a row of navigation labels
// opens. The sub-pages stay hidden until the first of those is clicked.
#include "page_kit.h"

#include "switches/typed_addresses.h"

class QFrame;
class QLineEdit;
class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace korvane {

namespace ui {
class Memo;
class PageControl;
} // namespace ui

class InternetPage {
  public:
    InternetPage(const PageContext& ctx, QWidget* sheet);

    // The navigation row.
    QFrame* Panel15;
    ui::CommandLabel* Label55;
    ui::CommandLabel* Label68;
    ui::CommandLabel* Label69;
    ui::CommandLabel* Label70;
    ui::CommandLabel* Label71;
    ui::CommandLabel* Label72;
    ui::CommandLabel* LabelChangedBy;
    ui::CommandLabel* Label98;
    ui::CommandLabel* Label99;
    ui::CommandLabel* Label100;

    ui::PageControl* PageControl3;
    QWidget* TabSheet14;
    QWidget* TabSheet15;
    QWidget* TabSheet16;
    QWidget* TabSheet17;
    QWidget* TabSheet18;
    QWidget* TabSheet25;
    QWidget* TabSheet27;

    // 被改 (internet_changed.cpp).
    ui::CommandLabel* Label26;
    QLineEdit* Edit1;
    ui::CommandLabel* Label91;
    ui::CommandLabel* Label92;
    ui::CommandLabel* Label37;
    ui::Memo* Memo8;
    ui::Memo* Memo30;
    // 上网高效操作 (internet_pages.cpp).
    QPushButton* Button10;
    QPushButton* Button13;
    ui::Memo* Memo5;
    // 上网隐私 (internet_addresses.cpp).
    ui::CommandLabel* Label53;
    QListWidget* ListBox6;
    // 分级审查.
    ui::CommandLabel* Label77;
    ui::Memo* MemoRating;
    // 大站 (internet_addons.cpp).
    ui::CommandLabel* Label28;
    ui::CommandLabel* Label30;
    ui::CommandLabel* Label29;
    ui::CommandLabel* Label181;
    ui::CommandLabel* Label182;
    ui::CommandLabel* Label183;
    ui::Memo* Memo28;
    // Links of the help directory (internet_links.cpp).
    ui::CommandLabel* Label50;
    ui::CommandLabel* Label104;
    ui::CommandLabel* Label185;
    ui::CommandLabel* Label186;
    ui::CommandLabel* Label187;

    void TabSheet19Show();
    void TabSheet15Show();
    // The navigation labels show the sub-pages first; Panel15 and Label77 do not.
    void Navigate(QWidget* subPage, bool showPages);
    // The jump from "隐私": the typed-address list on 上网隐私, as if Label53 had been clicked.
    void OpenTypedAddressList();

    void Label26MouseMove();
    void Edit1Click();
    void Edit1KeyUp();
    void Label91Click();
    void Label92Click();
    void Label37Click();
    void Label104MouseMove();
    void Button10Click();
    void Button10MouseMove();
    void Button13MouseMove();
    void Label53Click();
    void ListBox6Click();
    void AddonLabelClick(ui::CommandLabel* label);

  private:
    QFrame* buildNavigation(QWidget* sheet);
    void bindNavigation();
    void buildTroublePage();
    void buildChangedPage();
    void bindChangedPage();
    void buildEfficientPage();
    void buildSpeedPage();
    void buildAddressPage();
    void buildRatingPage();
    void buildAddonPage();
    ui::CommandLabel* makeCrumb(QWidget* subPage, const char* name, const char* text);
    // A sub-page's column, headed by its breadcrumb when it has one.
    QVBoxLayout* column(QWidget* subPage, ui::CommandLabel* crumb);

    PageContext ctx_;
    TypedAddressList typedAddresses_;
};

} // namespace korvane
