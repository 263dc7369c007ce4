#include "renewal_page.h"

#include "job_text.h"

#include "maintenance/reinstall.h"
#include "maintenance/setup_source.h"
#include "sysaccess/shared_paths.h"
#include "sysaccess/system.h"
#include "ui/busy_window.h"
#include "ui/colors.h"
#include "ui/memo.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {
namespace {

constexpr int kMemoHeight = 400;

} // namespace

RenewalPage::RenewalPage(const PageContext& ctx, QWidget* sheet) : ctx_(ctx) {
    Paint(sheet, ui::colors::skyBlue());

    // The memo's place stays free while it is hidden, so the commands do not move.
    auto* area = new QWidget(sheet);
    area->setObjectName(QStringLiteral("RenewalArea"));
    area->setFixedHeight(kMemoHeight);
    Memo6 = MakeMemo(area, "Memo6");
    Memo6->setReadOnly(false); // the user may type in it; commands overwrite it
    Memo6->setFont(BoldFont(sheet, 17));
    PaintBase(Memo6, ui::colors::moneyGreen());
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    areaLayout->addWidget(Memo6);
    Memo6->hide();

    LabelReinstallSystem =
        MakeLabel(sheet, "LabelReinstallSystem", "十分钟重装系统...", ui::LabelLook::PlainCommand);
    LabelReinstallSystem->setPixelSize(20);
    LabelReinstallSystem->setToolTip(Utf8("单击查看..."));
    LabelProductKey =
        MakeLabel(sheet, "LabelProductKey", "查看win98安装光盘的密钥...", ui::LabelLook::PlainCommand);
    LabelProductKey->setToolTip(Utf8("点击即可在上面看到"));

    auto* commands = new QHBoxLayout;
    commands->setSpacing(48);
    commands->addWidget(LabelReinstallSystem);
    commands->addWidget(LabelProductKey);
    commands->addStretch();

    auto* page = new QVBoxLayout(sheet);
    page->setContentsMargins(6, 6, 6, 6);
    page->setSpacing(16);
    page->addWidget(area);
    page->addLayout(commands);
    page->addStretch();

    Bind(ctx_, LabelReinstallSystem, &ui::CommandLabel::clicked, [this] { LabelReinstallSystemClick(); });
    Bind(ctx_, LabelProductKey, &ui::CommandLabel::clicked, [this] { LabelProductKeyClick(); });
}

void RenewalPage::LabelReinstallSystemClick() {
    ui::BusyWindow busy(ctx_.window);
    ExplainReinstall(ctx_.system.machine, ctx_.paths.WinDir, LabelReinstallSystem->text().toStdString(),
                     [this](const std::vector<std::string>& lines) { ShowLines(Memo6, lines); });
}

void RenewalPage::LabelProductKeyClick() {
    ShowLines(Memo6,
              ProductKeyLines(LabelProductKey->text().toStdString(), ReadProductKey(ctx_.system.machine)));
}

} // namespace korvane
