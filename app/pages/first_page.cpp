#include "first_page.h"

#include "app/navigation.h"
#include "base/error.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "restore/catalogue.h"
#include "restore/daily_backup.h"
#include "restore/point_difference.h"
#include "restore/point_preview.h"
#include "restore/preview_worker.h"
#include "restore/restore_execution.h"
#include "restore/restore_request.h"
#include "restore/restore_table.h"
#include "sysaccess/system.h"
#include "ui/action_commit.h"
#include "ui/busy_window.h"
#include "ui/colors.h"
#include "ui/memo.h"
#include "ui/text_grid.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QVBoxLayout>

namespace korvane {
namespace {

const char* const kPreviewPrompt = "把鼠标移到上表的一行上，这里会显示还原到那个还原点会改变什么。";
const char* const kPreviewName = "还原点会改变什么";
const char* const kPreviewWorking = "：正在与现在的系统比较……";

QStringList Lines(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* l : lines)
        out << Utf8(l);
    return out;
}

const QStringList& Label3Help() {
    static const QStringList lines = Lines({
        "    比如电脑突然不能上网、不能进入聊天室、上网后，标题栏被恶意修改、首页被改，发现不能查杀的病毒、"
        "输入法图标丢失、中了恶作剧、桌面和光驱图标丢失..."
        "等等不是硬件的错误，或看似硬件的问题，本软件将帮助你瞬间修好",
    });
    return lines;
}

const QStringList& Label9Help() {
    static const QStringList lines = Lines({
        "第一次运行，有可能下表没有最近一俩天的备份数据，那是因为您或别人无意或有意改动了系统，以后就正常了",
    });
    return lines;
}

const QStringList& Label14Help(bool onDisk) {
    static const QStringList lines = Lines({
        "    如果您确信在列表中的某一时间以前电脑是好的，点击这一行即可，之后再不要对电脑作任何操作，"
        "电脑将在一分钟自动重新启动，启动后就ok了",
    });
    // A disk's Windows is switched off: the restore goes into the disk at once.
    static const QStringList disk = Lines({
        "    如果您确信在列表中的某一时间以前电脑是好的，点击这一行即可：还原立即写入这个硬盘，"
        "完成后马上告诉您结果。还原时请不要启动这个虚拟机（或这块硬盘所在的电脑），之后正常启动即可",
    });
    return onDisk ? disk : lines;
}

const QStringList& Label21Help() {
    static const QStringList lines = Lines({
        "点击〔可随时建立系统还原点...〕标题即可",
        "当下次打开本软件您即可看到备份的还原点",
        "本功能适合您要安装不放心软件或维修系统以前",
    });
    return lines;
}

const QStringList& Label217Help() {
    static const QStringList lines = Lines({
        "我不是有芝麻小事就向您请教如何办的秘书",
        "",
        "开机后两秒内我后迅速的自动备份，几乎让您感觉不到",
    });
    return lines;
}

} // namespace

FirstPage::FirstPage(const PageContext& ctx, QWidget* sheet) : ctx_(ctx) {
    Paint(sheet, ui::colors::skyBlue());

    Memo4 = MakeMemo(sheet, "Memo4", {Utf8("移动鼠标到〔带...的字体〕上有 ：提示")});
    Memo4->setFixedSize(313, 209);
    Memo4->setFont(BoldFont(sheet, 18));
    PaintBase(Memo4, ui::colors::moneyGreen());

    FeaturePanel = MakePanel(sheet, "FeaturePanel", ui::colors::tooltip());
    FeaturePanel->setFixedSize(473, 209);
    buildFeaturePanel();

    Label1 = MakeLabel(sheet, "Label1", "", ui::LabelLook::Heading);
    LabelTenPercent =
        MakeLabel(sheet, "LabelTenPercent", "当Korvane无法修复...", ui::LabelLook::PlainCommand);
    LabelTenPercent->setPixelSize(20);

    // Columns and rows come from the restore-point catalogue at start-up.
    StringGrid1 = new ui::TextGrid(sheet);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setFixedSize(705, 241);
    PaintBase(StringGrid1, ui::colors::moneyGreen());
    StringGrid1->setFixed(1, 1);
    StringGrid1->setColumnWidths({64, 242, 363});
    StringGrid1->setHoverSelect(ui::HoverSelect::WholeRow);
    StringGrid1->setRowDragColumn(restore_col::kNumber);
    StringGrid1->setTable(TextTable(restore_col::kCount, 1));

    QStringList prompt = {Utf8(kPreviewPrompt)};
    // A disk whose MSDOS.SYS hides its Windows folder: the user sees which folder is restored.
    if (const std::string named = ctx_.system.machine.windowsFolderNotNamed(); !named.empty())
        prompt.prepend(QString::fromStdString(
            "这个硬盘的 MSDOS.SYS 没有指明可用的 Windows 文件夹（" +
            (named == "none" ? std::string("它没有写") : "它写的是 " + named) + "），本程序使用的是 " +
            ctx_.system.machine.windowsFolder() + "：其中有 WIN.COM、SYSTEM.DAT 和 SYSBCKUP。"));
    MemoPreview = MakeMemo(sheet, "MemoPreview", prompt);
    MemoPreview->setReadOnly(true);
    MemoPreview->setFixedWidth(705);
    // At the design size the free area holds about a line; the text scrolls, and a larger
    // window shows more of it.
    MemoPreview->setMinimumHeight(26);
    MemoPreview->setAccessibleName(Utf8(kPreviewName));
    PaintBase(MemoPreview, ui::colors::moneyGreen());

    // The design's rows keep their places when the window is larger.
    auto* body = new QWidget(sheet);
    body->setFixedWidth(313 + 4 + 473);
    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    top->addWidget(Memo4);
    top->addWidget(FeaturePanel);

    auto* middle = new QHBoxLayout;
    middle->addWidget(Label1);
    middle->addStretch();
    middle->addWidget(LabelTenPercent);

    auto* rows = new QVBoxLayout(body);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(6);
    rows->addLayout(top);
    rows->addLayout(middle);
    rows->addWidget(StringGrid1);
    rows->addWidget(MemoPreview, 1);

    auto* page = new QVBoxLayout(sheet);
    page->setContentsMargins(2, 4, 2, 2);
    page->addWidget(body, 1);

    Bind(ctx_, Label3, &ui::CommandLabel::mouseMoved, [this] { Label3MouseMove(); });
    Bind(ctx_, Label9, &ui::CommandLabel::mouseMoved, [this] { Label9MouseMove(); });
    Bind(ctx_, Label14, &ui::CommandLabel::mouseMoved, [this] { Label14MouseMove(); });
    Bind(ctx_, Label21, &ui::CommandLabel::mouseMoved, [this] { Label21MouseMove(); });
    Bind(ctx_, Label217, &ui::CommandLabel::mouseMoved, [this] { Label217MouseMove(); });
    Bind(ctx_, Label21, &ui::CommandLabel::clicked, [this] { Label21Click(); });
    QObject::connect(StringGrid1, &ui::TextGrid::clicked, ctx_.window, [this](const ui::GridRect& selection) {
        ui::runGuarded(ctx_.dialogs, ctx_.window, [this, row = selection.top] { StringGrid1Click(row); });
        // The click gave up the preview in hand: the row's preview again, against the system now.
        ui::runGuarded(ctx_.dialogs, ctx_.window, [this] { StringGrid1SelectionMoved(); });
    });
    QObject::connect(StringGrid1, &ui::TextGrid::selectionMoved, MemoPreview,
                     [this] { StringGrid1SelectionMoved(); });
    // A dragged row can leave another point under a selection that stayed where it was.
    QObject::connect(StringGrid1, &ui::TextGrid::rowMoved, MemoPreview, [this](int from, int to) {
        StringGrid1RowMoved(from, to);
        StringGrid1SelectionMoved();
    });
}

FirstPage::~FirstPage() = default;

void FirstPage::StringGrid1SelectionMoved() {
    // No selection (the pointer over the headers) keeps the last preview to read.
    const auto selection = StringGrid1->selection();
    if (!selection)
        return;
    const int row = selection->top;
    if (!previewWorker_) {
        // Started at the first preview, so that the window's start waits for nothing.
        auto deliver = [memo = MemoPreview, this](std::uint64_t ticket, std::vector<std::string> lines) {
            QMetaObject::invokeMethod(
                memo,
                [this, ticket, lines = std::move(lines)] {
                    if (ticket != previewTicket_)
                        return;
                    QStringList shown;
                    for (const std::string& line : lines)
                        shown << QString::fromStdString(line);
                    MemoPreview->setLines(shown);
                },
                Qt::QueuedConnection);
        };
        previewWorker_ = std::make_unique<PreviewWorker>(
            std::make_unique<PointPreview>(ctx_.system.machine.root(), ctx_.paths.WinDir,
                                           ctx_.paths.BootDrive),
            deliver);
    }
    const RestorePoint point = restorePoints_.atRow(row);
    MemoPreview->setLines({QString::fromStdString(PointName(point.shownDate)) + Utf8(kPreviewWorking)});
    previewTicket_ = previewWorker_->request(point);
}

void FirstPage::FillRestorePoints(RestoreCatalogue catalogue) {
    const int year = ctx_.system.clock.now().year;
    try {
        restorePoints_ = RestoreListing(std::move(catalogue), ctx_.system.machine, year);
        StringGrid1->setTable(restorePoints_.table());
    } catch (const std::exception& e) {
        // The table stays as it was, and start-up goes on.
        ctx_.dialogs.showMessage(ctx_.window, QString::fromStdString(SortErrorMessage(e.what())),
                                 Utf8("系统错误"), ui::MessageIcon::Error);
    }
    for (int c = restore_col::kVisible; c < restore_col::kCount; ++c)
        StringGrid1->setColumnShown(c, false);
}

void FirstPage::MoveFutureRestorePoints() {
    const auto marked =
        restorePoints_.moveFuturePointsAside(ctx_.system.machine, ctx_.paths.BackupDir, ctx_.system.clock);
    StringGrid1->edit([&](TextTable& t) {
        for (const std::size_t i : marked)
            t.setCell(restore_col::kNote, static_cast<int>(i) + 1, restorePoints_[i].note);
    });
}

void FirstPage::StringGrid1RowMoved(int from, int to) {
    restorePoints_.movePoint(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - 1));
}

void FirstPage::Label21Click() {
    ui::BusyWindow busy(ctx_.window);
    Label21->setText(Label21->text() + Utf8(kCreateWaiting));
    ui::PaintNow();
    if (!CreateRestorePointNow(ctx_.system.machine, ctx_.paths.WinDir)) {
        Label21->setText(Utf8(kCreateCaption));
        throw w98::Error(kNoRestorePointMade);
    }
    try {
        ui::CommitActionNow();
    } catch (...) {
        Label21->setText(Utf8(kCreateCaption));
        throw;
    }
    Label21->setText(Utf8(kCreateDone));
}

void FirstPage::StringGrid1Click(int row) {
    // One click is one restore: nothing the user does until the restart starts another. The
    // preview in hand gives the click its time.
    if (previewWorker_)
        previewWorker_->abandon();
    ui::BusyWindow busy(ctx_.window);
    const RestorePoint chosen = restorePoints_.atRow(row);
    // A point the job could not restore is refused before anything is written or shown.
    PreparedRestore prepared;
    try {
        prepared = PrepareRestore(ctx_.system, ctx_.paths, chosen, NewestRestorePoint());
    } catch (const UnusableRestorePoint& e) {
        restorePoints_.setNote(static_cast<std::size_t>(row - 1), e.mark());
        StringGrid1->edit([&](TextTable& t) { t.setCell(restore_col::kNote, row, e.mark()); });
        throw;
    }
    if (!ctx_.system.machine.isDiskImage()) {
        QStringList progress;
        for (const auto& line : RestoreProgressLines())
            progress << QString::fromStdString(line);
        PaintBase(Memo4, QColor(255, 0, 0));
        Memo4->setVisible(true);
        Memo4->setLines(progress);
        ui::PaintNow();
    }
    if (const auto done = CarryOutRestore(ctx_.system, ctx_.paths, prepared, ui::PaintNow))
        showDiskRestore(*done);
}

void FirstPage::showDiskRestore(const OfflineRestore& done) {
    // In the disk before the list shows the state before as a point, or the list stays as the
    // disk is.
    ui::CommitActionNow();
    FillRestorePoints(ScanAllRestorePoints(ctx_.system.machine, ctx_.paths.WinDir, ctx_.paths.BackupDir));
    ctx_.dialogs.showMessage(ctx_.window, QString::fromStdString(done.outcome.message), Utf8("系统还原"),
                             done.outcome.restored ? ui::MessageIcon::Information : ui::MessageIcon::Warning);
}

void FirstPage::buildFeaturePanel() {
    Label3 = MakeLabel(FeaturePanel, "Label3", "可修复90%的故障...", ui::LabelLook::Heading);
    Label9 = MakeLabel(FeaturePanel, "Label9", "可将系统恢复到最近正常时间，而不是初装机状态...",
                       ui::LabelLook::Heading);
    Label14 = MakeLabel(FeaturePanel, "Label14", "使用简单，一键搞定...", ui::LabelLook::Heading);
    Label21 = MakeLabel(FeaturePanel, "Label21", "可随时建立系统还原点...", ui::LabelLook::Command);
    Label217 =
        MakeLabel(FeaturePanel, "Label217", "系统全自动备份还原点，无须手工操作...", ui::LabelLook::Heading);

    auto* layout = new QVBoxLayout(FeaturePanel);
    layout->setContentsMargins(16, 10, 8, 10);
    for (auto [label, help] : {std::pair{Label3, &Label3Help()}, std::pair{Label9, &Label9Help()},
                               std::pair{Label14, &Label14Help(ctx_.system.machine.isDiskImage())},
                               std::pair{Label21, &Label21Help()}, std::pair{Label217, &Label217Help()}}) {
        if (label->look() == ui::LabelLook::Heading)
            label->setTextColor(ui::colors::blue());
        // Screen readers get the help without pointing at the label.
        label->setAccessibleDescription(help->join(QLatin1Char('\n')));
        layout->addWidget(label);
    }
}

void FirstPage::showFeatureHelp(ui::CommandLabel* label, const QStringList& lines) {
    ShowHoverHelp(*Memo4, *label, lines, HoverMark::Aqua);
}

void FirstPage::Label3MouseMove() {
    showFeatureHelp(Label3, Label3Help());
}
void FirstPage::Label9MouseMove() {
    showFeatureHelp(Label9, Label9Help());
}
void FirstPage::Label14MouseMove() {
    showFeatureHelp(Label14, Label14Help(ctx_.system.machine.isDiskImage()));
}
void FirstPage::Label21MouseMove() {
    showFeatureHelp(Label21, Label21Help());
}
void FirstPage::Label217MouseMove() {
    showFeatureHelp(Label217, Label217Help());
}

} // namespace korvane
