// The "艺术" page: the wallpaper panel (list file, adding pictures and folders, hover preview,
// clicks) and the start-up sound with its memo.
#include "base/cp936.h"
#include "desktop/startup_sound.h"
#include "desktop/wallpaper_list.h"
#include "platform/sound.h"
#include "platform/wallpaper.h"
#include "registry/registry.h"
#include "sysaccess/registry_values.h"
#include "tests/app/window_harness.h"
#include "tests/support/writes_fail.h"
#include "ui/command_label.h"
#include "ui/memo.h"
#include "ui/picture_box.h"
#include "ui/text_grid.h"

#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QTabWidget>
#include <QtTest>

using namespace korvane;
using namespace korvane::test;

namespace {

const std::string kList = "C:\\WINDOWS\\desk.dsk";

// A real picture file of the machine, padded past the size below which pictures are tiled.
void picture(w98::Machine& m, const std::string& path, int w, int h, const char* format) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    m.writeFile(path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())) +
                          std::string(20000, '\0'));
}

void seed(w98::Machine& m) {
    m.createDirectories("C:\\My Documents\\pics\\old");
    picture(m, "C:\\WINDOWS\\Clouds.bmp", 64, 48, "BMP");
    picture(m, "C:\\My Documents\\pics\\sea.jpg", 80, 45, "JPG");
    picture(m, "C:\\My Documents\\pics\\tall.BMP", 30, 60, "BMP");
    m.writeFile("C:\\My Documents\\pics\\broken.jpg", "\xFF\xD8 damaged");
    m.writeFile("C:\\My Documents\\pics\\notes.txt", "x");
}

QPoint cell(ui::TextGrid* grid, int col, int row) {
    return {grid->columnViewportPosition(col) + grid->columnWidth(col) / 2,
            grid->rowViewportPosition(row) + grid->rowHeight(row) / 2};
}

std::string gbkList(const std::vector<std::string>& lines) {
    std::string s = "3\r\n\r\n";
    for (const auto& l : lines)
        s += w98::cp936::fromUtf8(l) + "\r\n";
    return s;
}

struct ArtHarness : WindowHarness {
    ArtHarness() {
        seed(tm.machine());
        open();
        find<QTabWidget>("PageControl1")->setCurrentWidget(find<QWidget>("TabSheet6"));
        grid = find<ui::TextGrid>("StringGrid5");
    }
    void openPanel() { click(find<ui::CommandLabel>("Label57")); }
    void clickCell(int col, int row) {
        hover(grid->viewport(), cell(grid, col, row));
        click(grid->viewport(), cell(grid, col, row));
    }
    std::string path(int row) const { return grid->table().cell(wallpaper_col::kPath, row); }
    ui::TextGrid* grid = nullptr;
};

} // namespace

class ArtPageTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void panelOpensOverThePageWithTheStoredList() {
        ArtHarness h;
        h.tm.machine().writeFile(kList, gbkList({"平铺C:\\WINDOWS\\Clouds.bmp", "拉伸C:\\x.jpg"}));
        auto* panel = h.find<QWidget>("Panel13");
        QVERIFY(!panel->isVisible());
        h.openPanel();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->size(), panel->parentWidget()->size());
        QVERIFY(!h.find<QWidget>("Memo10")->isVisible());
        const TextTable& t = h.grid->table();
        QCOMPARE(t.rowCount(), 4);
        QCOMPARE(QString::fromStdString(t.cell(2, 1)), u8("平铺"));
        QCOMPARE(QString::fromStdString(t.cell(0, 2)), u8("2"));
        QCOMPARE(QString::fromStdString(t.cell(5, 3)), u8(kWallpaperPrompt));
        QCOMPARE(h.grid->columnWidth(5), 462);
        click(h.find<ui::CommandLabel>("Label60"));
        QVERIFY(!panel->isVisible());
    }

    void addingOnePictureFromTheDialog() {
        ArtHarness h;
        h.openPanel();
        h.dialogs.setNextFile({}); // cancelled
        click(h.find<ui::CommandLabel>("Label59"));
        QVERIFY(!h.tm.machine().exists(kList));
        h.dialogs.setNextFile(u8("C:\\WINDOWS\\Clouds.bmp"));
        click(h.find<ui::CommandLabel>("Label59"));
        const auto& request = h.dialogs.fileRequests().back();
        QVERIFY(request.picturePreview);
        QCOMPARE(request.filter,
                 u8("All (*.jpg;*.bmp)|*.jpg;*.bmp|JPEG Image File (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp"));
        QCOMPARE(h.tm.bytes(kList), gbkList({"拉伸C:\\WINDOWS\\Clouds.bmp"}));
        // A host file outside the machine is refused with a message; the list stays.
        h.dialogs.setNextFile(u8("/etc/hostname.bmp"));
        click(h.find<ui::CommandLabel>("Label59"));
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(h.grid->table().rowCount(), 3);
    }

    void addingAFolderChosenInTheMachinesFolderList() {
        ArtHarness h;
        h.openPanel();
        auto* folders = h.find<QListWidget>("DirectoryListBox1");
        QVERIFY(!folders->isVisible());
        click(h.find<ui::CommandLabel>("Label101"));
        QVERIFY(folders->isVisible());
        auto* drives = h.find<QComboBox>("DriveComboBox1");
        QCOMPARE(drives->count(), 2); // C: and the CD-ROM drive D:
        QCOMPARE(drives->currentText(), u8("c:"));
        QCOMPARE(folders->currentItem()->text().trimmed(), u8("My Documents"));
        const auto pics = folders->findItems(u8("pics"), Qt::MatchEndsWith);
        QCOMPARE(pics.size(), 1);
        Q_EMIT folders->itemActivated(pics.first());
        QVERIFY(!folders->findItems(u8("old"), Qt::MatchEndsWith).isEmpty());

        click(h.find<ui::CommandLabel>("Label95"));
        QCOMPARE(h.path(1), std::string("C:\\My Documents\\pics\\tall.BMP"));
        QCOMPARE(h.path(2), std::string("C:\\My Documents\\pics\\sea.jpg"));
        QCOMPARE(h.grid->table().rowCount(), 4);
        QCOMPARE(h.dialogs.messages().size(), size_t(2));
        QVERIFY(h.dialogs.messages()[0].text.startsWith(u8("C:\\My Documents\\pics里面的图片已添加完毕,")));
        QVERIFY(h.dialogs.messages()[1].text.contains(u8("broken.jpg")));
        QCOMPARE(h.tm.bytes(kList),
                 gbkList({"居中C:\\My Documents\\pics\\tall.BMP", "居中C:\\My Documents\\pics\\sea.jpg"}));
    }

    void hoverSetsTheCursorAndPreviewsThePicture() {
        ArtHarness h;
        h.tm.machine().writeFile(kList, gbkList({"居中C:\\WINDOWS\\Clouds.bmp", "拉伸C:\\missing.jpg"}));
        h.openPanel();
        auto* preview = h.find<ui::PictureBox>("Image7");
        QVERIFY(preview->pixmap().isNull());
        hover(h.grid->viewport(), cell(h.grid, 6, 1));
        QCOMPARE(h.grid->viewport()->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(*h.grid->selection(), (ui::GridRect{6, 1, 6, 1}));
        QVERIFY(!preview->pixmap().isNull());
        QVERIFY(preview->pixmap().width() <= 232);
        const qint64 shown = preview->pixmap().cacheKey();
        hover(h.grid->viewport(), cell(h.grid, 5, 2)); // a missing file keeps the picture
        QCOMPARE(h.grid->viewport()->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(preview->pixmap().cacheKey(), shown);
        hover(h.grid->viewport(), cell(h.grid, 2, 3)); // the prompt row
        QCOMPARE(h.grid->viewport()->cursor().shape(), Qt::ArrowCursor);
        hover(h.grid->viewport(), cell(h.grid, 1, 0));
        QCOMPARE(h.grid->viewport()->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(h.dialogs.messages().empty());
    }

    void clicksRestyleDeleteAndSetTheWallpaper() {
        ArtHarness h;
        h.tm.machine().writeFile(kList, gbkList({"居中C:\\My Documents\\pics\\sea.jpg",
                                                 "居中C:\\WINDOWS\\Clouds.bmp", "拉伸C:\\broken.jpg"}));
        h.tm.machine().writeFile("C:\\broken.jpg", "\xFF\xD8\xFF");
        h.openPanel();
        h.clickCell(2, 1);
        QCOMPARE(h.tm.bytes(kList), gbkList({"平铺C:\\My Documents\\pics\\sea.jpg",
                                             "居中C:\\WINDOWS\\Clouds.bmp", "拉伸C:\\broken.jpg"}));
        h.clickCell(4, 1);
        QVERIFY(h.window->isMinimized());
        QCOMPARE(ReadRegStr(h.tm.machine(), w98::kHkeyCurrentUser, "Control Panel\\desktop", "Wallpaper"),
                 std::string("C:\\WINDOWS\\dest.bmp"));
        QCOMPARE(w98::CurrentWallpaper(h.tm.machine())->tile, std::string("1"));
        QVERIFY(h.tm.bytes("C:\\WINDOWS\\dest.bmp").starts_with("BM"));

        // A picture that cannot be decoded: the error shows, the desktop and the list stay.
        const std::string before = h.tm.bytes(kList);
        h.tm.machine().writeFile(kList, before + "\r\n"); // so that a rewrite would show
        h.clickCell(4, 3);
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QVERIFY(h.dialogs.messages()[0].text.contains(u8("C:\\broken.jpg")));
        QCOMPARE(h.tm.bytes(kList), before + "\r\n");
        QCOMPARE(w98::CurrentWallpaper(h.tm.machine())->wallpaper, std::string("C:\\WINDOWS\\dest.bmp"));

        h.clickCell(6, 2);
        QCOMPARE(QString::fromStdString(h.grid->table().cell(0, 2)), u8("3"));
        QCOMPARE(h.tm.bytes(kList), gbkList({"平铺C:\\My Documents\\pics\\sea.jpg", "拉伸C:\\broken.jpg"}));
        h.clickCell(6, 3); // the prompt row
        h.clickCell(0, 0); // the header row
        QCOMPARE(h.grid->table().rowCount(), 4);
    }

    // The second press of a double click would act on the row that moved up: one double
    // click, one deletion; the same for a style cell.
    void aDoubleClickDeletesOnePicture() {
        ArtHarness h;
        h.tm.machine().writeFile(kList, gbkList({"居中C:\\a.bmp", "平铺C:\\b.bmp", "拉伸C:\\c.bmp"}));
        h.openPanel();
        const QPoint at = cell(h.grid, 6, 1);
        hover(h.grid->viewport(), at);
        click(h.grid->viewport(), at);
        QTest::mouseDClick(h.grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(h.grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(h.grid->table().rowCount(), 4);
        QCOMPARE(h.tm.bytes(kList), gbkList({"平铺C:\\b.bmp", "拉伸C:\\c.bmp"}));
        QVERIFY(h.dialogs.messages().empty());
    }

    // A list file with a line the grid cannot read: the rest is listed, the user is told which
    // line, and the line survives the next save.
    void aListLineThatCannotBeReadIsNamedAndKept() {
        ArtHarness h;
        const std::string odd = w98::cp936::fromUtf8("居中") + "C:\\Caf\xE9.bmp";
        h.tm.machine().writeFile(kList, gbkList({"居中C:\\a.bmp"}) + odd + "\r\n" +
                                            w98::cp936::fromUtf8("平铺C:\\b.bmp") + "\r\n");
        h.openPanel();
        QCOMPARE(h.grid->table().rowCount(), 4);
        QCOMPARE(QString::fromStdString(h.path(2)), u8("C:\\b.bmp"));
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(h.dialogs.messages()[0].text,
                 u8("c:\\windows\\desk.dsk 中有 1 行无法读取（第 4 行，不是 GBK 文字），没有列在表中。"
                    "保存列表时，这些行原样保留在文件末尾。"));
        h.clickCell(6, 1);
        QCOMPARE(h.tm.bytes(kList), gbkList({"平铺C:\\b.bmp"}) + odd + "\r\n");
    }

    // A list file that cannot be read at all: the error says the file is kept, and it is,
    // beside the list, before the grid replaces it.
    void aListThatCannotBeReadIsCopiedAsideBeforeTheFirstSave() {
        ArtHarness h;
        const std::string huge = "3\r\n\r\n" + std::string(kMaxListFileBytes, 'x') + "\r\n";
        h.tm.machine().writeFile(kList, huge);
        h.openPanel();
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(h.dialogs.messages()[0].text,
                 u8("c:\\windows\\desk.dsk：墙纸列表文件太大，无法显示\n"
                    "列表中原有的图片没有显示出来。为免丢失，下次保存列表前，原来的列表文件会先另存为 "
                    "c:\\windows\\desk.bak。"));
        QVERIFY(!h.tm.machine().exists("C:\\WINDOWS\\desk.bak"));
        h.dialogs.setNextFile(u8("C:\\WINDOWS\\Clouds.bmp"));
        click(h.find<ui::CommandLabel>("Label59"));
        QVERIFY(h.tm.bytes("C:\\WINDOWS\\desk.bak") == huge);
        QCOMPARE(h.tm.bytes(kList), gbkList({"拉伸C:\\WINDOWS\\Clouds.bmp"}));
    }

    void startupSoundIsChosenPlayedAndReplayed() {
        ArtHarness h;
        auto& m = h.tm.machine();
        m.registry().setValue(w98::kHkeyUsers, kDefaultStartSoundKey,
                              {"", w98::reg_type::kSz, w98::regStringData("C:\\WINDOWS\\MEDIA\\start.wav")});
        h.openPanel();
        auto* memo = h.find<ui::Memo>("Memo10");
        h.dialogs.setNextFile({});
        click(h.find<ui::CommandLabel>("Label58"));
        h.dialogs.setNextFile(u8("C:\\WINDOWS\\MEDIA\\hello.wav"));
        click(h.find<ui::CommandLabel>("Label58"));
        QVERIFY(memo->isVisible());
        QVERIFY(!h.find<QWidget>("Panel13")->isVisible());
        QCOMPARE(h.dialogs.fileRequests().back().filter, u8("声音文件(*.wav)|*.wav"));
        const QStringList lines = memo->lines();
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[0],
                 u8("      "
                    "想让win98一开机就响起您最喜欢的声音吗？比如您的声音：‘你好！’，或是您最喜欢人的声音。"));
        QCOMPARE(lines[5], QString());
        QCOMPARE(lines[7], u8("      要试听，请放大喇叭，单击这里"));
        QCOMPARE(ReadStartupSound(m), std::string("C:\\WINDOWS\\MEDIA\\hello.wav"));
        click(memo->viewport(), {30, 30});
        QCOMPARE(
            w98::PlayedSounds(m),
            (std::vector<std::string>{"C:\\WINDOWS\\MEDIA\\start.wav", "C:\\WINDOWS\\MEDIA\\start.wav",
                                      "C:\\WINDOWS\\MEDIA\\hello.wav", "C:\\WINDOWS\\MEDIA\\hello.wav"}));
        QVERIFY(h.dialogs.messages().empty());
    }

    // A start-up sound that cannot be stored does not read as stored: the error shows, the
    // memo does not say it is done, and the registry keeps the sound it had.
    void aSoundThatCannotBeSavedDoesNotReadAsSaved() {
        ArtHarness h;
        auto& m = h.tm.machine();
        m.registry().setValue(w98::kHkeyUsers, kDefaultStartSoundKey,
                              {"", w98::reg_type::kSz, w98::regStringData("C:\\WINDOWS\\MEDIA\\start.wav")});
        h.dialogs.setNextFile(u8("C:\\WINDOWS\\MEDIA\\hello.wav"));
        {
            WritesFail full;
            click(h.find<ui::CommandLabel>("Label58"));
        }
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(h.dialogs.messages()[0].text, u8("Failed to set data for ''"));
        for (const QString& line : h.find<ui::Memo>("Memo10")->lines())
            QVERIFY2(!line.contains(u8("已完成更改")), qPrintable(line));
        QCOMPARE(ReadStartupSound(m), std::string("C:\\WINDOWS\\MEDIA\\start.wav"));
    }

    void dialogFiltersBecomeQtNameFilters() {
        QCOMPARE(ui::QtNameFilters(u8("All (*.jpg;*.bmp)|*.jpg;*.bmp|Bitmaps (*.bmp)|*.bmp")),
                 u8("All (*.jpg;*.bmp) (*.jpg *.bmp);;Bitmaps (*.bmp) (*.bmp)"));
        QCOMPARE(ui::QtNameFilters(u8("声音文件(*.wav)|*.wav")), u8("声音文件(*.wav) (*.wav)"));
        QCOMPARE(ui::QtNameFilters(u8("Text (*.txt)")), u8("Text (*.txt)"));
    }

    void withoutTheSoundKeysNothingIsCreated() {
        ArtHarness h;
        h.dialogs.setNextFile(u8("C:\\WINDOWS\\MEDIA\\hello.wav"));
        click(h.find<ui::CommandLabel>("Label58"));
        QVERIFY(!h.tm.machine().registry().keyExists(w98::kHkeyUsers, ".DEFAULT\\AppEvents"));
        QCOMPARE(h.find<ui::Memo>("Memo10")->lines().size(), 8);
        QVERIFY(h.dialogs.messages().empty());
    }
};

QTEST_MAIN(ArtPageTest)
#include "art_page_test.moc"
