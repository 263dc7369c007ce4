// The wallpaper panel of the "艺术" page: the list of pictures, adding one picture or a whole
// folder, the preview, and the clicks that delete, restyle or set a picture.
#include "art_page.h"

#include "widget_events.h"

#include "base/error.h"
#include "desktop/apply_wallpaper.h"
#include "desktop/picture_folder.h"
#include "desktop/wallpaper_list.h"
#include "platform/machine.h"
#include "sysaccess/shared_paths.h"
#include "sysaccess/system.h"
#include "ui/colors.h"
#include "ui/column_sizer.h"
#include "ui/memo.h"
#include "ui/picture_box.h"
#include "ui/text_grid.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace korvane {
namespace {

namespace col = wallpaper_col;

constexpr const char* kPictureFilter =
    "All (*.jpg;*.bmp)|*.jpg;*.bmp|JPEG Image File (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp";
constexpr const char* kFolderDone =
    "里面的图片已添加完毕,请将鼠标移到第一项的〔删除〕上预览，如果您对此不满意，可以单击删除";
constexpr const char* kFolderRefused = "下面的图片无法读取，没有添加：";
constexpr std::size_t kRefusedShown = 10;
constexpr const char* kListKeptAside = "列表中原有的图片没有显示出来。为免丢失，下次保存列表前，原来的列表文"
                                       "件会先另存为 c:\\windows\\desk.bak。";

bool handColumn(int col) {
    return col == col::kCentred || col == col::kTiled || col == col::kStretched || col == col::kPreview ||
           col == col::kDelete;
}

} // namespace

void ArtPage::buildPanel(QWidget* sheet) {
    Panel13 = MakePanel(sheet, "Panel13", ui::colors::skyBlue());
    CoverParent(Panel13);
    Panel13->hide();

    Image7 = new ui::PictureBox(Panel13);
    Image7->setObjectName(QStringLiteral("Image7"));
    Image7->setAccessibleName(Utf8("图片预览"));
    Image7->setFixedSize(232, 225);
    Image7->setFrameShape(QFrame::StyledPanel);

    Label59 = MakeLabel(Panel13, "Label59", "由此逐一添加图片...");
    Label101 = MakeLabel(Panel13, "Label101", "由此添加一个文件夹");
    Label101->setToolTip(Utf8("只添加选定目录里面的图片，子目录和非图片文件不会被添加的"));
    Label102 = MakeLabel(Panel13, "Label102", "一、请选择盘符和文件夹", ui::LabelLook::Heading);
    Label95 = MakeLabel(Panel13, "Label95", "二、确定：添加上面指定目录的图片");
    Label95->setToolTip(Utf8("注意！只有点击本按钮才可将上面选定的文件夹内的图片加入"));
    Label60 = MakeLabel(Panel13, "Label60", "关闭墙纸设置");

    DriveComboBox1 = new QComboBox(Panel13);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setAccessibleName(Utf8("驱动器"));
    DriveComboBox1->setToolTip(Utf8("点击黑三角选择驱动器"));
    DriveComboBox1->setFixedWidth(220);
    DirectoryListBox1 = new QListWidget(Panel13);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setAccessibleName(Utf8("文件夹"));
    DirectoryListBox1->setToolTip(Utf8("请双击选择，记住最后按下面的提示标题"));
    DirectoryListBox1->setFixedSize(260, 132);
    for (QWidget* w : std::initializer_list<QWidget*>{DirectoryListBox1, DriveComboBox1, Label95, Label102})
        w->hide();

    StringGrid5 = new ui::TextGrid(Panel13);
    StringGrid5->setObjectName(QStringLiteral("StringGrid5"));
    StringGrid5->setAccessibleName(Utf8("墙纸列表"));
    PaintBase(StringGrid5, ui::colors::moneyGreen());
    // Two characters must fit the narrowest style column (40 pixels).
    QFont gridFont = StringGrid5->font();
    gridFont.setPixelSize(16);
    StringGrid5->setFont(gridFont);
    StringGrid5->setTextElideMode(Qt::ElideNone);
    StringGrid5->setFixed(1, 1);
    // The style columns are narrower than a header section's usual least width.
    StringGrid5->horizontalHeader()->setMinimumSectionSize(ui::ColumnSizer::kMinWidth);
    StringGrid5->setColumnWidths({64, 44, 40, 46, 42, 462, 64});
    new ui::ColumnSizer(StringGrid5);
    StringGrid5->setHoverSelect(ui::HoverSelect::SingleCell);
    StringGrid5->setTable(EmptyWallpaperTable());

    auto* adding = new QVBoxLayout;
    adding->setSpacing(6);
    adding->addWidget(Label59);
    adding->addWidget(Label101);
    adding->addWidget(Label102);
    adding->addWidget(DriveComboBox1);
    adding->addWidget(DirectoryListBox1);
    adding->addWidget(Label95);
    adding->addStretch();

    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(Image7, 0, Qt::AlignTop);
    top->addLayout(adding);
    top->addStretch();
    top->addWidget(Label60, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(Panel13);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(StringGrid5, 1);
}

void ArtPage::bindPanel() {
    Bind(ctx_, Label57, &ui::CommandLabel::clicked, [this] { Label57Click(); });
    Bind(ctx_, Label59, &ui::CommandLabel::clicked, [this] { Label59Click(); });
    Bind(ctx_, Label101, &ui::CommandLabel::clicked, [this] { Label101Click(); });
    Bind(ctx_, Label95, &ui::CommandLabel::clicked, [this] { Label95Click(); });
    Bind(ctx_, Label60, &ui::CommandLabel::clicked, [this] { Label60Click(); });
    // The preview swallows its own errors; nothing of a hover reaches a message box.
    QObject::connect(StringGrid5, &ui::TextGrid::mouseMoved, ctx_.window,
                     [this](int col, int row) { StringGrid5MouseMove(col, row); });
    QObject::connect(StringGrid5, &ui::TextGrid::clicked, ctx_.window, [this](const ui::GridRect& selection) {
        ui::runGuarded(ctx_.dialogs, ctx_.window, [this, selection] { StringGrid5Click(selection); });
    });
    QObject::connect(DriveComboBox1, &QComboBox::activated, ctx_.window, [this](int index) {
        ui::runGuarded(ctx_.dialogs, ctx_.window, [this, index] { DriveComboBox1Change(index); });
    });
    QObject::connect(
        DirectoryListBox1, &QListWidget::itemActivated, ctx_.window, [this](QListWidgetItem* item) {
            const int index = DirectoryListBox1->row(item);
            ui::runGuarded(ctx_.dialogs, ctx_.window, [this, index] { DirectoryListBox1DblClick(index); });
        });
}

void ArtPage::Label57Click() {
    Memo10->hide();
    Panel13->show();
    Panel13->raise();
    previewed_.clear();
    WallpaperListLoad load;
    try {
        StringGrid5->edit([&](TextTable& t) { load = LoadWallpaperList(ctx_.system.machine, t); });
    } catch (const std::exception& e) {
        listRefused_ = true;
        keptListLines_.clear();
        throw w98::Error(std::string(e.what()) + "\n" + kListKeptAside);
    }
    listRefused_ = false;
    keptListLines_ = std::move(load.kept);
    if (const std::string unread = UnreadableLinesMessage(load); !unread.empty())
        ctx_.dialogs.showMessage(ctx_.window, QString::fromStdString(unread), {}, ui::MessageIcon::Warning);
}

void ArtPage::saveList() {
    w98::Machine& m = ctx_.system.machine;
    if (listRefused_) {
        KeepRefusedWallpaperList(m);
        listRefused_ = false;
    }
    SaveWallpaperList(m, StringGrid5->table(), keptListLines_);
}

void ArtPage::Label60Click() {
    Panel13->hide();
}

void ArtPage::Label59Click() {
    w98::Machine& m = ctx_.system.machine;
    const QString chosen = ctx_.dialogs.openFile(ctx_.window, Utf8("打开"), Utf8(kPictureFilter), true,
                                                 dialogFolder({"C:\\My Documents"}));
    if (chosen.isEmpty())
        return;
    const PictureEntry picture = PreparePicture(m, MachinePathOfChoice(m, chosen.toStdString()));
    StringGrid5->edit([&](TextTable& t) { InsertPictureRows(t, {picture}); });
    saveList();
}

void ArtPage::Label101Click() {
    for (QWidget* w : std::initializer_list<QWidget*>{DirectoryListBox1, DriveComboBox1, Label95, Label102})
        w->show();
    if (!openFolder_.empty())
        return;
    DriveComboBox1->clear();
    for (const auto& drive : MachineDrives(ctx_.system.machine))
        DriveComboBox1->addItem(QString::fromStdString(drive));
    const std::string boot = ctx_.paths.BootDrive.empty() ? std::string("C:") : ctx_.paths.BootDrive;
    showFolder(ctx_.system.machine.isDirectory(boot + "\\My Documents") ? boot + "\\My Documents"
                                                                        : boot + "\\");
}

void ArtPage::DriveComboBox1Change(int index) {
    showFolder(DriveComboBox1->itemText(index).toStdString() + "\\");
}

void ArtPage::DirectoryListBox1DblClick(int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < folderRows_.size())
        showFolder(folderRows_[static_cast<std::size_t>(index)].folder);
}

void ArtPage::showFolder(std::string folder) {
    folderRows_ = FolderRows(ctx_.system.machine, folder);
    openFolder_ = w98::Machine::normalize(folder);
    const QString drive = QString::fromStdString(openFolder_.substr(0, 2)).toLower();
    DriveComboBox1->setCurrentIndex(DriveComboBox1->findText(drive));
    DirectoryListBox1->clear();
    const QIcon open = DirectoryListBox1->style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = DirectoryListBox1->style()->standardIcon(QStyle::SP_DirClosedIcon);
    for (const auto& row : folderRows_) {
        auto* item = new QListWidgetItem(row.open ? open : closed, QString(row.depth * 2, QLatin1Char(' ')) +
                                                                       QString::fromStdString(row.caption));
        DirectoryListBox1->addItem(item);
    }
    // The open folder is the last of the open rows.
    for (int i = 0; i < DirectoryListBox1->count(); ++i)
        if (folderRows_[static_cast<std::size_t>(i)].open)
            DirectoryListBox1->setCurrentRow(i);
}

void ArtPage::Label95Click() {
    w98::Machine& m = ctx_.system.machine;
    if (openFolder_.empty())
        return;
    FolderAddResult added;
    StringGrid5->edit([&](TextTable& t) { added = AddPictureFolder(m, t, openFolder_); });
    QCoreApplication::processEvents();
    ctx_.dialogs.showMessage(ctx_.window, QString::fromStdString(openFolder_) + Utf8(kFolderDone));
    if (!added.refused.empty()) {
        QStringList lines{Utf8(kFolderRefused)};
        for (std::size_t i = 0; i < added.refused.size() && i < kRefusedShown; ++i)
            lines << QString::fromStdString(added.refused[i]);
        if (added.refused.size() > kRefusedShown)
            lines << QStringLiteral("...");
        ctx_.dialogs.showMessage(ctx_.window, lines.join(QLatin1Char('\n')), {}, ui::MessageIcon::Warning);
    }
    saveList();
}

void ArtPage::StringGrid5MouseMove(int col, int row) {
    const TextTable& t = StringGrid5->table();
    const bool picture = IsPictureRow(t, row);
    QWidget* cells = StringGrid5->viewport();
    // Over a column border of the header row the column sizer shows its own pointer.
    if (row != 0 || cells->cursor().shape() != Qt::SplitHCursor)
        cells->setCursor(picture && handColumn(col) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (row < 0 || row >= t.rowCount())
        return;
    const std::string& path = t.cell(col::kPath, row);
    if (path == previewed_)
        return;
    try {
        if (Image7->loadFile(QString::fromStdString(ctx_.system.machine.hostPath(path).string())))
            previewed_ = path;
    } catch (const std::exception&) {
        // The header row, the prompt row or a path that is not the machine's: nothing to show.
    }
}

void ArtPage::StringGrid5Click(const ui::GridRect& selection) {
    const TextTable& t = StringGrid5->table();
    if (selection.top == 0 || selection.top == t.rowCount() - 1)
        return;
    const int row = selection.bottom;
    const int column = selection.left;
    w98::Machine& m = ctx_.system.machine;
    if (column == col::kDelete) {
        StringGrid5->edit([row](TextTable& table) { DeletePictureRow(table, row); });
    } else if (column == col::kCentred || column == col::kTiled || column == col::kStretched) {
        const WallpaperStyle style = StyleOfColumn(column);
        StringGrid5->edit([row, style](TextTable& table) { SetRowStyle(table, row, style); });
    } else if (column == col::kPreview) {
        ctx_.window->showMinimized();
        ApplyWallpaper(m, t, row, ctx_.paths.WinDir);
    }
    saveList();
}

} // namespace korvane
