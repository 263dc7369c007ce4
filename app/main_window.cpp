#include "main_window.h"

#include "pages/art_page.h"
#include "pages/checkup_page.h"
#include "pages/common_commands.h"
#include "pages/common_problems_page.h"
#include "pages/first_page.h"
#include "pages/first_show.h"
#include "pages/health_commands.h"
#include "pages/health_page.h"
#include "pages/help_page.h"
#include "pages/internet_page.h"
#include "pages/page_kit.h"
#include "pages/privacy_page.h"
#include "pages/renewal_page.h"
#include "pages/ten_percent_page.h"
#include "startup.h"

#include "maintenance/reinstall.h"
#include "platform/machine.h"
#include "restore/catalogue.h"
#include "restore/daily_backup.h"
#include "restore/restore_outcome.h"
#include "restore/scanreg_ini.h"

#include "sysaccess/system.h"
#include "sysaccess/system_info.h"
#include "ui/accessible_label.h"
#include "ui/colors.h"
#include "ui/guard.h"
#include "ui/page_control.h"

#include <QCloseEvent>
#include <QTabBar>
#include <QVBoxLayout>

namespace korvane {

TForm1::TForm1(System& system, ui::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), system_(system), dialogs_(dialogs),
      ctx_(std::make_unique<PageContext>(PageContext{this, dialogs_, system.shell, system, paths_})) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromUtf8(kAppTitle));
    ui::installAccessibility();
    buildWindow();
    buildPages();
    bindNavigation();
    // An error ends the start-up sequence where it happens; the window still opens.
    ui::runGuarded(dialogs_, this, [this] { FormCreate(); });
    ShowRestoreOutcome();
}

TForm1::~TForm1() = default;

void TForm1::buildWindow() {
    QFont f;
    // The design's font; CJK text falls back to a font that has the glyphs.
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Noto Sans CJK SC"),
                   QStringLiteral("WenQuanYi Zen Hei")});
    f.setPixelSize(17);
    setFont(f);
    Paint(this, ui::colors::skyBlue());

    PageControl1 = new ui::PageControl(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->tabBar()->setFont(BoldFont(this, 18));
    PageControl1->tabBar()->setCursor(Qt::PointingHandCursor);
    auto add = [this](const char* name, const char* caption) {
        return PageControl1->addPage(Utf8(name), Utf8(caption));
    };
    TabSheet1 = add("TabSheet1", "Korvane");
    TabSheet2 = add("TabSheet2", "体检");
    TabSheet3 = add("TabSheet3", "健体");
    TabSheet4 = add("TabSheet4", "常见");
    TabSheet5 = add("TabSheet5", "求助");
    TabSheet6 = add("TabSheet6", "艺术");
    TabSheet7 = add("TabSheet7", "飞");
    TabSheet8 = add("TabSheet8", "新生");
    TabSheet9 = add("TabSheet9", "隐私");
    TabSheet19 = add("TabSheet19", "上网");
    TabSheet46 = add("TabSheet46", "10%");
    // The program's own texts send the user to the row of page buttons, so the ordinary
    // pages keep their headers; only the "10%" page is reached by its link alone.
    PageControl1->HideHeader(TabSheet46);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
    resize(800, 572);
}

void TForm1::buildPages() {
    for (QWidget* sheet : {TabSheet2, TabSheet3, TabSheet7, TabSheet8, TabSheet9})
        Paint(sheet, ui::colors::skyBlue());
    firstPage_ = std::make_unique<FirstPage>(*ctx_, TabSheet1);
    checkupPage_ = std::make_unique<CheckupPage>(*ctx_, TabSheet2);
    commonPage_ = std::make_unique<CommonProblemsPage>(*ctx_, TabSheet4);
    helpPage_ = std::make_unique<HelpPage>(*ctx_, TabSheet5);
    artPage_ = std::make_unique<ArtPage>(*ctx_, TabSheet6);
    internetPage_ = std::make_unique<InternetPage>(*ctx_, TabSheet19);
    tenPercentPage_ = std::make_unique<TenPercentPage>(*ctx_, TabSheet46);
    healthPage_ = std::make_unique<HealthPage>(*ctx_, TabSheet3);
    privacyPage_ = std::make_unique<PrivacyPage>(*ctx_, TabSheet9);
    healthCommands_ = std::make_unique<HealthCommands>(*ctx_, *healthPage_, TabSheet3);
    renewalPage_ = std::make_unique<RenewalPage>(*ctx_, TabSheet8);
    commonCommands_ = std::make_unique<CommonCommands>(*ctx_, *commonPage_);
}

void TForm1::bindNavigation() {
    OnShow(*ctx_, PageControl1, TabSheet4, [this] { commonPage_->TabSheet4Show(); });
    OnShow(*ctx_, PageControl1, TabSheet5, [this] { helpPage_->TabSheet5Show(); });
    OnShow(*ctx_, PageControl1, TabSheet3, [this] { healthPage_->TabSheet3Show(); });
    OnShow(*ctx_, PageControl1, TabSheet9, [this] { privacyPage_->TabSheet9Show(); });
    OnFirstShow(*ctx_, this, [this] { privacyPage_->TabSheet9Show(); });
    OnShow(*ctx_, PageControl1, TabSheet19, [this] { internetPage_->TabSheet19Show(); });
    Bind(*ctx_, privacyPage_->Label86, &ui::CommandLabel::clicked,
         [this] { JumpTo(TabSheet19, [this] { internetPage_->OpenTypedAddressList(); }); });
    Bind(*ctx_, artPage_->Label234, &ui::CommandLabel::clicked, [this] { Label234Click(); });
    Bind(*ctx_, artPage_->Label244, &ui::CommandLabel::clicked, [this] { Label244Click(); });
    Bind(*ctx_, commonCommands_->LabelLowerHangs, &ui::CommandLabel::clicked,
         [this] { LabelLowerHangsClick(); });
    Bind(*ctx_, firstPage_->LabelTenPercent, &ui::CommandLabel::clicked, [this] { OpenTenPercentPage(); });
    Bind(*ctx_, tenPercentPage_->LabelCloseTenPercent, &ui::CommandLabel::clicked,
         [this] { CloseTenPercentPage(); });
}

void TForm1::JumpTo(QWidget* page, const std::function<void()>& inside) {
    PageControl1->ShowPage(page);
    inside();
}

void TForm1::Label234Click() {
    JumpTo(TabSheet5, [this] { helpPage_->PageControl5->SelectPage(helpPage_->TabSheet12); });
}

void TForm1::Label244Click() {
    JumpTo(TabSheet5, [this] { helpPage_->PageControl5->SelectPage(helpPage_->TabSheet44); });
}

void TForm1::LabelLowerHangsClick() {
    JumpTo(TabSheet3, [this] { healthCommands_->LabelRepairDriversClick(); });
}

void TForm1::OpenTenPercentPage() {
    PageControl1->ShowPage(TabSheet46);
}

void TForm1::CloseTenPercentPage() {
    PageControl1->ShowPage(TabSheet1);
}

void TForm1::FormCreate() {
    w98::Machine& m = system_.machine;
    // First of all: start-up itself writes to USER.DAT.
    TakeRestoreOutcome();
    // A disk the program may only read is said once, here, and start-up changes nothing in
    // it: every change would be refused when it is to go into the disk.
    const bool writable = m.canWrite();
    if (writable)
        LiftMsDosPolicy(m);
    PageControl1->ShowPage(TabSheet1);
    if (!writable)
        dialogs_.showMessage(this, QString::fromStdString(m.readOnlyReason()), {}, ui::MessageIcon::Warning);
    if (const std::string interrupted = m.interruptedStep(); !interrupted.empty())
        dialogs_.showMessage(this, QString::fromStdString(interrupted), {}, ui::MessageIcon::Warning);
    if (!IsWindows98(m))
        dialogs_.showMessage(this, QString::fromUtf8(kNotWindows98));
    paths_ = ComputeSharedPaths(m, ProgramFolder(m));
    firstPage_->Label1->setText(QString::fromStdString(DateLine(m, system_.clock)));
    RunStartupDuties();
}

// The start-up duties of the other parts of the program run here, in this order:
// catalogue scans, the restore-point table, the registry checker's settings, the daily backup
// check, moving future-dated restore points aside, the reinstall batch.
void TForm1::RunStartupDuties() {
    w98::Machine& m = system_.machine;
    // The table's captions first: a duty that stops start-up (no Windows folder known) still
    // leaves a table the user can read.
    firstPage_->FillRestorePoints({});
    firstPage_->FillRestorePoints(ScanAllRestorePoints(m, paths_.WinDir, paths_.BackupDir));
    if (!m.canWrite())
        return;
    WriteScanregTemplate(m, paths_.WinDir);
    DailyBackupCheck(m, firstPage_->NewestRestorePoint().shownDate, paths_.WinDir, system_.clock);
    firstPage_->MoveFutureRestorePoints();
    WriteStartupReinstallBatch(m, paths_.WinDir);
}

void TForm1::TakeRestoreOutcome() {
    w98::Machine& m = system_.machine;
    try {
        if (auto outcome = korvane::TakeRestoreOutcome(m, GetWindowsDir(m))) {
            restoreOutcomeKnown_ = true;
            restored_ = outcome->restored;
            restoreOutcome_ = outcome->message;
        }
    } catch (const std::exception&) {
        // A registry that cannot be read is reported by the start-up steps that need it; this
        // report only adds to them.
    }
}

void TForm1::ShowRestoreOutcome() {
    if (!restoreOutcomeKnown_)
        return;
    restoreOutcomeKnown_ = false;
    dialogs_.showMessage(this, QString::fromStdString(restoreOutcome_), QString::fromUtf8("系统还原"),
                         restored_ ? ui::MessageIcon::Information : ui::MessageIcon::Warning);
}

void TForm1::FormClose() {
    if (!system_.registryReplaced && system_.machine.canWrite())
        RestoreMsDosPolicy(system_.machine);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // The machine is being written on another thread: the close waits for the next chance.
    if (ui::CommitRunning()) {
        event->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        ui::runGuarded(dialogs_, this, [this] { FormClose(); });
    }
    event->accept();
}

} // namespace korvane
