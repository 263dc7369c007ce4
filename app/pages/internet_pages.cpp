// The sub-pages of "上网" that mostly explain: trouble, efficient browsing, speed and content
// rating. Most of their controls do nothing yet and show their captions only.
#include "internet_page.h"

#include "event_hook.h"
#include "knowledge_text.h"
#include "switch_label.h"

#include "switches/browser_texts.h"
#include "switches/switch_keys.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "ui/colors.h"
#include "ui/memo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {
namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(Utf8(caption), parent);
    button->setObjectName(Utf8(name));
    return button;
}

} // namespace

void InternetPage::buildTroublePage() {
    QWidget* page = TabSheet14;
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(10);
    const std::pair<const char*, const char*> labels[] = {
        {"LabelChatRooms", "进不去聊天室、论坛"},
        {"LabelNoDialUp", "无法拨号上网"},
        {"LabelSlowNet", "网速很慢"},
        {"LabelBrokenModem", "猫坏"},
        {"Label47", "Label47"},
        {"Label48", "Label48"},
        {"Label49", "Label49"},
        {"Label51", "Label51"},
    };
    int at = 0;
    for (const auto& [name, caption] : labels) {
        grid->addWidget(MakeLabel(page, name, caption), at / 4, at % 4, Qt::AlignLeft);
        ++at;
    }
    ui::Memo* memo = MakeMemo(page, "MemoTrouble", {Utf8("     你好！"), QString(), Utf8("     本框为说明")});
    memo->setFixedHeight(160);

    QVBoxLayout* layout = column(page, makeCrumb(page, "LabelCrumb14", "当前：上网》故障》"));
    layout->addLayout(grid);
    layout->addWidget(memo);
    layout->addStretch();
}

void InternetPage::buildEfficientPage() {
    QWidget* page = TabSheet16;
    Button10 = MakeButton(page, "Button10", "离线浏览时不出现“拨号连接”");
    Button13 = MakeButton(page, "Button13", "更改默认搜索引擎");
    QPushButton* maximize = MakeButton(page, "ButtonMaximizeWindows", "新窗口自动最大化");
    QPushButton* clear = MakeButton(page, "ButtonClearAddresses", "清理地址列表");
    // Hover help needs movements without a pressed button.
    Button10->setMouseTracking(true);
    Button13->setMouseTracking(true);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(10);
    for (QPushButton* b : {Button10, Button13, maximize, clear})
        buttons->addWidget(b);
    buttons->addStretch();

    Memo5 = MakeMemo(page, "Memo5", ToLines(ButtonHelpPrompt()));
    PaintBase(Memo5, ui::colors::moneyGreen());
    auto* body = new QHBoxLayout;
    body->setSpacing(16);
    body->addLayout(buttons);
    body->addWidget(Memo5, 1);

    QVBoxLayout* layout = column(page, makeCrumb(page, "LabelCrumb16", "当前：上网》高效技巧》"));
    layout->addLayout(body, 1);
    layout->addStretch();

    Bind(ctx_, Button10, &QPushButton::clicked, [this] { Button10Click(); });
    auto hover = [this](QPushButton* button, void (InternetPage::*handler)()) {
        HookEvent(button, QEvent::MouseMove, [this, handler](QEvent*) {
            ui::runGuarded(ctx_.dialogs, ctx_.window, [this, handler] { (this->*handler)(); });
            return false;
        });
    };
    hover(Button10, &InternetPage::Button10MouseMove);
    hover(Button13, &InternetPage::Button13MouseMove);
}

void InternetPage::buildSpeedPage() {
    QWidget* page = TabSheet17;
    QVBoxLayout* layout = column(page, makeCrumb(page, "LabelCrumb17", "当前：上网》极品飞车"));
    layout->addWidget(MakeLabel(page, "LabelLimitWindows", "限制不断自动打开的窗口"), 0, Qt::AlignLeft);
    layout->addStretch();
}

// Its last line invites a click that does nothing yet.
void InternetPage::buildRatingPage() {
    QWidget* page = TabSheet25;
    Label77 = makeCrumb(page, "Label77", "当前：上网》分级审查");
    MemoRating = MakeMemo(page, "MemoRating", ToLines(RatingExplanation()));
    MemoRating->setFixedHeight(200);
    QVBoxLayout* layout = column(page, Label77);
    layout->addWidget(MemoRating);
    layout->addStretch();
}

void InternetPage::Button10Click() {
    WriteRegInt(ctx_.system.machine, switch_keys::kWebcheckRoot, switch_keys::kWebcheck, "NoScheduledUpdates",
                0);
}

void InternetPage::Button10MouseMove() {
    ShowInTextArea(*Memo5, Button10->text(), ToLines(OfflineDialHelp()));
}

void InternetPage::Button13MouseMove() {
    ShowInTextArea(*Memo5, Button13->text(), ToLines(SearchEngineHelp()));
}

} // namespace korvane
