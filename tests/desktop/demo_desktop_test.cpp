// The demo machine's pictures and sounds are real files the wallpaper list and the start-up
// sound can use.
#include "demo/demo_machine.h"
#include "desktop/picture_folder.h"
#include "desktop/startup_sound.h"
#include "desktop/wallpaper_list.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <set>

using namespace korvane;

TEST(DemoMachine, PicturesOfEveryStyleAndAStartUpSound) {
    const auto dir = test::makeTempFolder("korvane-demo");
    w98::createDemoMachine(dir / "m");
    w98::Machine m(dir / "m");
    std::set<std::string> styles;
    for (const char* folder : {"C:\\WINDOWS", "C:\\My Documents"}) {
        TextTable t = EmptyWallpaperTable();
        const FolderAddResult r = AddPictureFolder(m, t, folder);
        EXPECT_TRUE(r.refused.empty());
        EXPECT_GE(r.added.size(), 4u);
        for (int row = 1; row < t.rowCount() - 1; ++row)
            styles.insert(StyleWord(*RowStyle(t, row)));
    }
    EXPECT_EQ(styles.size(), 3u);
    const std::string sound = ReadStartupSound(m);
    ASSERT_FALSE(sound.empty());
    const std::string wave = m.readFile(sound);
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(wave.substr(8, 4), "WAVE");
    std::filesystem::remove_all(dir);
}
