#include "internet_links.h"

#include "internet_page.h"
#include "link_label.h"

#include <QBoxLayout>
#include <stdexcept>

namespace korvane {
namespace {

// Before the stretch that closes the layout, if there is one; a sub-page without a layout gets
// a column of its own.
ui::CommandLabel* Place(const PageContext& ctx, QWidget* page, const char* control) {
    if (!page->layout()) {
        auto* column = new QVBoxLayout(page);
        column->setContentsMargins(16, 12, 16, 12);
        column->addStretch();
    }
    auto* box = qobject_cast<QBoxLayout*>(page->layout());
    if (!box)
        throw std::logic_error("页面 " + page->objectName().toStdString() + " 需要盒式布局才能放链接");
    int at = box->count();
    if (at > 0 && box->itemAt(at - 1)->spacerItem())
        --at;
    ui::CommandLabel* label = MakeLinkLabel(ctx, page, control);
    box->insertWidget(at, label, 0, Qt::AlignLeft);
    return label;
}

} // namespace

void PlaceInternetLinks(const PageContext& ctx, InternetPage& page) {
    page.Label50 = Place(ctx, page.TabSheet14, "Label50");
    page.Label104 = Place(ctx, page.TabSheet15, "Label104");
    page.Label185 = Place(ctx, page.TabSheet27, "Label185");
    page.Label186 = Place(ctx, page.TabSheet27, "Label186");
    page.Label187 = Place(ctx, page.TabSheet27, "Label187");
}

} // namespace korvane
