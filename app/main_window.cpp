#include "main_window.h"

#include "startup.h"

#include "sysaccess/system.h"
#include "sysaccess/system_info.h"
#include "ui/guard.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace korvane {

TForm1::TForm1(System& system, ui::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), system_(system), dialogs_(dialogs) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromUtf8(kAppTitle));
    buildWindow();
    // An error ends the start-up sequence where it happens; the window still opens.
    ui::runGuarded(dialogs_, this, [this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::buildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Korvane"));
    Label1 = new QLabel(TabSheet1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 16);
    resize(800, 572);
}

void TForm1::FormCreate() {
    w98::Machine& m = system_.machine;
    LiftMsDosPolicy(m);
    PageControl1->setCurrentWidget(TabSheet1);
    if (!IsWindows98(m))
        dialogs_.showMessage(this, QString::fromUtf8(kNotWindows98));
    paths_ = ComputeSharedPaths(m, ProgramFolder(m));
    Label1->setText(QString::fromStdString(DateLine(m, system_.clock)));
    Label1->adjustSize();
    RunStartupDuties();
}

// The start-up duties of the other parts of the program run here, in this order:
// catalogue scans, the restore-point table, the registry checker's settings, the daily backup
// check, moving future-dated restore points aside, the reinstall batch.
void TForm1::RunStartupDuties() {}

void TForm1::FormClose() { RestoreMsDosPolicy(system_.machine); }

void TForm1::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        ui::runGuarded(dialogs_, this, [this] { FormClose(); });
    }
    event->accept();
}

} // namespace korvane
