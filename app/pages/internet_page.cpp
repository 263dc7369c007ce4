#include "internet_page.h"

#include "internet_links.h"

#include "ui/colors.h"
#include "ui/page_control.h"

#include <QVBoxLayout>

namespace korvane {

InternetPage::InternetPage(const PageContext& ctx, QWidget* sheet) {
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
    // Once the sub-pages stand: the links go at the end of their layouts.
    PlaceInternetLinks(ctx, *this);

    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->addWidget(PageControl3, 1);
}

} // namespace korvane
