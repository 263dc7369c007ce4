// The written guides of the common problems, with the links that go with them.
#include "common_problems_page.h"

#include "knowledge_text.h"
#include "link_label.h"

#include "knowledge/topic_guides.h"
#include "ui/colors.h"
#include "ui/memo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {
namespace {

QVBoxLayout* PageLayout(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(10);
    return layout;
}

ui::CommandLabel* GuideHeading(QWidget* page, const QString& name, const std::string& caption) {
    auto* label = new ui::CommandLabel(QString::fromStdString(caption), ui::LabelLook::Heading, page);
    label->setObjectName(name);
    label->setTextColor(ui::colors::blue());
    return label;
}

// Lays the guide's sections out, `columns` across, and gives the heading row of each, where a
// command of the page may stand.
std::vector<QBoxLayout*> LayGuide(QWidget* page, QVBoxLayout* layout, int columns) {
    const TopicGuide& guide = TopicGuideFor(page->objectName().toStdString());
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(10);
    std::vector<QBoxLayout*> heads;
    bool anyText = false;
    int i = 0;
    for (const GuideSection& section : guide.sections) {
        const QString number = QString::number(i + 1);
        auto* head = new QHBoxLayout;
        head->setSpacing(16);
        if (!section.heading.empty())
            head->addWidget(
                GuideHeading(page, page->objectName() + QStringLiteral("Heading") + number, section.heading));
        auto* cell = new QVBoxLayout;
        cell->setSpacing(4);
        cell->addLayout(head);
        if (!section.lines.empty()) {
            auto* memo = new ui::Memo(page);
            memo->setObjectName(page->objectName() + QStringLiteral("Guide") + number);
            memo->setFont(BoldFont(page, 15));
            PaintBase(memo, ui::colors::cream());
            memo->setLines(ToLines(section.lines));
            cell->addWidget(memo, 1);
            anyText = true;
        }
        grid->addLayout(cell, i / columns, i % columns);
        heads.push_back(head);
        ++i;
    }
    // Headings alone keep together; guides take the room there is.
    layout->addLayout(grid, anyText ? 1 : 0);
    return heads;
}

QHBoxLayout* LinkRow(const PageContext& ctx, QWidget* page, std::initializer_list<const char*> controls) {
    auto* row = new QHBoxLayout;
    row->setSpacing(32);
    for (const char* control : controls)
        row->addWidget(MakeLinkLabel(ctx, page, control));
    row->addStretch();
    return row;
}

} // namespace

void CommonProblemsPage::buildGuides() {
    {
        QVBoxLayout* layout = PageLayout(TabSheet10);
        InputMethodCommands = LayGuide(TabSheet10, layout, 1).front();
        InputMethodCommands->addStretch();
    }
    {
        QVBoxLayout* layout = PageLayout(TabSheet34);
        LayGuide(TabSheet34, layout, 2);
        layout->addLayout(LinkRow(ctx_, TabSheet34, {"Label159"}));
        layout->addLayout(LinkRow(ctx_, TabSheet34, {"Label160", "Label161"}));
    }
    {
        QVBoxLayout* layout = PageLayout(TabSheet35);
        LayGuide(TabSheet35, layout, 2);
        layout->addLayout(LinkRow(ctx_, TabSheet35, {"Label165", "Label169"}));
        layout->addLayout(LinkRow(ctx_, TabSheet35, {"Label167", "Label168"}));
    }
    LayGuide(TabSheet36, PageLayout(TabSheet36), 2);
    {
        const auto heads = LayGuide(TabSheet37, PageLayout(TabSheet37), 2);
        SystemFileCheckerSlot = heads.at(0);
        ReinstallSlot = heads.at(1);
    }
    LayGuide(TabSheet38, PageLayout(TabSheet38), 1);
    {
        QVBoxLayout* layout = PageLayout(TabSheet24);
        layout->addLayout(LinkRow(ctx_, TabSheet24, {"Label215"}));
        layout->addStretch();
    }
    {
        QVBoxLayout* layout = PageLayout(TabSheetHangPrevention);
        LayGuide(TabSheetHangPrevention, layout, 1);
        for (const char* control : {"Label189", "Label190", "Label191", "Label193", "Label194"})
            layout->addWidget(MakeLinkLabel(ctx_, TabSheetHangPrevention, control));
        HangPreventionCommands = new QHBoxLayout;
        layout->addLayout(HangPreventionCommands);
        layout->addStretch();
    }
}

} // namespace korvane
