// The 被改 sub-page of "上网": the browser's window title, three policy switches, and the
// patch against title hijacking.
#include "internet_page.h"

#include "event_hook.h"
#include "knowledge_text.h"
#include "switch_label.h"

#include "switches/browser_texts.h"
#include "switches/policy_switch.h"
#include "switches/window_title.h"
#include "sysaccess/system.h"
#include "ui/memo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSet>
#include <QVBoxLayout>

namespace korvane {
namespace {

struct Placeholder {
    const char* name;
    const char* caption;
};

// Shown with their captions only: they do nothing yet.
constexpr Placeholder kChangedPlaceholders[] = {
    {"LabelHomePage", "首页"},
    {"LabelClock", "时间显示"},
    {"LabelToolbarBack", "工具栏背景"},
    {"LabelSearchDefault", "默认搜索引擎"},
    {"LabelAutoDetect", "自动检测"},
    {"LabelInternetOptions", "找回〔Internet选项〕"},
    {"LabelHomeButtonOff", "更改首页按键被禁用"},
    {"LabelContextMenu", "清理右键菜单"},
    {"LabelBootDialog", "电脑启动弹出对话框"},
    {"LabelBootWindows", "电脑一启动自动打开好多窗口"},
    {"LabelPopups", "限制不断自动弹出的窗口"},
    {"LabelSolveAll", "完全解决"},
    {"LabelPrevention", "百治不如一防"},
};

} // namespace

void InternetPage::buildChangedPage() {
    QWidget* page = TabSheet15;
    Label26 = MakeLabel(page, "Label26", "IE标题栏", ui::LabelLook::Heading);
    Edit1 = new QLineEdit(Utf8("输入框："), page);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(Label26->text());
    Edit1->setFixedWidth(360);
    auto* title = new QHBoxLayout;
    title->setSpacing(12);
    title->addWidget(Label26);
    title->addWidget(Edit1);
    title->addStretch();

    auto* fixes = new QGridLayout;
    fixes->setHorizontalSpacing(24);
    fixes->setVerticalSpacing(6);
    fixes->addWidget(MakeLabel(page, "LabelChangeBelow", "修改以下：", ui::LabelLook::Heading), 0, 0, 1, 2);
    int at = 0;
    for (const Placeholder& p : kChangedPlaceholders) {
        fixes->addWidget(MakeLabel(page, p.name, p.caption), 1 + at / 2, at % 2, Qt::AlignLeft);
        ++at;
    }

    Label91 = MakeSwitchLabel(page, kRegistryEditorSwitch, ui::LabelLook::Command);
    Label92 = MakeSwitchLabel(page, kRegFileSwitch, ui::LabelLook::Command);
    Label91->setCursor(Qt::ArrowCursor);
    Label92->setCursor(Qt::ArrowCursor);
    Label37 = MakeSwitchLabel(page, kRunCommandSwitch, ui::LabelLook::PlainCommand);
    auto* switches = new QHBoxLayout;
    switches->setSpacing(24);
    for (QWidget* w : {Label91, Label92, Label37})
        switches->addWidget(w);
    switches->addStretch();

    auto* left = new QVBoxLayout;
    left->setSpacing(14);
    left->addLayout(title);
    left->addLayout(fixes);
    left->addLayout(switches);
    left->addStretch();

    Memo30 = MakeMemo(page, "Memo30", {Utf8("Memo30")});
    Memo30->setFixedSize(260, 70);
    Memo8 = MakeMemo(page, "Memo8");
    Memo8->setFixedWidth(260);
    Memo8->hide();
    auto* right = new QVBoxLayout;
    right->addWidget(Memo30);
    right->addWidget(Memo8, 1);
    right->addStretch();

    auto* body = new QHBoxLayout;
    body->setSpacing(16);
    body->addLayout(left, 1);
    body->addLayout(right);

    QVBoxLayout* layout = column(page, makeCrumb(page, "LabelCrumb15", "当前：上网》IE被修改》"));
    layout->addLayout(body, 1);
    layout->addStretch();
}

void InternetPage::bindChangedPage() {
    Bind(ctx_, Label26, &ui::CommandLabel::mouseMoved, [this] { Label26MouseMove(); });
    Bind(ctx_, Label91, &ui::CommandLabel::clicked, [this] { Label91Click(); });
    Bind(ctx_, Label92, &ui::CommandLabel::clicked, [this] { Label92Click(); });
    Bind(ctx_, Label37, &ui::CommandLabel::clicked, [this] { Label37Click(); });
    Bind(ctx_, Label104, &ui::CommandLabel::mouseMoved, [this] { Label104MouseMove(); });
    auto guarded = [this](void (InternetPage::*handler)()) {
        ui::runGuarded(ctx_.dialogs, ctx_.window, [this, handler] { (this->*handler)(); });
    };
    HookEvent(Edit1, QEvent::MouseButtonRelease, [guarded](QEvent* e) {
        if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
            guarded(&InternetPage::Edit1Click);
        return false;
    });
    // Only keys that went down in the box count: the Enter that closes the message box must not
    // store the title again and open the next one.
    auto down = std::make_shared<QSet<int>>();
    HookEvent(Edit1, QEvent::KeyPress, [down](QEvent* e) {
        down->insert(static_cast<QKeyEvent*>(e)->key());
        return false;
    });
    HookEvent(Edit1, QEvent::KeyRelease, [down, guarded](QEvent* e) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (!key->isAutoRepeat() && down->remove(key->key()))
            guarded(&InternetPage::Edit1KeyUp);
        return false;
    });
    HookEvent(Edit1, QEvent::FocusOut, [down](QEvent*) {
        down->clear();
        return false;
    });
}

void InternetPage::TabSheet15Show() {
    w98::Machine& m = ctx_.system.machine;
    RefreshSwitchLabel(m, *Label91, kRegistryEditorSwitch);
    RefreshSwitchLabel(m, *Label92, kRegFileSwitch);
    RefreshSwitchLabel(m, *Label37, kRunCommandSwitch);
}

void InternetPage::Label26MouseMove() {
    Edit1->setText(Utf8("请在此输入IE标题栏的文字,然后按回车键〔Enter〕"));
}

void InternetPage::Edit1Click() {
    Edit1->setText(Utf8("标题栏：维修专家，方便千万家"));
}

// Every key runs the store, editing keys and Enter alike; each run ends with one message.
void InternetPage::Edit1KeyUp() {
    const std::string message = StoreWindowTitle(ctx_.system.machine, Edit1->text().toStdString());
    ctx_.dialogs.showMessage(ctx_.window, QString::fromStdString(message));
}

void InternetPage::Label91Click() {
    ClickSwitchLabel(ctx_.system.machine, *Label91, kRegistryEditorSwitch);
}

void InternetPage::Label92Click() {
    ClickSwitchLabel(ctx_.system.machine, *Label92, kRegFileSwitch);
}

void InternetPage::Label37Click() {
    ClickSwitchLabel(ctx_.system.machine, *Label37, kRunCommandSwitch);
}

void InternetPage::Label104MouseMove() {
    Memo8->clearLines();
    Memo8->setVisible(true);
    for (const QString& line : ToLines(PatchDescription()))
        Memo8->addLine(line);
}

} // namespace korvane
