#include "art_page.h"

#include "ui/colors.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {

ArtPage::ArtPage(const PageContext&, QWidget* sheet) {
    Paint(sheet, ui::colors::skyBlue());
    Label234 = MakeLabel(sheet, "Label234", "网络图片推荐下载");
    Label244 = MakeLabel(sheet, "Label244", "下载网络声音");

    auto* links = new QHBoxLayout;
    links->setSpacing(40);
    links->addWidget(Label234);
    links->addWidget(Label244);
    links->addStretch();

    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(24, 16, 8, 8);
    layout->addLayout(links);
    layout->addStretch();
}

} // namespace korvane
