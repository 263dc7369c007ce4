#include "art_page.h"

#include "widget_events.h"

#include "desktop/startup_sound.h"
#include "platform/machine.h"
#include "sysaccess/shared_paths.h"
#include "sysaccess/system.h"
#include "ui/colors.h"
#include "ui/memo.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace korvane {

ArtPage::ArtPage(const PageContext& ctx, QWidget* sheet) : ctx_(ctx) {
    Paint(sheet, ui::colors::skyBlue());
    Label57 = MakeLabel(sheet, "Label57", "每此启动更换桌面...");
    Label57->setToolTip(Utf8("如果你的硬盘有好多美丽的图片的话，可以好好的欣赏"));
    Label58 = MakeLabel(sheet, "Label58", "最酷的开机声音...");
    Label234 = MakeLabel(sheet, "Label234", "网络图片推荐下载");
    Label244 = MakeLabel(sheet, "Label244", "下载网络声音");

    Memo10 = MakeMemo(sheet, "Memo10");
    Memo10->setAccessibleName(Utf8("开机声音说明"));
    Memo10->setFixedSize(700, 250);
    Memo10->setFont(BoldFont(sheet, 17));
    PaintBase(Memo10, ui::colors::moneyGreen());
    Memo10->viewport()->setCursor(Qt::PointingHandCursor);
    Memo10->hide();

    auto* wallpaper = new QHBoxLayout;
    wallpaper->setSpacing(40);
    wallpaper->addWidget(Label57);
    wallpaper->addWidget(Label234);
    wallpaper->addStretch();
    auto* sound = new QHBoxLayout;
    sound->setSpacing(40);
    sound->addWidget(Label58);
    sound->addWidget(Label244);
    sound->addStretch();

    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(24, 16, 8, 8);
    layout->setSpacing(14);
    layout->addLayout(wallpaper);
    layout->addLayout(sound);
    layout->addWidget(Memo10);
    layout->addStretch();

    buildPanel(sheet);
    bindPanel();
    Bind(ctx_, Label58, &ui::CommandLabel::clicked, [this] { Label58Click(); });
    OnClick(Memo10->viewport(),
            [this] { ui::runGuarded(ctx_.dialogs, ctx_.window, [this] { Memo10Click(); }); });
}

namespace {

QStringList qtLines(const std::vector<std::string>& lines) {
    QStringList out;
    for (const auto& l : lines)
        out << QString::fromStdString(l);
    return out;
}

} // namespace

void ArtPage::Label58Click() {
    w98::Machine& m = ctx_.system.machine;
    PlaySoundAsync(m, ReadStartupSound(m));
    Memo10->show();
    Panel13->hide();
    Memo10->setLines(qtLines(SoundOpeningLines()));
    const QString chosen = ctx_.dialogs.openFile(ctx_.window, Utf8("打开"), Utf8("声音文件(*.wav)|*.wav"),
                                                 false, dialogFolder({ctx_.paths.WinDir + "\\MEDIA"}));
    if (chosen.isEmpty())
        return;
    const std::string wave = MachinePathOfChoice(m, chosen.toStdString());
    WriteStartupSound(m, wave);
    for (const QString& line : qtLines(SoundClosingLines()))
        Memo10->addLine(line);
    PlaySoundAsync(m, wave);
}

void ArtPage::Memo10Click() {
    w98::Machine& m = ctx_.system.machine;
    PlaySoundAsync(m, ReadStartupSound(m));
}

QString ArtPage::dialogFolder(const std::vector<std::string>& candidates) const {
    const w98::Machine& m = ctx_.system.machine;
    std::vector<std::string> folders = candidates;
    folders.push_back(ctx_.paths.WinDir);
    for (const auto& folder : folders) {
        try {
            if (m.isDirectory(folder))
                return QString::fromStdString(HostFolderOf(m, folder).string());
        } catch (const std::exception&) {
            // Not a path of the machine (no Windows folder known): try the next.
        }
    }
    return {};
}

} // namespace korvane
