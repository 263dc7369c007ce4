// Setting a picture of the list as the wallpaper: bitmaps as they are, JPEG pictures converted
// to dest.bmp as the reference decoder sees them, and damaged pictures that change nothing.
#include "cmyk_jpeg.h"
#include "desktop/apply_wallpaper.h"
#include "desktop/picture_size.h"
#include "desktop/wallpaper_list.h"
#include "pictures.h"
#include "platform/wallpaper.h"
#include "registry/registry.h"
#include "sysaccess/registry_values.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

using namespace korvane;
using namespace korvane::test;
namespace col = korvane::wallpaper_col;

namespace {

const std::string kDest = "C:\\WINDOWS\\dest.bmp";

std::string desktop(w98::Machine& m, const char* name) {
    return ReadRegStr(m, w98::kHkeyCurrentUser, kDesktopKey, name);
}

TextTable listOf(const std::string& path, const char* styleWord) {
    TextTable t = EmptyWallpaperTable();
    InsertPictureRows(t, {{path, WallpaperStyle::Centred}});
    for (int c = col::kCentred; c <= col::kStretched; ++c)
        t.setCell(c, 1, {});
    if (*styleWord)
        t.setCell(StyleColumn(*StyleFromWord(styleWord)), 1, styleWord);
    return t;
}

TEST(ApplyWallpaper, BitmapIsUsedAsItIsWithoutBeingRead) {
    TempMachine tm;
    auto& m = tm.machine();
    // Not even present: a bitmap's path goes to the desktop unread.
    EXPECT_EQ(ApplyWallpaper(m, listOf("C:\\WINDOWS\\SEA.BMP", "平铺"), 1, "C:\\WINDOWS"),
              "C:\\WINDOWS\\SEA.BMP");
    EXPECT_EQ(desktop(m, "Wallpaper"), "C:\\WINDOWS\\SEA.BMP");
    EXPECT_EQ(desktop(m, "TileWallpaper"), "1");
    EXPECT_EQ(desktop(m, "WallpaperStyle"), "0");
    EXPECT_FALSE(m.exists(kDest));
    const auto shown = w98::CurrentWallpaper(m);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->wallpaper, "C:\\WINDOWS\\SEA.BMP");
    EXPECT_EQ(shown->tile, "1");
}

TEST(ApplyWallpaper, JpegBecomesDestBmpWithTheRowsStyle) {
    TempMachine tm;
    auto& m = tm.machine();
    put(m, "C:\\photo.jpg", jpeg(33, 21));
    EXPECT_EQ(ApplyWallpaper(m, listOf("C:\\photo.jpg", "拉伸"), 1, "C:\\WINDOWS"), kDest);
    EXPECT_EQ(desktop(m, "Wallpaper"), kDest);
    EXPECT_EQ(desktop(m, "TileWallpaper"), "0");
    EXPECT_EQ(desktop(m, "WallpaperStyle"), "2");
    EXPECT_EQ(w98::CurrentWallpaper(m)->style, "2");
    const std::string bmp = tm.bytes(kDest);
    const PictureSize s = ParseBmpHeader(bmp, kDest);
    EXPECT_EQ(s.width, 33u);
    EXPECT_EQ(s.height, 21u);
    // Rows padded to four bytes; the colours are the picture's (x in red, blue 128).
    ASSERT_EQ(bmp.size(), 54u + 100u * 21u);
    const auto pixel = [&](int x, int yFromTop) {
        const std::size_t at =
            54 + 100 * static_cast<std::size_t>(20 - yFromTop) + 3 * static_cast<std::size_t>(x);
        return std::array<int, 3>{static_cast<unsigned char>(bmp[at]),
                                  static_cast<unsigned char>(bmp[at + 1]),
                                  static_cast<unsigned char>(bmp[at + 2])};
    };
    EXPECT_NEAR(pixel(30, 0)[2], 30, 6);
    EXPECT_NEAR(pixel(30, 0)[0], 128, 6);
    EXPECT_NEAR(pixel(2, 18)[1], 18, 6);
    EXPECT_EQ(bmp[54 + 99], '\0');

    // A row that lost its style word is centred.
    ApplyWallpaper(m, listOf("C:\\photo.jpg", ""), 1, "C:\\WINDOWS");
    EXPECT_EQ(desktop(m, "WallpaperStyle"), "0");
    EXPECT_EQ(desktop(m, "TileWallpaper"), "0");
}

// What libjpeg decodes whole is a wallpaper, with the pixels the reference decoder gives:
// stray bytes before the end marker (a warning raised once every block was read) and the
// CMYK and YCCK pictures of print software.
TEST(ApplyWallpaper, WholeJpegsBecomeDestBmpWithTheReferenceDecodersPixels) {
    TempMachine tm;
    auto& m = tm.machine();
    std::string stray = jpeg(40, 30);
    ASSERT_TRUE(stray.ends_with("\xFF\xD9"));
    stray.insert(stray.size() - 2, std::string(64, 'g'));
    const std::vector<std::pair<std::string, std::string>> pictures = {
        {"C:\\plain.jpg", jpeg(37, 23)},
        {"C:\\stray.jpg", stray},
        {"C:\\cmyk.jpg", cmykJpeg(45, 31, JCS_CMYK)},
        {"C:\\ycck.jpg", cmykJpeg(45, 31, JCS_YCCK)},
    };
    for (const auto& [path, bytes] : pictures) {
        SCOPED_TRACE(path);
        put(m, path, bytes);
        const std::string reference = djpegPixels(m.hostPath(path).string());
        ASSERT_FALSE(reference.empty());
        EXPECT_EQ(ApplyWallpaper(m, listOf(path, "拉伸"), 1, "C:\\WINDOWS"), kDest);
        EXPECT_TRUE(bmpPixels(tm.bytes(kDest)) == reference);
        EXPECT_EQ(desktop(m, "Wallpaper"), kDest);
    }
}

// What is not whole is refused, naming the file; dest.bmp and the desktop stay as they were.
TEST(ApplyWallpaper, APictureThatIsNotWholeIsRefusedByName) {
    TempMachine tm;
    auto& m = tm.machine();
    put(m, "C:\\good.jpg", jpeg(20, 20));
    ApplyWallpaper(m, listOf("C:\\good.jpg", "居中"), 1, "C:\\WINDOWS");
    const std::string before = tm.bytes(kDest);
    const std::string whole = cmykJpeg(64, 48, JCS_YCCK);
    put(m, "C:\\cut.jpg", whole.substr(0, whole.size() * 2 / 3));
    try {
        ApplyWallpaper(m, listOf("C:\\cut.jpg", "拉伸"), 1, "C:\\WINDOWS");
        FAIL() << "a cut picture became the wallpaper";
    } catch (const w98::Error& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("C:\\cut.jpg：JPEG 图片不完整或已损坏，不能用作墙纸（"))
            << e.what();
    }
    EXPECT_EQ(tm.bytes(kDest), before);
    EXPECT_EQ(desktop(m, "Wallpaper"), kDest);
    EXPECT_EQ(desktop(m, "WallpaperStyle"), "0");
}

TEST(ApplyWallpaper, DamagedJpegLeavesDestBmpAndTheDesktopAlone) {
    TempMachine tm;
    auto& m = tm.machine();
    put(m, "C:\\good.jpg", jpeg(20, 20));
    ApplyWallpaper(m, listOf("C:\\good.jpg", "居中"), 1, "C:\\WINDOWS");
    const std::string before = tm.bytes(kDest);
    const std::string whole = jpeg(64, 64);

    put(m, "C:\\truncated.jpg", whole.substr(0, whole.size() / 2));
    std::string corrupt = whole;
    for (std::size_t i = whole.find("\xFF\xDA") + 20; i < corrupt.size() - 2; i += 7)
        corrupt[i] = '\xFF';
    put(m, "C:\\corrupt.jpg", corrupt);
    put(m, "C:\\huge.jpg", jpegClaiming(whole, 60000, 60000));
    put(m, "C:\\text.jpg", "hello");
    for (const char* bad :
         {"C:\\truncated.jpg", "C:\\corrupt.jpg", "C:\\huge.jpg", "C:\\text.jpg", "C:\\gone.jpg"}) {
        EXPECT_THROW(ApplyWallpaper(m, listOf(bad, "拉伸"), 1, "C:\\WINDOWS"), w98::Error) << bad;
        EXPECT_EQ(tm.bytes(kDest), before) << bad;
        EXPECT_EQ(desktop(m, "WallpaperStyle"), "0") << bad;
    }
    // No temporary file is left beside it either.
    EXPECT_EQ(m.list("C:\\WINDOWS", "*.tmp").size(), 0u);
    std::size_t hidden = 0;
    for (const auto& e : std::filesystem::directory_iterator(m.hostPath("C:\\WINDOWS")))
        hidden += e.path().filename().string().starts_with(".") ? 1u : 0u;
    EXPECT_EQ(hidden, 0u);
}

} // namespace
