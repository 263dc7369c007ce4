#include "common_commands.h"

#include "common_problems_page.h"
#include "job_text.h"

#include "maintenance/quick_fixes.h"
#include "maintenance/reinstall.h"
#include "platform/shell.h"
#include "sysaccess/shared_paths.h"
#include "sysaccess/system.h"

#include <QBoxLayout>

namespace korvane {

CommonCommands::CommonCommands(const PageContext& ctx, CommonProblemsPage& page) : ctx_(ctx) {
    Label66 = MakeLabel(page.TabSheet10, "Label66", "输入法图标丢失");
    Label172 = MakeLabel(page.TabSheet37, "Label172", "系统文件检查器");
    LabelReinstallWin98 = MakeLabel(page.TabSheet37, "LabelReinstallWin98", "重装win98");
    LabelLowerHangs = MakeLabel(page.TabSheetHangPrevention, "LabelLowerHangs", "一键永久降低30%死机");

    // The input-method row ends in a stretch: the command stands beside the heading.
    page.InputMethodCommands->insertWidget(page.InputMethodCommands->count() - 1, Label66);
    page.SystemFileCheckerSlot->addWidget(Label172);
    page.ReinstallSlot->addWidget(LabelReinstallWin98);
    page.HangPreventionCommands->addWidget(LabelLowerHangs);
    page.HangPreventionCommands->addStretch();

    Bind(ctx_, Label66, &ui::CommandLabel::clicked, [this] { Label66Click(); });
    Bind(ctx_, Label172, &ui::CommandLabel::clicked, [this] { Label172Click(); });
    Bind(ctx_, LabelReinstallWin98, &ui::CommandLabel::clicked, [this] { LabelReinstallWin98Click(); });
}

// The caption changes whatever the indicator did, and stays so for the run.
void CommonCommands::Label66Click() {
    RestartInputMethodIndicator(ctx_.system.machine, ctx_.paths.WinDir);
    Label66->setText(Utf8(kInputMethodFound));
}

void CommonCommands::Label172Click() {
    ctx_.shell.open(SystemFileCheckerPath(ctx_.paths.WinDir));
}

void CommonCommands::LabelReinstallWin98Click() {
    JobUi ui = MemoJobUi(ctx_, nullptr);
    OpenSetupFolder(ctx_.system, ui);
}

} // namespace korvane
