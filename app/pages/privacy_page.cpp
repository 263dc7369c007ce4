#include "privacy_page.h"

#include "event_hook.h"
#include "knowledge_text.h"
#include "switch_label.h"

#include "app/navigation.h"
#include "switches/drive_mask.h"
#include "switches/policy_switch.h"
#include "switches/privacy_texts.h"
#include "sysaccess/system.h"
#include "ui/check_list_box.h"
#include "ui/colors.h"
#include "ui/dock_panel.h"
#include "ui/memo.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {

PrivacyPage::PrivacyPage(const PageContext& ctx, QWidget* sheet) : ctx_(ctx) {
    Paint(sheet, ui::colors::skyBlue());
    auto* columns = new QHBoxLayout;
    columns->setSpacing(16);
    columns->addWidget(buildDriveColumn(sheet));
    columns->addWidget(buildCommandColumn(sheet));
    columns->addWidget(buildPanel(sheet), 1);

    LabelRestartNote = MakeLabel(sheet, "LabelRestartNote", kSwitchesNeedRestart, ui::LabelLook::Heading);
    LabelRestartNote->setTextColor(ui::colors::red());

    auto* page = new QVBoxLayout(sheet);
    page->setContentsMargins(12, 10, 12, 10);
    page->setSpacing(10);
    page->addLayout(columns, 1);
    page->addWidget(LabelRestartNote);
    bind();
}

QWidget* PrivacyPage::buildDriveColumn(QWidget* sheet) {
    auto* column = new QWidget(sheet);
    Label15 = MakeLabel(column, "Label15", "隐藏盘符", ui::LabelLook::Heading);
    CheckListBox1 = new ui::CheckListBox(column);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->setAccessibleName(Label15->text());
    CheckListBox1->setToolTip(Utf8("在B"));
    for (const std::string& item : DriveLetterItems())
        CheckListBox1->addCheckItem(QString::fromStdString(item));
    CheckListBox1->setFixedWidth(96);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Label15);
    layout->addWidget(CheckListBox1, 1);
    return column;
}

QWidget* PrivacyPage::buildCommandColumn(QWidget* sheet) {
    auto* column = new QWidget(sheet);
    Label87 = MakeSwitchLabel(column, kSuperHiddenSwitch, ui::LabelLook::Command);
    Label24 = MakeLabel(column, "Label24", "守住win98第一道防线...（待）");
    Label276 = MakeLabel(column, "Label276", "设置开机密码", ui::LabelLook::Heading);
    Label86 = MakeLabel(column, "Label86", "清理地址栏列表");
    Label96 = MakeLabel(column, "Label96", "每次关机自动关闭〔显示全部文件〕");
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 24, 0, 0);
    layout->setSpacing(18);
    for (QWidget* w : {Label87, Label24, Label276, Label86, Label96})
        layout->addWidget(w, 0, Qt::AlignLeft);
    layout->addStretch();
    return column;
}

// The panel lives in a place of its own, so that it can come back to it.
QWidget* PrivacyPage::buildPanel(QWidget* sheet) {
    auto* place = new QWidget(sheet);
    place->setObjectName(QStringLiteral("PanelAntidotePlace"));
    PanelAntidote = new ui::DockPanel(place);
    PanelAntidote->setObjectName(QStringLiteral("PanelAntidote"));
    PanelAntidote->setFrameShape(QFrame::StyledPanel);
    PanelAntidote->setDockSite(ctx_.window);
    Paint(PanelAntidote, ui::colors::skyBlue());

    LabelAntidote = MakeLabel(PanelAntidote, "LabelAntidote", "解药：", ui::LabelLook::Heading);
    LabelAntidote->setTextColor(ui::colors::red());
    Label93 = MakeSwitchLabel(PanelAntidote, kAddressBarSwitch, ui::LabelLook::Command);
    Label94 = MakeSwitchLabel(PanelAntidote, kMsDosSwitch, ui::LabelLook::Command);
    Memo3 = MakeMemo(PanelAntidote, "Memo3");
    Memo3->setMinimumSize(260, 260);

    auto* switches = new QHBoxLayout;
    switches->setSpacing(10);
    switches->addWidget(LabelAntidote);
    switches->addWidget(Label93);
    switches->addWidget(Label94);
    switches->addStretch();
    auto* inside = new QVBoxLayout(PanelAntidote);
    inside->setContentsMargins(10, 10, 10, 10);
    inside->addLayout(switches);
    inside->addWidget(Memo3, 1);

    auto* layout = new QVBoxLayout(place);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PanelAntidote);
    return place;
}

void PrivacyPage::bind() {
    Bind(ctx_, Label87, &ui::CommandLabel::clicked, [this] { Label87Click(); });
    Bind(ctx_, Label93, &ui::CommandLabel::clicked, [this] { Label93Click(); });
    Bind(ctx_, Label94, &ui::CommandLabel::clicked, [this] { Label94Click(); });
    Bind(ctx_, Label24, &ui::CommandLabel::mouseMoved, [this] { Label24MouseMove(); });
    Bind(ctx_, Label276, &ui::CommandLabel::clicked, [this] { Label276Click(); });
    // Every click in the list writes the mask, whether or not it changed a tick; a tick
    // changed from the keyboard writes it too.
    Bind(ctx_, CheckListBox1, &ui::CheckListBox::clickCheck, [this] {
        tickReported_ = true;
        CheckListBox1Click();
    });
    Bind(ctx_, CheckListBox1, &QListWidget::itemClicked, [this] {
        if (!tickReported_)
            CheckListBox1Click();
        tickReported_ = false;
    });
    HookEvent(CheckListBox1->viewport(), QEvent::MouseButtonPress, [this](QEvent*) {
        tickReported_ = false;
        return false;
    });
}

// A failure ends the refresh where it happens: the captions set before it stay.
void PrivacyPage::TabSheet9Show() {
    w98::Machine& m = ctx_.system.machine;
    RefreshSwitchLabel(m, *Label93, kAddressBarSwitch);
    RefreshSwitchLabel(m, *Label87, kSuperHiddenSwitch);
    RefreshSwitchLabel(m, *Label94, kMsDosSwitch);
    // Ticks are only added: a drive shown again by another program stays ticked here.
    if (const auto mask = ReadDriveMask(m))
        for (int i = 0; i < kDriveLetterCount; ++i)
            if (DriveHidden(*mask, i))
                CheckListBox1->setChecked(i, true);
}

void PrivacyPage::CheckListBox1Click() {
    ShowInTextArea(*Memo3, Label15->text(), ToLines(DriveListHelp()));
    std::vector<bool> ticked;
    for (int i = 0; i < kDriveLetterCount; ++i)
        ticked.push_back(CheckListBox1->isChecked(i));
    WriteDriveMask(ctx_.system.machine, DriveMaskOf(ticked));
}

void PrivacyPage::Label87Click() {
    ClickSwitchLabel(ctx_.system.machine, *Label87, kSuperHiddenSwitch);
}

void PrivacyPage::Label93Click() {
    ClickSwitchLabel(ctx_.system.machine, *Label93, kAddressBarSwitch);
}

void PrivacyPage::Label94Click() {
    ClickSwitchLabel(ctx_.system.machine, *Label94, kMsDosSwitch);
}

void PrivacyPage::Label24MouseMove() {
    ShowHoverHelp(*Memo3, *Label24, {Utf8(kBootPasswordHelp), QString(), Utf8(kBootPasswordMethod)});
}

// The program sets no password itself: it only says where.
void PrivacyPage::Label276Click() {
    ShowInTextArea(*Memo3, Label276->text(), {Utf8(kBiosPasswordHint), QString(), QString()});
}

} // namespace korvane
