// Pictures and cabinets in the forms a real machine leaves them: a picture is measured or
// refused with the file untouched, a wallpaper bitmap is replaced only by a whole new one, and
// a damaged cabinet unpacks nothing over the files it would replace.
#include "broken_forms.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/text.h"
#include "desktop/apply_wallpaper.h"
#include "desktop/wallpaper_list.h"
#include "platform/registry_checker.h"
#include "restore/catalogue.h"
#include "tests/desktop/pictures.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

const std::string kDest = "C:\\WINDOWS\\dest.bmp";
constexpr std::uint8_t kHiddenReadOnly = w98::attr::kHidden | w98::attr::kReadOnly;

// Forms of a picture file: the sweep's, and a header that promises more than a machine holds.
std::vector<test::BrokenForm> pictureForms(const std::string& good, bool jpeg) {
    auto forms = test::brokenForms(good);
    if (jpeg)
        forms.push_back({"claiming 60000 by 60000", test::jpegClaiming(good, 60000, 60000)});
    else
        forms.push_back({"claiming 2^31 by 2^31", test::bmpOfSize(0x7FFFFFFF, -0x7FFFFFFF, 54)});
    return forms;
}

} // namespace

TEST(BrokenPictures, APictureIsMeasuredOrRefusedAndLeftAsItWas) {
    for (const bool jpeg : {true, false}) {
        const std::string path = jpeg ? "C:\\PIC.JPG" : "C:\\PIC.BMP";
        const std::string good = jpeg ? test::jpeg(40, 30) : w98::demo::MakeBmp(40, 30, test::plain());
        for (const auto& form : pictureForms(good, jpeg)) {
            SCOPED_TRACE(path + ": " + form.name);
            TempMachine tm;
            auto& m = tm.machine();
            m.writeFile(path, form.bytes, kHiddenReadOnly);
            try {
                PreparePicture(m, path);
            } catch (const w98::Error& e) {
                EXPECT_TRUE(w98::containsNoCase(e.what(), path)) << e.what();
                EXPECT_EQ(m.attributes(path), kHiddenReadOnly);
            }
            EXPECT_EQ(tm.bytes(path), form.bytes);
        }
    }
}

TEST(BrokenPictures, TheWallpaperBitmapIsReplacedWholeOrNotAtAll) {
    const std::string good = test::jpeg(40, 30);
    for (const auto& form : pictureForms(good, true)) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        auto& m = tm.machine();
        m.writeFile("C:\\PIC.JPG", form.bytes);
        const std::string old = w98::demo::MakeBmp(3, 2, test::plain());
        m.writeFile(kDest, old);
        try {
            ConvertJpegToBitmap(m, "C:\\PIC.JPG", kDest);
            EXPECT_EQ(ParseBmpHeader(tm.bytes(kDest), kDest).width, 40u);
            EXPECT_EQ(tm.bytes(kDest).size(), 54u + 120u * 30u);
        } catch (const w98::Error& e) {
            EXPECT_TRUE(w98::containsNoCase(e.what(), "C:\\PIC.JPG")) << e.what();
            EXPECT_EQ(tm.bytes(kDest), old);
        }
        EXPECT_EQ(test::leftoverTemporaries(m.hostPath("C:\\WINDOWS")), 0);
    }
}

TEST(BrokenPictures, AFolderOrNothingWhereThePictureShouldBe) {
    TempMachine tm;
    auto& m = tm.machine();
    for (const std::string path : {"C:\\DIR.JPG", "C:\\DIR.BMP"}) {
        test::folderInPlaceOf(m, path);
        EXPECT_THROW(PreparePicture(m, path), w98::Error);
        EXPECT_TRUE(test::folderStillHolds(m, path));
    }
    EXPECT_THROW(PreparePicture(m, "C:\\GONE.JPG"), w98::IoError);
    EXPECT_THROW(ConvertJpegToBitmap(m, "C:\\GONE.JPG", kDest), w98::IoError);
    EXPECT_FALSE(m.exists(kDest));
}

TEST(BrokenCabinets, ADamagedCabinetUnpacksNothingOverTheFiles) {
    TempMachine source;
    source.machine().writeTextLines("C:\\WINDOWS\\win.ini", {"[windows]", "load="});
    const std::string cabinet = source.bytes(w98::backupRegistry(source.machine()));
    auto forms = test::brokenForms(cabinet);
    forms.push_back({"a text file", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n"});
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        auto& m = tm.machine();
        m.writeFile("C:\\RB000.CAB", form.bytes);
        m.createDirectories("C:\\OUT");
        m.writeFile("C:\\OUT\\system.dat", "old system");
        const std::string out =
            test::runProgram(m, "extract", {"/y", "/e", "/l", "C:\\OUT", "C:\\RB000.CAB"});
        const std::string now = tm.bytes("C:\\OUT\\system.dat");
        if (now != "old system") // whole and new, from a cabinet that was still sound
            EXPECT_EQ(now, source.bytes("C:\\WINDOWS\\SYSTEM.DAT")) << out;
        else
            EXPECT_NE(out.find("Nothing was extracted"), std::string::npos) << out;
        EXPECT_EQ(test::leftoverTemporaries(m.hostPath("C:\\OUT")), 0);
    }
}

TEST(BrokenCabinets, TheCatalogueListsCabinetsByNameAndPassesOverWhatItCannotRead) {
    TempMachine tm;
    auto& m = tm.machine();
    const std::string folder = "C:\\WINDOWS\\SYSBCKUP";
    m.createDirectories(folder);
    m.writeFile(folder + "\\RB000.CAB", "not a cabinet");
    m.createDirectories(folder + "\\RB001.CAB");
    RestoreCatalogue listed;
    ScanCabFolder(m, "C:\\WINDOWS", folder, listed);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].fileName, "RB000.CAB");

    // A file where the folder should be, and a folder that cannot be opened.
    m.writeFile("C:\\WINDOWS\\SYSBCKUP\\OLD", "a file");
    RestoreCatalogue none;
    ScanCabFolder(m, "C:\\WINDOWS", folder + "\\OLD", none);
    std::filesystem::create_symlink("LOOP", m.hostPath(folder) / "LOOP");
    ScanCabFolder(m, "C:\\WINDOWS", folder + "\\LOOP", none);
    EXPECT_TRUE(none.empty());
}
