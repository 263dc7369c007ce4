#include "health_commands.h"

#include "health_page.h"
#include "job_text.h"

#include "maintenance/driver_repair.h"
#include "maintenance/quick_fixes.h"
#include "maintenance/registry_rebuild.h"
#include "platform/shell.h"
#include "sysaccess/shared_paths.h"
#include "sysaccess/system.h"
#include "ui/busy_window.h"
#include "ui/memo.h"

#include <QGridLayout>

namespace korvane {

HealthCommands::HealthCommands(const PageContext& ctx, HealthPage& page, QWidget* sheet)
    : ctx_(ctx), page_(page) {
    LabelCleanRegistry = MakeLabel(sheet, "LabelCleanRegistry", "清理win98思想垃圾，提高工作效率",
                                   ui::LabelLook::PlainCommand);
    LabelCleanRegistry->setToolTip(Utf8("单击查看说明，双击直接运行"));
    LabelRepairDrivers = MakeLabel(sheet, "LabelRepairDrivers", "降低40%非法操作和30%死机");
    LabelRepairDrivers->setToolTip(Utf8("点击查看说明，双击直接运行"));
    Label262 = MakeLabel(sheet, "Label262", "重新启动计算机");
    Label263 = MakeLabel(sheet, "Label263", "打开启动文件夹");

    QGridLayout* grid = page.Commands;
    const int row = grid->rowCount();
    grid->addWidget(LabelCleanRegistry, row, 0, Qt::AlignLeft);
    grid->addWidget(LabelRepairDrivers, row, 1, Qt::AlignLeft);
    grid->addWidget(Label262, row + 1, 0, Qt::AlignLeft);
    grid->addWidget(Label263, row + 1, 1, Qt::AlignLeft);

    Bind(ctx_, LabelCleanRegistry, &ui::CommandLabel::clicked, [this] { LabelCleanRegistryClick(); });
    Bind(ctx_, LabelCleanRegistry, &ui::CommandLabel::doubleClicked,
         [this] { LabelCleanRegistryDblClick(); });
    Bind(ctx_, LabelRepairDrivers, &ui::CommandLabel::clicked, [this] { LabelRepairDriversClick(); });
    Bind(ctx_, LabelRepairDrivers, &ui::CommandLabel::doubleClicked,
         [this] { LabelRepairDriversDblClick(); });
    Bind(ctx_, Label262, &ui::CommandLabel::clicked, [this] { Label262Click(); });
    Bind(ctx_, Label263, &ui::CommandLabel::clicked, [this] { Label263Click(); });
}

void HealthCommands::LabelCleanRegistryClick() {
    page_.ShowMemo();
    ShowLines(page_.Memo7, RegistryRebuildExplanation(LabelCleanRegistry->text().toStdString()));
}

void HealthCommands::LabelCleanRegistryDblClick() {
    ui::BusyWindow busy(ctx_.window);
    page_.ShowMemo();
    ShowLines(page_.Memo7, RegistryRebuildProgress(LabelCleanRegistry->text().toStdString()));
    RebuildRegistry(ctx_.system, ctx_.paths, ui::PaintNow);
}

void HealthCommands::LabelRepairDriversClick() {
    page_.ShowMemo();
    ShowLines(page_.Memo7, DriverRepairExplanation(LabelRepairDrivers->text().toStdString()));
}

void HealthCommands::LabelRepairDriversDblClick() {
    ui::BusyWindow busy(ctx_.window);
    JobUi jobUi = MemoJobUi(ctx_, page_.Memo7);
    RepairCoreDrivers(ctx_.system, ctx_.paths.WinDir, jobUi);
}

void HealthCommands::Label262Click() {
    RestartComputer(ctx_.system.power);
}

void HealthCommands::Label263Click() {
    ctx_.dialogs.showMessage(ctx_.window, QString::fromStdString(ctx_.paths.WinDir));
    ctx_.shell.open(StartupFolderPath(ctx_.paths.WinDir));
}

} // namespace korvane
