// The wallpaper grid's table and the list file desk.dsk: loading, inserting, deleting, styles.
#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "desktop/picture_folder.h"
#include "desktop/wallpaper_list.h"
#include "pictures.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;
namespace col = korvane::wallpaper_col;

namespace {

const std::string kList = "C:\\WINDOWS\\desk.dsk";

std::string gbk(const std::string& utf8) {
    return w98::cp936::fromUtf8(utf8);
}

// The list file's bytes for lines given in UTF-8.
std::string listBytes(const std::vector<std::string>& pictureLines) {
    std::string s = "3\r\n\r\n";
    for (const auto& l : pictureLines)
        s += gbk(l) + "\r\n";
    return s;
}

std::vector<std::string> column(const TextTable& t, int c) {
    std::vector<std::string> out;
    for (int r = 1; r < t.rowCount(); ++r)
        out.push_back(t.cell(c, r));
    return out;
}

class WallpaperList : public ::testing::Test {
  protected:
    TempMachine tm;
    w98::Machine& m = tm.machine();
    TextTable t = EmptyWallpaperTable();

    void SetUp() override {
        m.createDirectories("C:\\My Documents");
        put(m, "C:\\My Documents\\sea.jpg", jpeg(800, 600) + std::string(20000, '\0'));
        put(m, "C:\\WINDOWS\\Clouds.bmp", bmpOfSize(640, 480, 30000));
        put(m, "C:\\WINDOWS\\Tile.bmp", bmpOfSize(32, 32, 3126));
        put(m, "C:\\WINDOWS\\Wide.BMP", bmpOfSize(1920, 1080, 40000));
    }
};

TEST_F(WallpaperList, EmptyGridHasHeadersAndThePromptRow) {
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.row(0), (std::vector<std::string>{"数目", "居中", "平铺", "拉伸", "预览", "图片", "删除"}));
    EXPECT_EQ(t.cell(col::kPath, 1), kWallpaperPrompt);
}

TEST_F(WallpaperList, InsertNumbersEveryRowAndTheListFileFollows) {
    InsertPicture(m, t, "C:\\WINDOWS\\Clouds.bmp");
    InsertPicture(m, t, "C:\\My Documents\\sea.jpg");
    SaveWallpaperList(m, t);
    EXPECT_EQ(tm.bytes(kList), listBytes({"拉伸C:\\My Documents\\sea.jpg", "拉伸C:\\WINDOWS\\Clouds.bmp"}));

    InsertPicture(m, t, "C:\\WINDOWS\\Tile.bmp");
    EXPECT_EQ(column(t, col::kNumber), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(t.row(1),
              (std::vector<std::string>{"1", "", "平铺", "", "预览", "C:\\WINDOWS\\Tile.bmp", "删除"}));
    EXPECT_EQ(t.cell(col::kPath, 4), kWallpaperPrompt);
    SaveWallpaperList(m, t);
    EXPECT_EQ(tm.bytes(kList), listBytes({"平铺C:\\WINDOWS\\Tile.bmp", "拉伸C:\\My Documents\\sea.jpg",
                                          "拉伸C:\\WINDOWS\\Clouds.bmp"}));
}

TEST_F(WallpaperList, DeleteKeepsNumbersUntilTheListIsLoadedAgain) {
    for (const char* p : {"C:\\WINDOWS\\Clouds.bmp", "C:\\My Documents\\sea.jpg", "C:\\WINDOWS\\Wide.BMP"})
        InsertPicture(m, t, p);
    DeletePictureRow(t, 2);
    EXPECT_EQ(column(t, col::kNumber), (std::vector<std::string>{"1", "3", "4"}));
    SaveWallpaperList(m, t);
    EXPECT_EQ(tm.bytes(kList), listBytes({"居中C:\\WINDOWS\\Wide.BMP", "拉伸C:\\WINDOWS\\Clouds.bmp"}));
    LoadWallpaperList(m, t);
    EXPECT_EQ(column(t, col::kNumber), (std::vector<std::string>{"1", "2", ""}));

    DeletePictureRow(t, 1);
    DeletePictureRow(t, 1);
    SaveWallpaperList(m, t);
    EXPECT_EQ(tm.bytes(kList), "3\r\n\r\n");
    EXPECT_EQ(t.rowCount(), 2);
}

TEST_F(WallpaperList, ChangingTheStyleMovesTheWord) {
    InsertPicture(m, t, "C:\\WINDOWS\\Wide.BMP");
    ASSERT_EQ(t.cell(col::kCentred, 1), "居中");
    SetRowStyle(t, 1, WallpaperStyle::Tiled);
    EXPECT_EQ(t.cell(col::kCentred, 1), "");
    EXPECT_EQ(t.cell(col::kTiled, 1), "平铺");
    EXPECT_EQ(RowStyle(t, 1), WallpaperStyle::Tiled);
    SaveWallpaperList(m, t);
    EXPECT_EQ(tm.bytes(kList), listBytes({"平铺C:\\WINDOWS\\Wide.BMP"}));
}

TEST_F(WallpaperList, LoadMatchesFourBytesAndCutsThemWhateverTheyHold) {
    const std::string file = "whatever\r\n\r\n" + gbk("拉伸C:\\海.jpg") + "\r\n" + "C:\\WINDOWS\\x.bmp\r\n" +
                             gbk("平铺C:\\t.bmp") + "\n" + gbk("居中");
    m.writeFile(kList, file);
    t.setRowCount(9); // a longer list shown before
    t.setCell(col::kDelete, 8, "删除");
    LoadWallpaperList(m, t);
    ASSERT_EQ(t.rowCount(), 6);
    EXPECT_EQ(t.row(1), (std::vector<std::string>{"1", "", "", "拉伸", "预览", "C:\\海.jpg", "删除"}));
    EXPECT_EQ(t.row(2), (std::vector<std::string>{"2", "", "", "", "预览", "INDOWS\\x.bmp", "删除"}));
    EXPECT_FALSE(RowStyle(t, 2).has_value());
    EXPECT_EQ(t.cell(col::kTiled, 3), "平铺");
    EXPECT_EQ(t.cell(col::kPath, 4), "");
    EXPECT_EQ(t.row(5), (std::vector<std::string>{"", "", "", "", "", kWallpaperPrompt, ""}));
}

TEST_F(WallpaperList, ShortListFilesListNothingAndAMissingOneKeepsTheRows) {
    InsertPicture(m, t, "C:\\WINDOWS\\Tile.bmp");
    LoadWallpaperList(m, t); // no list file yet
    EXPECT_EQ(t.cell(col::kPath, 1), "C:\\WINDOWS\\Tile.bmp");
    EXPECT_EQ(t.cell(col::kPath, 2), kWallpaperPrompt);
    for (const std::string& bytes : {std::string(), std::string("3\r\n")}) {
        m.writeFile(kList, bytes);
        LoadWallpaperList(m, t);
        EXPECT_EQ(t.rowCount(), 2);
        EXPECT_EQ(t.cell(col::kPath, 1), kWallpaperPrompt);
    }
}

// A line another tool wrote, or whose four-byte cut leaves half a double-byte character, is
// not shown; every other line is, and the lines set aside go back into the file at each save.
TEST_F(WallpaperList, LinesThatCannotBeReadAreSetAsideAndKeptAtEverySave) {
    const std::string half = "C:\\" + gbk("海") + "\xFF";
    const std::string latin1 = gbk("居中") + "C:\\Caf\xE9.bmp";
    m.writeFile(kList, "3\r\n\r\n" + gbk("拉伸C:\\a.bmp") + "\r\n" + half + "\r\n" + gbk("平铺C:\\b.bmp") +
                           "\r\n" + latin1 + "\r\n");
    const WallpaperListLoad load = LoadWallpaperList(m, t);
    EXPECT_EQ(column(t, col::kPath), (std::vector<std::string>{"C:\\a.bmp", "C:\\b.bmp", kWallpaperPrompt}));
    EXPECT_EQ(load.unreadableLines, (std::vector<std::size_t>{4, 6}));
    EXPECT_EQ(UnreadableLinesMessage(load),
              "c:\\windows\\desk.dsk 中有 2 行无法读取（第 4、6 行，不是 GBK 文字），没有列在表中。"
              "保存列表时，这些行原样保留在文件末尾。");

    DeletePictureRow(t, 1);
    SaveWallpaperList(m, t, load.kept);
    EXPECT_EQ(tm.bytes(kList), "3\r\n\r\n" + gbk("平铺C:\\b.bmp") + "\r\n" + half + "\r\n" + latin1 + "\r\n");
    EXPECT_EQ(UnreadableLinesMessage(LoadWallpaperList(m, t)),
              "c:\\windows\\desk.dsk 中有 2 行无法读取（第 4、5 行，不是 GBK 文字），没有列在表中。"
              "保存列表时，这些行原样保留在文件末尾。");
    EXPECT_EQ(UnreadableLinesMessage(WallpaperListLoad{}), "");
}

// A list file that cannot be read at all is copied aside whole before the grid replaces it.
TEST_F(WallpaperList, AListThatCannotBeReadIsKeptBesideItBeforeItIsReplaced) {
    EXPECT_EQ(KeepRefusedWallpaperList(m), "");
    EXPECT_FALSE(m.exists("C:\\WINDOWS\\desk.bak"));
    const std::string file = "3\r\n\r\n" + std::string(100, 'x') + "\r\n";
    m.writeFile(kList, file);
    EXPECT_EQ(KeepRefusedWallpaperList(m), "c:\\windows\\desk.bak");
    EXPECT_EQ(tm.bytes("C:\\WINDOWS\\desk.bak"), file);
}

TEST_F(WallpaperList, PicturesThatCannotBeUsedAreRefusedUntouched) {
    put(m, "C:\\broken.jpg", "\xFF\xD8garbage");
    m.setAttributes("C:\\broken.jpg", w98::attr::kReadOnly | w98::attr::kHidden);
    put(m, "C:\\photo.jpeg", jpeg(8, 8));
    put(m, "C:\\ok.bmp", bmpOfSize(10, 10, 100));
    m.setAttributes("C:\\ok.bmp", w98::attr::kReadOnly | w98::attr::kSystem);
    EXPECT_THROW(InsertPicture(m, t, "C:\\broken.jpg"), w98::Error);
    EXPECT_THROW(InsertPicture(m, t, "C:\\photo.jpeg"), w98::Error);
    EXPECT_EQ(t, EmptyWallpaperTable());
    EXPECT_EQ(m.attributes("C:\\broken.jpg"), w98::attr::kReadOnly | w98::attr::kHidden);
    InsertPicture(m, t, "C:\\ok.bmp");
    EXPECT_EQ(m.attributes("C:\\ok.bmp"), w98::attr::kArchive);
}

TEST_F(WallpaperList, FolderAddsJpgAndBmpOnlyLastFoundOnTop) {
    const std::string dir = "C:\\My Documents\\pics";
    m.createDirectories(dir + "\\sub.jpg");
    put(m, dir + "\\a.jpg", jpeg(40, 30));
    put(m, dir + "\\b.BMP", bmpOfSize(40, 30, 500));
    put(m, dir + "\\c.gif", "GIF89a");
    put(m, dir + "\\notes.txt", "x");
    put(m, dir + "\\d.jpg", "damaged");
    InsertPicture(m, t, "C:\\WINDOWS\\Tile.bmp");
    const FolderAddResult r = AddPictureFolder(m, t, dir);
    EXPECT_EQ(r.added, (std::vector<std::string>{dir + "\\a.jpg", dir + "\\b.BMP"}));
    ASSERT_EQ(r.refused.size(), 1u);
    EXPECT_NE(r.refused[0].find("d.jpg"), std::string::npos);
    EXPECT_EQ(column(t, col::kPath), (std::vector<std::string>{dir + "\\b.BMP", dir + "\\a.jpg",
                                                               "C:\\WINDOWS\\Tile.bmp", kWallpaperPrompt}));
    EXPECT_EQ(column(t, col::kNumber), (std::vector<std::string>{"1", "2", "3", "4"}));
    // A drive's root is not given a second backslash.
    put(m, "C:\\root.bmp", bmpOfSize(4, 4, 200));
    EXPECT_EQ(CollectPictureFiles(m, "C:\\"), (std::vector<std::string>{"C:\\root.bmp"}));
}

} // namespace
