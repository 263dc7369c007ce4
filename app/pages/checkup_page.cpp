#include "checkup_page.h"

#include "knowledge_text.h"

#include "knowledge/beep_codes.h"
#include "knowledge/bios_id.h"
#include "knowledge/checkup_guides.h"
#include "sysaccess/system.h"
#include "ui/colors.h"
#include "ui/combo_box.h"
#include "ui/memo.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {

CheckupPage::CheckupPage(const PageContext& ctx, QWidget* sheet) : ctx_(ctx) {
    Paint(sheet, ui::colors::skyBlue());

    PanelResult = MakePanel(sheet, "PanelResult", ui::colors::skyBlue());
    MemoResult = MakeMemo(PanelResult, "MemoResult");
    // The user may write notes into it; the next command overwrites them.
    MemoResult->setReadOnly(false);
    MemoResult->setFont(BoldFont(sheet, 17));
    auto* result = new QVBoxLayout(PanelResult);
    result->setContentsMargins(4, 4, 4, 4);
    result->addWidget(MemoResult);
    PanelResult->hide();

    PanelCommands = MakePanel(sheet, "PanelCommands", ui::colors::moneyGreen());
    buildCommandPanel();

    auto* page = new QVBoxLayout(sheet);
    page->setContentsMargins(2, 4, 2, 2);
    page->addWidget(PanelResult, 1);
    page->addStretch(0);
    page->addWidget(PanelCommands);

    Bind(ctx_, LabelBeepCodes, &ui::CommandLabel::clicked, [this] { LabelBeepCodesClick(); });
    Bind(ctx_, ComboBoxBeepCodes, &ui::ComboBox::keyPressed, [this] { ComboBoxBeepCodesKeyPress(); });
    Bind(ctx_, LabelExpert, &ui::CommandLabel::clicked, [this] { LabelExpertClick(); });
    Bind(ctx_, LabelReasoning1, &ui::CommandLabel::clicked, [this] { LabelReasoning1Click(); });
    Bind(ctx_, LabelReasoning2, &ui::CommandLabel::clicked, [this] { LabelReasoning2Click(); });
    Bind(ctx_, LabelSilence, &ui::CommandLabel::clicked, [this] { LabelSilenceClick(); });
}

void CheckupPage::buildCommandPanel() {
    LabelFaultCauses =
        MakeLabel(PanelCommands, "LabelFaultCauses", checkup_text::kFaultCauses, ui::LabelLook::Heading);
    LabelExpert = MakeLabel(PanelCommands, "LabelExpert", checkup_text::kExpert);
    LabelReasoning1 = MakeLabel(PanelCommands, "LabelReasoning1", checkup_text::kReasoning1);
    LabelReasoning2 = MakeLabel(PanelCommands, "LabelReasoning2", checkup_text::kReasoning2);
    LabelBeepCodes = MakeLabel(PanelCommands, "LabelBeepCodes", kBeepCodesCaption);
    LabelSilence = MakeLabel(PanelCommands, "LabelSilence", checkup_text::kSilence);
    LabelVirusOrFault = MakeLabel(PanelCommands, "LabelVirusOrFault", checkup_text::kVirusOrFault);
    LabelAutoCheck = MakeLabel(PanelCommands, "LabelAutoCheck", checkup_text::kAutoCheck);

    ComboBoxBeepCodes = new ui::ComboBox(PanelCommands);
    ComboBoxBeepCodes->setObjectName(QStringLiteral("ComboBoxBeepCodes"));
    ComboBoxBeepCodes->setFixedWidth(617);
    ComboBoxBeepCodes->setAccessibleName(Utf8(kBeepDropDownText));
    ComboBoxBeepCodes->replaceItems(ToLines(BeepDropDownItems()));
    ComboBoxBeepCodes->setEditText(Utf8(kBeepDropDownText));

    auto row = [](std::initializer_list<QWidget*> widgets) {
        auto* r = new QHBoxLayout;
        r->setSpacing(24);
        for (QWidget* w : widgets)
            r->addWidget(w);
        r->addStretch();
        return r;
    };
    auto* rows = new QVBoxLayout(PanelCommands);
    rows->setContentsMargins(16, 10, 16, 10);
    rows->setSpacing(10);
    rows->addLayout(row({LabelFaultCauses, LabelExpert, LabelReasoning1, LabelReasoning2}));
    rows->addLayout(row({LabelBeepCodes, LabelSilence}));
    rows->addLayout(row({ComboBoxBeepCodes}));
    rows->addLayout(row({LabelVirusOrFault, LabelAutoCheck}));
}

void CheckupPage::showResult(const std::vector<std::string>& lines) {
    MemoResult->clearLines();
    PanelResult->setVisible(true);
    for (const std::string& line : lines)
        MemoResult->addLine(QString::fromStdString(line));
}

// The BIOS text is read afresh on every use.
void CheckupPage::LabelBeepCodesClick() {
    showResult(BeepLinesFor(ReadBiosIdText(ctx_.system.machine)));
}

// The key itself goes on to the list unchanged.
void CheckupPage::ComboBoxBeepCodesKeyPress() {
    if (!KeyPressShowsAwardReference(ReadBiosIdText(ctx_.system.machine)))
        return;
    MemoResult->clearLines();
    PanelResult->setVisible(true);
    ComboBoxBeepCodes->replaceItems(ToLines(AwardReferenceLines()));
}

void CheckupPage::showGuide(CheckupGuide guide) {
    showResult(GuideLines(guide));
}

void CheckupPage::LabelExpertClick() {
    showGuide(CheckupGuide::Expert);
}
void CheckupPage::LabelReasoning1Click() {
    showGuide(CheckupGuide::Reasoning1);
}
void CheckupPage::LabelReasoning2Click() {
    showGuide(CheckupGuide::Reasoning2);
}
void CheckupPage::LabelSilenceClick() {
    showGuide(CheckupGuide::Silence);
}

} // namespace korvane
