// The machine's text files the program reads and replaces (scanreg.ini, win.ini, desk.dsk) in the forms a
// real machine leaves them: each reader gives its designed result or an error naming the file, and each file
// is afterwards either as it was or wholly new.
#include "broken_forms.h"

#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/text.h"
#include "desktop/wallpaper_list.h"
#include "platform/registry_checker.h"
#include "restore/scanreg_ini.h"
#include "startup/startup_catalogue.h"
#include "startup/startup_removal.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

const std::string kScanreg = "C:\\WINDOWS\\scanreg.ini";
const std::string kWinIni = "C:\\WINDOWS\\win.ini";
const std::string kDesk = kWallpaperListFile;
const std::string kRestore1 = "C:\\WINDOWS\\sysbckup\\restore1";

void putRaw(TempMachine& tm, const std::string& file, const std::string& bytes) {
    std::ofstream(tm.machine().hostPath(file), std::ios::binary | std::ios::trunc) << bytes;
}

std::string text(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += w98::cp936::fromUtf8(l) + "\r\n";
    return out;
}

bool names(const std::exception& e, const std::string& file) {
    return w98::containsNoCase(e.what(), file);
}

// Runs an action that reads and may replace file: it must succeed or fail naming the file,
// and when it fails the file must be as it was.
template <typename F> void succeedsOrNamesAndKeeps(TempMachine& tm, const std::string& file, F&& action) {
    const std::string before = tm.bytes(file);
    try {
        action();
    } catch (const w98::Error& e) {
        EXPECT_TRUE(names(e, file)) << e.what();
        EXPECT_EQ(tm.bytes(file), before);
    }
    EXPECT_EQ(test::leftoverTemporaries(tm.machine().hostPath(file).parent_path()), 0);
}

} // namespace

TEST(BrokenScanregIni, StartUpWritesTheSettingsWholeOverAnyContent) {
    for (const auto& form : test::brokenForms(text(ScanregTemplate()))) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        putRaw(tm, kScanreg, form.bytes);
        WriteScanregTemplate(tm.machine(), "C:\\WINDOWS");
        EXPECT_EQ(tm.machine().readTextLines(kScanreg), ScanregTemplate());
    }
}

TEST(BrokenScanregIni, TheEditGivesTheCheckerItsSettingsOrChangesNothing) {
    for (const auto& form : test::brokenForms(text(ScanregTemplate()))) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        putRaw(tm, kScanreg, form.bytes);
        bool edited = false;
        succeedsOrNamesAndKeeps(tm, kScanreg, [&] {
            EditScanregIni(tm.machine(), kScanreg, 3, kRestore1);
            edited = true;
        });
        if (!edited)
            continue;
        const w98::CheckerSettings s = w98::readCheckerSettings(tm.machine());
        EXPECT_EQ(s.maxBackupCopies, 3);
        EXPECT_EQ(s.backupFolder, kRestore1);
    }
}

TEST(BrokenScanregIni, TheCheckerKeepsItsSettingsInBoundsOrNamesTheFile) {
    auto forms = test::brokenForms(text(ScanregTemplate()));
    forms.push_back({"settings out of bounds",
                     "MaxBackupCopies=0\r\nMaxBackupCopies=-5\r\nMaxBackupCopies=99999999999\r\n"
                     "BackupDirectory=sysbckup\r\nFiles=10,..\\..\\AUTOEXEC.BAT,a:b,,\r\n"});
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        putRaw(tm, kScanreg, form.bytes);
        try {
            const w98::CheckerSettings s = w98::readCheckerSettings(tm.machine());
            EXPECT_GE(s.maxBackupCopies, 1);
            EXPECT_LE(s.maxBackupCopies, 99);
            EXPECT_EQ(s.backupFolder, w98::Machine::normalize(s.backupFolder));
            for (const auto& file : s.extraFiles)
                EXPECT_EQ(file.find_first_of("/:", 2), std::string::npos) << file;
        } catch (const w98::FormatError& e) {
            EXPECT_TRUE(names(e, kScanreg)) << e.what();
        }
        EXPECT_EQ(tm.bytes(kScanreg), form.bytes);
    }
}

TEST(BrokenScanregIni, AFolderOrAReadOnlyFileIsNeverReplaced) {
    TempMachine folder;
    test::folderInPlaceOf(folder.machine(), kScanreg);
    for (auto action : {+[](w98::Machine& m) { WriteScanregTemplate(m, "C:\\WINDOWS"); },
                        +[](w98::Machine& m) { EditScanregIni(m, kScanreg, 3, kRestore1); }}) {
        try {
            action(folder.machine());
            FAIL() << "a folder was taken for the settings file";
        } catch (const w98::IoError& e) {
            EXPECT_TRUE(names(e, kScanreg)) << e.what();
        }
    }
    EXPECT_TRUE(test::folderStillHolds(folder.machine(), kScanreg));
    // The checker makes its backups with its defaults then.
    EXPECT_EQ(w98::readCheckerSettings(folder.machine()).backupFolder, "C:\\WINDOWS\\sysbckup");

    TempMachine readOnly;
    WriteScanregTemplate(readOnly.machine(), "C:\\WINDOWS");
    readOnly.machine().setAttributes(kScanreg, w98::attr::kReadOnly);
    const std::string before = readOnly.bytes(kScanreg);
    EXPECT_THROW(WriteScanregTemplate(readOnly.machine(), "C:\\WINDOWS"), w98::IoError);
    EXPECT_THROW(EditScanregIni(readOnly.machine(), kScanreg, 3, kRestore1), w98::IoError);
    EXPECT_EQ(readOnly.bytes(kScanreg), before);
}

// Only the load= lines matter to the startup list: whatever else the file holds is listed
// around and written back byte for byte.
TEST(BrokenWinIni, TheStartupListReadsAnyContentAndEmptyingKeepsEveryOtherLineByteForByte) {
    const std::string good =
        text({"[windows]", "load=C:\\AGENT.EXE", "run=", "", "[Desktop]", "Wallpaper=(无)"});
    for (const auto& form : test::brokenForms(good)) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        putRaw(tm, kWinIni, form.bytes);
        BuildStartupCatalogue(tm.machine(), "C:\\WINDOWS");
        EmptyWinIniLoadLines(tm.machine(), kWinIni);
        const auto before = w98::splitLines(form.bytes);
        const auto after = w98::splitLines(tm.bytes(kWinIni));
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(after[i], w98::containsNoCase(before[i], "load=") ? "load=" : before[i]);
        EXPECT_EQ(test::leftoverTemporaries(tm.machine().hostPath(kWinIni).parent_path()), 0);
    }
}

TEST(BrokenWinIni, AMissingFileOrAFolderIsReportedAndAReadOnlyFileKept) {
    TempMachine missing;
    EXPECT_THROW(BuildStartupCatalogue(missing.machine(), "C:\\WINDOWS"), w98::IoError);
    EXPECT_FALSE(missing.machine().exists(kWinIni));

    TempMachine folder;
    test::folderInPlaceOf(folder.machine(), kWinIni);
    EXPECT_THROW(BuildStartupCatalogue(folder.machine(), "C:\\WINDOWS"), w98::IoError);
    EXPECT_THROW(EmptyWinIniLoadLines(folder.machine(), kWinIni), w98::IoError);
    EXPECT_TRUE(test::folderStillHolds(folder.machine(), kWinIni));

    TempMachine readOnly;
    readOnly.machine().writeTextLines(kWinIni, {"[windows]", "load=a.exe"});
    readOnly.machine().setAttributes(kWinIni, w98::attr::kReadOnly);
    const std::string before = readOnly.bytes(kWinIni);
    EXPECT_THROW(EmptyWinIniLoadLines(readOnly.machine(), kWinIni), w98::IoError);
    EXPECT_EQ(readOnly.bytes(kWinIni), before);
}

TEST(BrokenWallpaperList, TheGridLoadsOrStaysAsItWasAndTheFileIsKept) {
    const std::string good = text({"3", "", "居中C:\\WINDOWS\\云彩.bmp", "平铺C:\\WINDOWS\\Setup.bmp"});
    for (const auto& form : test::brokenForms(good)) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        putRaw(tm, kDesk, form.bytes);
        TextTable grid = EmptyWallpaperTable();
        InsertPictureRows(grid, {{"C:\\KEEP.BMP", WallpaperStyle::Centred}});
        const TextTable before = grid;
        try {
            LoadWallpaperList(tm.machine(), grid);
        } catch (const w98::Error& e) {
            EXPECT_TRUE(names(e, kDesk)) << e.what();
            EXPECT_EQ(grid, before);
        }
        EXPECT_EQ(tm.bytes(kDesk), form.bytes);
        EXPECT_EQ(grid.cell(wallpaper_col::kPath, grid.rowCount() - 1), kWallpaperPrompt);
    }
}

TEST(BrokenWallpaperList, TooLargeAFileAFolderOrAReadOnlyFileChangesNeitherGridNorFile) {
    TempMachine large;
    putRaw(large, kDesk, "3\r\n\r\n" + std::string(kMaxListFileBytes, 'x'));
    TextTable grid = EmptyWallpaperTable();
    EXPECT_THROW(LoadWallpaperList(large.machine(), grid), w98::Error);
    EXPECT_EQ(grid, EmptyWallpaperTable());

    TempMachine folder;
    test::folderInPlaceOf(folder.machine(), kDesk);
    EXPECT_THROW(LoadWallpaperList(folder.machine(), grid), w98::IoError);
    EXPECT_THROW(SaveWallpaperList(folder.machine(), grid), w98::IoError);
    EXPECT_TRUE(test::folderStillHolds(folder.machine(), kDesk));

    TempMachine readOnly;
    readOnly.machine().writeTextLines(kDesk, {"3", "", "居中C:\\A.BMP"});
    readOnly.machine().setAttributes(kDesk, w98::attr::kReadOnly);
    const std::string before = readOnly.bytes(kDesk);
    InsertPictureRows(grid, {{"C:\\B.BMP", WallpaperStyle::Tiled}});
    EXPECT_THROW(SaveWallpaperList(readOnly.machine(), grid), w98::IoError);
    EXPECT_EQ(readOnly.bytes(kDesk), before);
}

TEST(MissingWindowsFolder, EveryFileIsReportedAndNothingIsCreated) {
    TempMachine tm;
    auto& m = tm.machine();
    std::filesystem::remove_all(m.hostPath("C:\\WINDOWS"));
    EXPECT_THROW(WriteScanregTemplate(m, "C:\\WINDOWS"), w98::IoError);
    EXPECT_THROW(EditScanregIni(m, kScanreg, 3, kRestore1), w98::IoError);
    EXPECT_EQ(w98::readCheckerSettings(m).maxBackupCopies, 5);
    EXPECT_THROW(BuildStartupCatalogue(m, "C:\\WINDOWS"), w98::IoError);
    EXPECT_THROW(EmptyWinIniLoadLines(m, kWinIni), w98::IoError);
    TextTable grid = EmptyWallpaperTable();
    InsertPictureRows(grid, {{"C:\\KEEP.BMP", WallpaperStyle::Centred}});
    const TextTable before = grid;
    LoadWallpaperList(m, grid); // no list file: the grid keeps its rows
    EXPECT_EQ(grid, before);
    EXPECT_THROW(SaveWallpaperList(m, grid), w98::IoError);
    EXPECT_FALSE(m.exists("C:\\WINDOWS"));
}
