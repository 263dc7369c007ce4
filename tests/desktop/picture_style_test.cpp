// Measuring pictures from their headers and the style proposed for them.
#include "desktop/picture_size.h"
#include "desktop/wallpaper_style.h"
#include "pictures.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

struct StyleCase {
    int width, height;
    std::size_t bytes;
    WallpaperStyle expected;
};

class ProposedStyle : public ::testing::TestWithParam<StyleCase> {};

TEST_P(ProposedStyle, FollowsSizeThenProportions) {
    TempMachine tm;
    const StyleCase c = GetParam();
    put(tm.machine(), "C:\\p.bmp", bmpOfSize(c.width, c.height, c.bytes));
    const PictureSize size = MeasurePicture(tm.machine(), "C:\\p.bmp");
    EXPECT_EQ(size.width, static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(ChooseWallpaperStyle(tm.machine(), "C:\\p.bmp", size), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProposedStyle,
    ::testing::Values(StyleCase{800, 600, 19999, WallpaperStyle::Tiled}, // small: tiled whatever the shape
                      StyleCase{800, 600, 20000, WallpaperStyle::Stretched},
                      StyleCase{1024, 768, 30000, WallpaperStyle::Stretched},  // 0.75
                      StyleCase{1280, 1024, 30000, WallpaperStyle::Stretched}, // 0.8
                      StyleCase{1000, 900, 30000, WallpaperStyle::Centred},    // exactly 0.9
                      StyleCase{1000, 899, 30000, WallpaperStyle::Stretched},
                      StyleCase{1000, 600, 30000, WallpaperStyle::Centred}, // exactly 0.6
                      StyleCase{1000, 601, 30000, WallpaperStyle::Stretched},
                      StyleCase{1920, 1080, 30000, WallpaperStyle::Centred}, // 0.5625
                      StyleCase{500, 500, 30000, WallpaperStyle::Centred},
                      StyleCase{600, 900, 30000, WallpaperStyle::Centred})); // portrait

TEST(MeasurePicture, JpegSizeComesFromTheHeaderAlone) {
    TempMachine tm;
    std::string j = jpeg(320, 200);
    // Only the header survives: measuring still works because it never reads the picture data.
    const std::size_t sos = j.find("\xFF\xDA");
    put(tm.machine(), "C:\\cut.JPG", j.substr(0, sos + 20));
    const PictureSize s = MeasurePicture(tm.machine(), "C:\\cut.JPG");
    EXPECT_EQ(s.width, 320u);
    EXPECT_EQ(s.height, 200u);
    put(tm.machine(), "C:\\huge.jpg", jpegClaiming(j, 65000, 60000));
    EXPECT_EQ(MeasurePicture(tm.machine(), "C:\\huge.jpg").width, 65000u);
}

TEST(MeasurePicture, BitmapHeaderForms) {
    TempMachine tm;
    put(tm.machine(), "C:\\a.bmp", w98::demo::MakeBmp(7, 3, plain()));
    EXPECT_EQ(MeasurePicture(tm.machine(), "C:\\a.bmp").height, 3u);
    // A top-down bitmap stores its height negative.
    std::string topDown = bmpOfSize(40, -30, 100);
    put(tm.machine(), "C:\\b.bmp", topDown);
    EXPECT_EQ(MeasurePicture(tm.machine(), "C:\\b.bmp").height, 30u);
    // The old core header: 16-bit width and height.
    std::string core =
        "BM" + std::string(12, '\0') + std::string("\x0c\0\0\0\x20\x03\x58\x02\x01\0\x18\0", 12);
    put(tm.machine(), "C:\\c.bmp", core);
    const PictureSize s = MeasurePicture(tm.machine(), "C:\\c.bmp");
    EXPECT_EQ(s.width, 800u);
    EXPECT_EQ(s.height, 600u);
}

TEST(MeasurePicture, DamagedOrForeignFilesAreErrorsNamingTheFile) {
    TempMachine tm;
    auto& m = tm.machine();
    const std::string j = jpeg(16, 16);
    put(m, "C:\\empty.jpg", "");
    put(m, "C:\\text.jpg", "not a picture at all");
    put(m, "C:\\noframe.jpg", j.substr(0, 20));
    put(m, "C:\\short.bmp", "BM\x10");
    put(m, "C:\\zero.bmp", bmpOfSize(0, 10, 60));
    put(m, "C:\\flat.bmp", bmpOfSize(10, 0, 60));
    put(m, "C:\\min.bmp", bmpOfSize(10, INT32_MIN, 60));
    put(m, "C:\\jpeg.bmp", j);
    for (const char* bad :
         {"C:\\empty.jpg", "C:\\text.jpg", "C:\\noframe.jpg", "C:\\short.bmp", "C:\\zero.bmp", "C:\\flat.bmp",
          "C:\\min.bmp", "C:\\jpeg.bmp", "C:\\missing.jpg", "C:\\x.gif"}) {
        try {
            MeasurePicture(m, bad);
            ADD_FAILURE() << bad << " was measured";
        } catch (const w98::Error& e) {
            EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
        }
    }
}

TEST(PictureKindOf, GoesByTheExtensionOnly) {
    EXPECT_EQ(PictureKindOf("C:\\A.JPG"), PictureKind::Jpeg);
    EXPECT_EQ(PictureKindOf("C:\\a.Bmp"), PictureKind::Bitmap);
    EXPECT_EQ(PictureKindOf("C:\\a.jpeg"), PictureKind::Other);
    EXPECT_EQ(PictureKindOf("C:\\x.bmp.files\\sea.jpg"), PictureKind::Jpeg);
    EXPECT_EQ(PictureKindOf("C:\\x.jpg\\readme"), PictureKind::Other);
}

} // namespace
