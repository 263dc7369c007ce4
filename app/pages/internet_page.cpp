#include "internet_page.h"

#include "event_hook.h"
#include "internet_links.h"

#include "ui/colors.h"
#include "ui/page_control.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {

InternetPage::InternetPage(const PageContext& ctx, QWidget* sheet) : ctx_(ctx) {
    Paint(sheet, ui::colors::skyBlue());
    PageControl3 = new ui::PageControl(sheet);
    PageControl3->setObjectName(QStringLiteral("PageControl3"));
    // Its headers are hidden whenever the page shows; the pages need no frame.
    PageControl3->setDocumentMode(true);
    auto add = [this](const char* name, const char* caption) {
        QWidget* page = PageControl3->addPage(Utf8(name), Utf8(caption));
        Paint(page, ui::colors::skyBlue());
        return page;
    };
    TabSheet14 = add("TabSheet14", "上网故障");
    TabSheet15 = add("TabSheet15", "被改");
    TabSheet16 = add("TabSheet16", "上网高效操作");
    TabSheet17 = add("TabSheet17", "上网提速");
    TabSheet18 = add("TabSheet18", "上网隐私");
    TabSheet25 = add("TabSheet25", "分级审查");
    TabSheet27 = add("TabSheet27", "大站");
    PageControl3->hide();

    buildTroublePage();
    buildChangedPage();
    buildEfficientPage();
    buildSpeedPage();
    buildAddressPage();
    buildRatingPage();
    buildAddonPage();
    // Once the sub-pages stand: the links go at the end of their layouts.
    PlaceInternetLinks(ctx, *this);

    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->addWidget(buildNavigation(sheet));
    layout->addWidget(PageControl3, 1);
    layout->addStretch();

    bindNavigation();
    bindChangedPage();
}

QFrame* InternetPage::buildNavigation(QWidget* sheet) {
    Panel15 = MakePanel(sheet, "Panel15", ui::colors::moneyGreen());
    Label55 = MakeLabel(Panel15, "Label55", "故障");
    Label68 = MakeLabel(Panel15, "Label68", "非法网站");
    Label69 = MakeLabel(Panel15, "Label69", "高效技巧");
    Label70 = MakeLabel(Panel15, "Label70", "极品飞车");
    Label71 = MakeLabel(Panel15, "Label71", "隐私");
    Label72 = MakeLabel(Panel15, "Label72", "分级审查");
    LabelChangedBy = MakeLabel(Panel15, "LabelChangedBy", "电脑被改：", ui::LabelLook::Heading);
    Label98 = MakeLabel(Panel15, "Label98", "腾迅浏览器");
    Label99 = MakeLabel(Panel15, "Label99", "3721");
    Label100 = MakeLabel(Panel15, "Label100", "百度");
    auto* row = new QHBoxLayout(Panel15);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(12);
    for (QWidget* w : {Label55, Label68, Label69, Label70, Label71, Label72})
        row->addWidget(w);
    row->addSpacing(12);
    for (QWidget* w : {LabelChangedBy, Label98, Label99, Label100})
        row->addWidget(w);
    row->addStretch();
    return Panel15;
}

void InternetPage::bindNavigation() {
    const std::pair<ui::CommandLabel*, QWidget*> targets[] = {
        {Label55, TabSheet14}, {Label68, TabSheet15}, {Label69, TabSheet16},
        {Label70, TabSheet17}, {Label71, TabSheet18}, {Label72, TabSheet25},
        {Label98, TabSheet27}, {Label99, TabSheet27}, {Label100, TabSheet27},
    };
    for (const auto& [label, page] : targets)
        Bind(ctx_, label, &ui::CommandLabel::clicked, [this, page] { Navigate(page, true); });
    Bind(ctx_, Label77, &ui::CommandLabel::clicked, [this] { Navigate(TabSheet25, false); });
    HookClick(Panel15,
              [this] { ui::runGuarded(ctx_.dialogs, ctx_.window, [this] { Navigate(TabSheet18, false); }); });
    OnShow(ctx_, PageControl3, TabSheet15, [this] { TabSheet15Show(); });
}

ui::CommandLabel* InternetPage::makeCrumb(QWidget* subPage, const char* name, const char* text) {
    ui::CommandLabel* crumb = MakeLabel(subPage, name, text, ui::LabelLook::Heading);
    crumb->setTextColor(ui::colors::green());
    return crumb;
}

QVBoxLayout* InternetPage::column(QWidget* subPage, ui::CommandLabel* crumb) {
    auto* layout = new QVBoxLayout(subPage);
    layout->setContentsMargins(16, 10, 16, 10);
    layout->setSpacing(10);
    if (crumb)
        layout->addWidget(crumb, 0, Qt::AlignLeft);
    return layout;
}

// With every header hidden no sub-page is active: the area stays empty until a navigation
// label is clicked.
void InternetPage::TabSheet19Show() {
    PageControl3->HideAllHeaders();
}

void InternetPage::Navigate(QWidget* subPage, bool showPages) {
    if (showPages)
        PageControl3->show();
    PageControl3->SelectPage(subPage);
}

void InternetPage::OpenTypedAddressList() {
    Navigate(TabSheet18, true);
    Label53Click();
}

} // namespace korvane
