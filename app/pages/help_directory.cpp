// The sub-pages of "求助": outside help arranged by kind, with the guidance that goes with it.
#include "help_page.h"

#include "knowledge_text.h"
#include "link_label.h"

#include "app/navigation.h"
#include "knowledge/help_links.h"
#include "knowledge/help_texts.h"
#include "ui/colors.h"
#include "ui/memo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {
namespace {

ui::CommandLabel* GroupLabel(QWidget* parent, const char* name, const char* caption) {
    ui::CommandLabel* label = MakeLabel(parent, name, caption, ui::LabelLook::Heading);
    label->setTextColor(ui::colors::green());
    return label;
}

ui::CommandLabel* PlainLabel(QWidget* parent, const char* name, const char* caption) {
    ui::CommandLabel* label = MakeLabel(parent, name, caption, ui::LabelLook::Heading);
    label->setTextColor(ui::colors::blue());
    return label;
}

ui::Memo* GuidanceMemo(QWidget* parent, const char* name, const std::vector<std::string>& lines) {
    ui::Memo* memo = MakeMemo(parent, name, ToLines(lines));
    PaintBase(memo, ui::colors::cream());
    return memo;
}

QVBoxLayout* Column(std::initializer_list<QWidget*> widgets) {
    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    for (QWidget* w : widgets)
        column->addWidget(w);
    column->addStretch();
    return column;
}

QVBoxLayout* PageLayout(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 16, 16, 12);
    layout->setSpacing(14);
    return layout;
}

} // namespace

void HelpPage::buildDirectory() {
    buildLibrary();
    buildSearch();
    buildForums();
    buildTechnicians();
    buildRepairSites();
    buildMailboxes();
    buildWebMedia();

    Bind(ctx_, Label140, &ui::CommandLabel::mouseMoved, [this] { Label140MouseMove(); });
    QObject::connect(Label133, &ui::CommandLabel::mouseReleased, ctx_.window,
                     [this](Qt::MouseButton, QPoint pos) {
                         if (Label133->rect().contains(pos))
                             ui::runGuarded(ctx_.dialogs, ctx_.window, [this] { Label133MouseUp(); });
                     });
}

void HelpPage::buildLibrary() {
    QWidget* p = TabSheet28;
    auto link = [&](const char* control) { return MakeLinkLabel(ctx_, p, control); };
    auto* left =
        Column({GroupLabel(p, "LabelLibraryWeb", "互联网是我家的图书馆..."), link("Label142"),
                link("Label146"), link("Label147"), link("Label148"), link("Label149"), link("Label150"),
                link("Label152"), link("Label154"), link("Label210"), link("Label211"), link("Label214")});
    auto* right = Column({GroupLabel(p, "LabelLibraryHongen", "洪恩"), link("Label153"),
                          GroupLabel(p, "LabelLibraryCcid", "赛迪网"), link("Label212"), link("Label213"),
                          GroupLabel(p, "LabelLibraryBoard", "主板"), link("Label143"), link("Label151"),
                          link("Label155"), PlainLabel(p, "Label156", "Label156")});
    auto* columns = new QHBoxLayout;
    columns->setSpacing(48);
    columns->addLayout(left);
    columns->addLayout(right);
    columns->addStretch();
    PageLayout(p)->addLayout(columns);
}

void HelpPage::buildSearch() {
    QWidget* p = TabSheet29;
    auto* engines = new QHBoxLayout;
    engines->setSpacing(48);
    engines->addWidget(MakeLinkLabel(ctx_, p, "Label115"));
    engines->addWidget(MakeLinkLabel(ctx_, p, "Label116"));
    engines->addStretch();
    QVBoxLayout* layout = PageLayout(p);
    layout->addLayout(engines);
    layout->addWidget(GuidanceMemo(p, "MemoSearchAdvice", SearchAdviceLines()), 1);
}

void HelpPage::buildForums() {
    QWidget* p = TabSheet30;
    auto link = [&](const char* control) { return MakeLinkLabel(ctx_, p, control); };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(40);
    grid->setVerticalSpacing(8);
    const char* const links[] = {"Label117", "Label118", "Label119", "Label120", "Label121",
                                 "Label122", "Label123", "Label124", "Label196", "Label197",
                                 "Label198", "Label199", "Label200", "Label201", "Label204"};
    int i = 0;
    for (const char* control : links) {
        grid->addWidget(link(control), i % 8, i / 8);
        ++i;
    }
    grid->addWidget(PlainLabel(p, "Label202", "Label202"), 7, 1);
    grid->setColumnStretch(2, 1);
    auto* placeholders = new QHBoxLayout;
    placeholders->setSpacing(40);
    placeholders->addWidget(PlainLabel(p, "Label203", "Label203"));
    placeholders->addWidget(PlainLabel(p, "Label205", "Label205"));
    placeholders->addStretch();
    QVBoxLayout* layout = PageLayout(p);
    layout->addLayout(grid);
    layout->addLayout(placeholders);
    layout->addWidget(GuidanceMemo(p, "MemoForumAdvice", ForumAdviceLines()), 1);
}

void HelpPage::buildTechnicians() {
    QWidget* p = TabSheet31;
    PageLayout(p)->addWidget(GuidanceMemo(p, "MemoTechnicians", TechnicianAdviceLines()), 1);
}

void HelpPage::buildRepairSites() {
    QWidget* p = TabSheet32;
    auto link = [&](const char* control) { return MakeLinkLabel(ctx_, p, control); };
    const HelpLink& repair = FindHelpLink("Label127");
    const std::string company(repair.caption.substr(0, repair.caption.find("：")));
    ui::CommandLabel* guestBook = PlainLabel(p, "LabelRepairGuestBook", "");
    guestBook->setText(QString::fromStdString(company) + Utf8("留言簿"));
    auto* left = Column({link("Label125"), link("Label127"), link("Label128"), link("Label129"),
                         link("Label130"), guestBook});
    auto* right = Column({link("Label131"), link("Label132"), link("Label207"), link("Label208"),
                          PlainLabel(p, "LabelRepairPlaceholder1", "Label132"),
                          PlainLabel(p, "LabelRepairPlaceholder2", "Label132")});
    auto* columns = new QHBoxLayout;
    columns->setSpacing(48);
    columns->addLayout(left);
    columns->addLayout(right);
    columns->addStretch();
    PageLayout(p)->addLayout(columns);
}

void HelpPage::buildMailboxes() {
    QWidget* p = TabSheet33;
    Label133 = MakeLinkLabel(ctx_, p, "Label133");
    Label140 = MakeLinkLabel(ctx_, p, "Label140");
    Memo29 = MakeMemo(p, "Memo29", {QStringLiteral("Memo29")});
    PaintBase(Memo29, ui::colors::cream());
    Memo29->setFont(BoldFont(p, 17));
    Memo29->hide();
    auto* boxes = Column(
        {GroupLabel(p, "LabelMailCpcw", "电脑报专家坐诊"), PlainLabel(p, "LabelMailCpcw1", "电脑报答疑疑惑"),
         PlainLabel(p, "LabelMailCpcw2", "电脑报答疑疑惑"), PlainLabel(p, "LabelMailCpcw3", "电脑报答疑疑惑"),
         GroupLabel(p, "LabelMailCfan", "电脑爱好者"), Label133,
         GroupLabel(p, "LabelMailCcw", "中国计算机报答疑疑惑"), Label140});
    QVBoxLayout* layout = PageLayout(p);
    layout->addLayout(boxes);
    layout->addWidget(Memo29, 1);
}

void HelpPage::buildWebMedia() {
    struct Media {
        QWidget* page;
        const char* heading;
        const char* headingName;
        const char* memoName;
        const std::vector<std::string>& lines;
    };
    for (const Media& m :
         {Media{TabSheet12, "网络图片", "LabelWebPictures", "MemoWebPictures", WebPictureAdviceLines()},
          Media{TabSheet44, "网络声音", "LabelWebSounds", "MemoWebSounds", WebSoundAdviceLines()}}) {
        QVBoxLayout* layout = PageLayout(m.page);
        layout->addWidget(GroupLabel(m.page, m.headingName, m.heading));
        layout->addWidget(GuidanceMemo(m.page, m.memoName, m.lines), 1);
    }
}

// The memo is cleared each time, so it always holds the caption, an empty line and the address.
void HelpPage::Label140MouseMove() {
    Memo29->setVisible(true);
    ShowHoverHelp(*Memo29, *Label140, {QString::fromStdString(ShownMailAddress("Label140"))});
}

// Any button: after a left click the mail program has just opened.
void HelpPage::Label133MouseUp() {
    Memo29->setVisible(true);
    ShowHoverHelp(*Memo29, *Label133, {QString::fromStdString(ShownMailAddress("Label133"))});
}

} // namespace korvane
