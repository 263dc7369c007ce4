#include "common_problems_page.h"

#include "app/navigation.h"
#include "ui/colors.h"
#include "ui/page_control.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {

CommonProblemsPage::CommonProblemsPage(const PageContext& ctx, QWidget* sheet) : ctx_(ctx) {
    Paint(sheet, ui::colors::skyBlue());

    auto* column = new QWidget(sheet);
    column->setObjectName(QStringLiteral("TopicColumn"));
    Paint(column, ui::colors::cream());

    LabelTitle = MakeLabel(sheet, "LabelTitle", "欢迎光临！", ui::LabelLook::Heading);
    LabelTitle->setTextColor(ui::colors::green());
    LabelTitle->setBackgroundColor(ui::colors::cream());
    LabelTitle->setMargin(4);

    PageControl2 = new ui::PageControl(sheet);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    buildPages();
    buildGuides();
    // Nothing to show until a topic is chosen.
    PageControl2->hide();
    buildTopics(column);

    auto* right = new QVBoxLayout;
    right->addWidget(LabelTitle);
    right->addWidget(PageControl2, 1);
    right->addStretch(0);

    auto* layout = new QHBoxLayout(sheet);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->addWidget(column);
    layout->addLayout(right, 1);
}

void CommonProblemsPage::buildPages() {
    // Its headers go with the first topic; the page shows without a frame.
    PageControl2->setDocumentMode(true);
    auto add = [this](const char* name, const char* caption) {
        QWidget* page = PageControl2->addPage(Utf8(name), Utf8(caption));
        Paint(page, ui::colors::skyBlue());
        return page;
    };
    TabSheet10 = add("TabSheet10", "输入法");
    TabSheet11 = add("TabSheet11", "非法操作");
    TabSheet13 = add("TabSheet13", "死机");
    TabSheet24 = add("TabSheet24", "蓝屏");
    TabSheet26 = add("TabSheet26", "dll");
    TabSheet34 = add("TabSheet34", "打开方式");
    TabSheet35 = add("TabSheet35", "驱动程序");
    TabSheet36 = add("TabSheet36", "程序故障");
    TabSheet37 = add("TabSheet37", "系统文件丢失");
    TabSheet38 = add("TabSheet38", "对话框");
    TabSheet39 = add("TabSheet39", "误删文件");
    TabSheet40 = add("TabSheet40", "安全模式");
    TabSheet41 = add("TabSheet41", "开机黑屏"); // no topic leads here
    TabSheet42 = add("TabSheet42", "无法关机");

    PageControl4 = new ui::PageControl(TabSheet13);
    PageControl4->setObjectName(QStringLiteral("PageControl4"));
    auto addHang = [this](const char* name, const char* caption) {
        QWidget* page = PageControl4->addPage(Utf8(name), Utf8(caption));
        Paint(page, ui::colors::skyBlue());
        return page;
    };
    addHang("TabSheetHangAtPowerOn", "启动时");
    addHang("TabSheetHangAtStartup", "开机时");
    addHang("TabSheetHangWhileRunning", "运行时");
    addHang("TabSheetHangAtExit", "退出时");
    TabSheetHangPrevention = addHang("TabSheetHangPrevention", "防死机");
    PageControl4->ShowPage(TabSheetHangPrevention);
    auto* fill = new QVBoxLayout(TabSheet13);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(PageControl4);
}

void CommonProblemsPage::buildTopics(QWidget* column) {
    struct Entry {
        const char* name;
        const char* caption;
        QWidget* page;
    };
    const Entry entries[] = {
        {"LabelTopicHang", "死机", TabSheet13},
        {"LabelTopicBlueScreen", "蓝屏", TabSheet24},
        {"LabelTopicIllegalOperation", "非法操作", TabSheet11},
        {"LabelTopicInputMethod", "输入法故障", TabSheet10},
        {"LabelTopicDll", "dll文件", TabSheet26},
        {"LabelTopicNoShutdown", "无法关机", TabSheet42},
        {"LabelTopicSafeMode", "安全模式", TabSheet40},
        {"LabelTopicOpenWith", "打开方式", TabSheet34},
        {"LabelTopicDrivers", "驱动程序", TabSheet35},
        {"LabelTopicDeletedFiles", "误删文件", TabSheet39},
        {"LabelTopicSystemFiles", "系统文件丢失", TabSheet37},
        {"LabelTopicProgramFault", "程序故障", TabSheet36},
        {"LabelTopicDialogs", "对话框", TabSheet38},
    };
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    for (const Entry& e : entries) {
        Topic topic{MakeLabel(column, e.name, e.caption, ui::LabelLook::Topic), e.page};
        topics.push_back(topic);
        layout->addWidget(topic.label);
        Bind(ctx_, topic.label, &ui::CommandLabel::clicked, [this, topic] { TopicClick(topic); });
    }
    layout->addStretch();
}

void CommonProblemsPage::TopicClick(const Topic& topic) {
    PageControl2->setVisible(true);
    PageControl2->SelectPage(topic.page);
    LabelTitle->setText(TopicBreadcrumb(topic.label->text()));
}

// The "死机" page greets every visit; the breadcrumb still names the topic chosen last.
void CommonProblemsPage::TabSheet4Show() {
    PageControl2->SelectPage(TabSheet13);
}

} // namespace korvane
