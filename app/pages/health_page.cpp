#include "health_page.h"

#include "startup/startup_catalogue.h"
#include "startup/startup_grid.h"
#include "startup/startup_removal.h"
#include "switches/hang_protection.h"
#include "sysaccess/shared_paths.h"
#include "sysaccess/system.h"
#include "ui/colors.h"
#include "ui/column_sizer.h"
#include "ui/memo.h"
#include "ui/text_grid.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QVBoxLayout>

namespace korvane {
namespace {

constexpr int kAreaWidth = 784;
constexpr int kAreaHeight = 300;

} // namespace

HealthPage::HealthPage(const PageContext& ctx, QWidget* sheet) : ctx_(ctx) {
    Paint(sheet, ui::colors::skyBlue());

    auto* area = new QWidget(sheet);
    area->setObjectName(QStringLiteral("HealthArea"));
    area->setFixedSize(kAreaWidth, kAreaHeight);

    Memo7 = MakeMemo(area, "Memo7");
    Memo7->setReadOnly(false); // the user may type in it; commands overwrite it
    PaintBase(Memo7, ui::colors::moneyGreen());
    Memo7->hide();

    StringGrid4 = new ui::TextGrid(area);
    StringGrid4->setObjectName(QStringLiteral("StringGrid4"));
    StringGrid4->setToolTip(Utf8("欲看全部，请将鼠标放在最上行的栏与栏之间的缝隙内，按住向右拖动"));
    PaintBase(StringGrid4, ui::colors::moneyGreen());
    StringGrid4->setFixed(1, 1);
    StringGrid4->setColumnWidths(StartupGridWidths());
    StringGrid4->setHoverSelect(ui::HoverSelect::SingleCell);
    StringGrid4->setTable(TextTable(startup_col::kCount, 1));
    new ui::ColumnSizer(StringGrid4);
    StringGrid4->hide(); // until the first listing

    auto* shared = new QGridLayout(area);
    shared->setContentsMargins(0, 0, 0, 0);
    shared->addWidget(Memo7, 0, 0);
    shared->addWidget(StringGrid4, 0, 0);

    Label56 = MakeLabel(sheet, "Label56", "放下包袱，开动机器－Ombrel");
    Label56->setToolTip(Utf8("清理开机后自动运行的程序"));

    Commands = new QGridLayout;
    Commands->setHorizontalSpacing(24);
    Commands->setVerticalSpacing(10);
    Commands->addWidget(Label56, 0, 0, Qt::AlignLeft);
    Label22 = MakeLabel(sheet, "Label22", "关闭无反应的应用程序...");
    Label23 = MakeLabel(sheet, "Label23", "关闭出错应用程序的等待响应时间...");
    CheckBox1 = new QCheckBox(Utf8("程序〔没有回应时自动关闭〕"), sheet);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setFont(BoldFont(sheet, sheet->font().pixelSize()));
    QPalette blue = CheckBox1->palette();
    blue.setColor(QPalette::WindowText, ui::colors::blue());
    CheckBox1->setPalette(blue);
    Commands->addWidget(Label22, 1, 0, Qt::AlignLeft);
    Commands->addWidget(Label23, 1, 1, Qt::AlignLeft);
    Commands->addWidget(CheckBox1, 2, 0, Qt::AlignLeft);

    auto* page = new QVBoxLayout(sheet);
    page->setContentsMargins(6, 6, 6, 6);
    page->setSpacing(12);
    page->addWidget(area);
    page->addLayout(Commands);
    page->addStretch();

    Bind(ctx_, Label56, &ui::CommandLabel::clicked, [this] { Label56Click(); });
    Bind(ctx_, Label22, &ui::CommandLabel::clicked, [this] { Label22Click(); });
    Bind(ctx_, Label23, &ui::CommandLabel::clicked, [this] { Label23Click(); });
    Bind(ctx_, CheckBox1, &QCheckBox::toggled, [this] { CheckBox1Click(); });
    QObject::connect(StringGrid4, &ui::TextGrid::mouseMoved, ctx_.window,
                     [this](int col, int row) { StringGrid4MouseMove(col, row); });
    QObject::connect(StringGrid4, &ui::TextGrid::clicked, ctx_.window, [this](const ui::GridRect& selection) {
        ui::runGuarded(ctx_.dialogs, ctx_.window, [this, selection] { StringGrid4Click(selection); });
    });
}

void HealthPage::ShowMemo() {
    StringGrid4->hide();
    Memo7->show();
}

void HealthPage::ShowGrid() {
    Memo7->hide();
    QCoreApplication::processEvents();
    StringGrid4->show();
}

// The catalogue is read whole before anything on the page changes, so that a win.ini that
// cannot be read leaves the page as it was.
void HealthPage::Label56Click() {
    const std::string& winDir = ctx_.paths.WinDir;
    StringGrid4->setTable(StartupTable(BuildStartupCatalogue(ctx_.system.machine, winDir), winDir));
    ShowGrid();
}

void HealthPage::TabSheet3Show() {
    CheckBox1->setChecked(AutoEndTasksOn(ctx_.system.machine));
}

void HealthPage::Label22Click() {
    StoreWaitToKillTimeout(ctx_.system.machine);
}

void HealthPage::Label23Click() {
    StoreHungAppTimeout(ctx_.system.machine);
}

void HealthPage::CheckBox1Click() {
    StoreAutoEndTasks(ctx_.system.machine, CheckBox1->isChecked());
}

void HealthPage::StringGrid4MouseMove(int col, int row) {
    if (col < 0 || row < 0) {
        StringGrid4->viewport()->setCursor(Qt::ArrowCursor);
        return;
    }
    if (row != 0)
        StringGrid4->viewport()->setCursor(col == startup_col::kDelete ? Qt::PointingHandCursor
                                                                       : Qt::ArrowCursor);
}

void HealthPage::StringGrid4Click(const ui::GridRect& selection) {
    ClickOutcome outcome = ClickOutcome::Nothing;
    StringGrid4->edit([&](TextTable& t) {
        outcome = ClickStartupTable(ctx_.system.machine, t, selection, ctx_.paths.WinDir);
    });
    if (outcome == ClickOutcome::Refused)
        ctx_.dialogs.showMessage(ctx_.window, Utf8(kRemovalRefused));
}

} // namespace korvane
