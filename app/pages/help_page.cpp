#include "help_page.h"

#include "ui/colors.h"
#include "ui/page_control.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {

HelpPage::HelpPage(const PageContext& ctx, QWidget* sheet) : ctx_(ctx) {
    Paint(sheet, ui::colors::skyBlue());

    TopicColumn = new QWidget(sheet);
    TopicColumn->setObjectName(QStringLiteral("HelpTopicColumn"));
    TopicColumn->setFixedWidth(153);
    Paint(TopicColumn, ui::colors::moneyGreen());

    PageControl5 = new ui::PageControl(sheet);
    PageControl5->setObjectName(QStringLiteral("PageControl5"));
    // Its headers are hidden whenever the page shows; the pages need no frame.
    PageControl5->setDocumentMode(true);
    auto add = [this](const char* name, const char* caption) {
        QWidget* page = PageControl5->addPage(Utf8(name), Utf8(caption));
        Paint(page, ui::colors::skyBlue());
        return page;
    };
    TabSheet28 = add("TabSheet28", "资料库");
    TabSheet29 = add("TabSheet29", "搜索");
    TabSheet30 = add("TabSheet30", "智囊团");
    TabSheet31 = add("TabSheet31", "技术人员");
    TabSheet32 = add("TabSheet32", "维修网站");
    TabSheet33 = add("TabSheet33", "答疑信箱");
    TabSheet12 = add("TabSheet12", "网络图片");
    TabSheet44 = add("TabSheet44", "网络声音");

    struct Entry {
        const char* name;
        const char* caption;
        QWidget* page;
    };
    const Entry entries[] = {
        {"LabelHelpLibrary", "资料库", TabSheet28},       {"LabelHelpSearch", "搜索引擎", TabSheet29},
        {"LabelHelpForum", "智囊团（论坛）", TabSheet30}, {"LabelHelpTechnicians", "技术人员", TabSheet31},
        {"LabelHelpRepairSites", "维修网站", TabSheet32}, {"LabelHelpMailbox", "答疑信箱", TabSheet33},
    };
    auto* column = new QVBoxLayout(TopicColumn);
    column->setContentsMargins(12, 12, 8, 12);
    column->setSpacing(14);
    for (const Entry& e : entries) {
        Topic topic{MakeLabel(TopicColumn, e.name, e.caption), e.page};
        topics.push_back(topic);
        column->addWidget(topic.label);
        Bind(ctx_, topic.label, &ui::CommandLabel::clicked, [this, topic] { TopicClick(topic); });
    }
    column->addStretch();
    Label114 = MakeLabel(TopicColumn, "Label114", "Label114", ui::LabelLook::Heading);
    column->addWidget(Label114);
    buildDirectory();

    auto* layout = new QHBoxLayout(sheet);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->addWidget(TopicColumn);
    layout->addWidget(PageControl5, 1);
}

void HelpPage::TopicClick(const Topic& topic) {
    PageControl5->SelectPage(topic.page);
}

void HelpPage::TabSheet5Show() {
    PageControl5->HideAllHeaders();
}

} // namespace korvane
