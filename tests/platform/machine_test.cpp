#include "platform/dos_attributes.h"
#include "platform/error.h"
#include "platform/machine.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <fstream>

using korvane::test::TempMachine;
namespace fs = std::filesystem;

TEST(MachinePaths, NormalizeFoldsSeparatorsAndDots) {
    EXPECT_EQ(w98::Machine::normalize("c:/windows\\\\system\\..\\X"), "C:\\windows\\X");
    EXPECT_EQ(w98::Machine::normalize("C:\\"), "C:\\");
    EXPECT_EQ(w98::Machine::normalize("d:"), "D:\\");
    EXPECT_THROW(w98::Machine::normalize("WINDOWS\\X"), w98::Error);
    EXPECT_THROW(w98::Machine::normalize(""), w98::Error);
}

TEST(MachinePaths, LookupIgnoresCaseAndCreationKeepsIt) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
    m.writeFile("c:\\windows\\sysbckup\\Rb000.CAB", "x");
    EXPECT_TRUE(m.isDirectory("c:\\windows\\sysbckup"));
    EXPECT_TRUE(m.isFile("C:\\WINDOWS\\SYSBCKUP\\RB000.cab"));
    EXPECT_TRUE(fs::exists(tm.root() / "drive_c" / "WINDOWS" / "SYSBCKUP" / "Rb000.CAB"));
    // Replacing the file under another spelling keeps the one file with its first name.
    m.writeFile("C:\\WINDOWS\\SYSBCKUP\\RB000.CAB", "yy");
    auto entries = m.list("C:\\WINDOWS\\SYSBCKUP");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Rb000.CAB");
    EXPECT_EQ(entries[0].size, 2u);
}

TEST(MachineFiles, AttributesPersistAcrossMachinesAndGuardReadOnlyFiles) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeFile("C:\\MSDOS.SYS", "[Paths]\r\n");
    EXPECT_EQ(m.attributes("C:\\MSDOS.SYS"), w98::attr::kArchive);
    const std::uint8_t hsr = w98::attr::kHidden | w98::attr::kSystem | w98::attr::kReadOnly;
    m.setAttributes("C:\\MSDOS.SYS", hsr);
    EXPECT_EQ(tm.reopen()->attributes("c:\\msdos.sys"), hsr);
    EXPECT_EQ(m.attributes("C:\\WINDOWS") & w98::attr::kDirectory, w98::attr::kDirectory);

    EXPECT_THROW(m.writeFile("C:\\MSDOS.SYS", "new"), w98::IoError);
    EXPECT_THROW(m.deleteFile("C:\\MSDOS.SYS"), w98::IoError);
    m.writeFile("C:\\OTHER.SYS", "other");
    EXPECT_THROW(m.copyFile("C:\\OTHER.SYS", "C:\\MSDOS.SYS", true), w98::IoError);
    EXPECT_EQ(m.readFile("C:\\MSDOS.SYS"), "[Paths]\r\n");

    // A rename keeps the attributes with the file.
    m.setAttributes("C:\\MSDOS.SYS", w98::attr::kHidden);
    m.moveFile("C:\\MSDOS.SYS", "C:\\MSDOS.BEI");
    EXPECT_EQ(m.attributes("C:\\MSDOS.BEI"), w98::attr::kHidden);
    EXPECT_FALSE(m.exists("C:\\MSDOS.SYS"));
}

TEST(MachineFiles, CopyKeepsContentAttributesAndTime) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeFile("C:\\A.TXT", "abc", w98::attr::kHidden | w98::attr::kArchive);
    m.setLastWriteTime("C:\\A.TXT", {2002, 5, 17, 8, 5, 12});
    m.copyFile("C:\\A.TXT", "C:\\WINDOWS\\B.TXT", false);
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\B.TXT"), "abc");
    EXPECT_EQ(m.attributes("C:\\WINDOWS\\B.TXT"), w98::attr::kHidden | w98::attr::kArchive);
    EXPECT_EQ(m.lastWriteTime("C:\\WINDOWS\\B.TXT"), (w98::DateTime{2002, 5, 17, 8, 5, 12}));
    EXPECT_THROW(m.copyFile("C:\\A.TXT", "C:\\WINDOWS\\B.TXT", false), w98::IoError);
    EXPECT_THROW(m.copyFile("C:\\MISSING.TXT", "C:\\C.TXT", true), w98::IoError);
}

TEST(MachineFiles, TextFilesAreCodePage936WithCrLf) {
    TempMachine tm;
    auto& m = tm.machine();
    m.writeTextLines("C:\\WINDOWS\\T.BAT", {"@ECHO OFF", "echo 今天是", ""});
    EXPECT_EQ(tm.bytes("C:\\WINDOWS\\T.BAT"), "@ECHO OFF\r\necho \xBD\xF1\xCC\xEC\xCA\xC7\r\n\r\n");
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\T.BAT"), (std::vector<std::string>{"@ECHO OFF", "echo 今天是", ""}));

    // A character code page 936 cannot hold is refused, naming the file and line; the old file stays.
    try {
        m.writeTextLines("C:\\WINDOWS\\T.BAT", {"ok", "smile \xF0\x9F\x98\x80"});
        FAIL() << "expected an error";
    } catch (const w98::FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("C:\\WINDOWS\\T.BAT 第 2 行：这一行含有 GBK（代码页 936）写不出的字符"), std::string::npos) << e.what();
    }
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\T.BAT").size(), 3u);

    m.writeFile("C:\\BAD.TXT", "good\r\n\x81\r\n");
    EXPECT_THROW(m.readTextLines("C:\\BAD.TXT"), w98::FormatError);
}

TEST(MachineFiles, ReplacementLeavesNoTemporaryFilesAndFailsWithoutFolder) {
    TempMachine tm;
    auto& m = tm.machine();
    for (int i = 0; i < 5; ++i)
        m.writeFile("C:\\WINDOWS\\X.INI", std::string(static_cast<std::size_t>(i), 'x'));
    for (const auto& e : fs::directory_iterator(tm.root() / "drive_c" / "WINDOWS"))
        EXPECT_FALSE(e.path().filename().string().ends_with(".tmp")) << e.path();
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\X.INI"), "xxxx");
    EXPECT_THROW(m.writeFile("C:\\NOWHERE\\X.INI", "x"), w98::IoError);
    EXPECT_THROW(m.writeFile("C:\\WINDOWS", "x"), w98::IoError);
}

TEST(MachineFiles, ListMatchesWildcardsWithoutRegardToCase) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\B");
    for (const char* n : {"rb001.cab", "RBBAD.CAB", "rb000.Cab", "note.txt", "cab"})
        m.writeFile(std::string("C:\\B\\") + n, "x");
    m.createDirectory("C:\\B\\sub.cab");
    std::vector<std::string> names;
    for (const auto& e : m.list("C:\\B", "*.cab"))
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"rb000.Cab", "rb001.cab", "RBBAD.CAB", "sub.cab"}));
    EXPECT_EQ(m.list("C:\\B").size(), 6u);
    EXPECT_TRUE(m.list("C:\\MISSING", "*.cab").empty());
    EXPECT_TRUE(w98::matchesWildcard("ABC", "a?c"));
    EXPECT_TRUE(w98::matchesWildcard("cab", "cab.*"));
    EXPECT_FALSE(w98::matchesWildcard("rb000.cabx", "*.cab"));
}

TEST(MachineDescription, DrivesAndDefaults) {
    TempMachine tm({.drives = "C=fixed\nE=cdrom\nF=CDROM\n"});
    auto& m = tm.machine();
    EXPECT_EQ(m.driveType("E:\\"), w98::DriveType::CdRom);
    EXPECT_EQ(m.driveType("f:"), w98::DriveType::CdRom);
    EXPECT_EQ(m.driveType("C:\\"), w98::DriveType::Fixed);
    EXPECT_EQ(m.driveType("Q:\\"), w98::DriveType::NoRootDir);
    EXPECT_EQ(m.shortDateFormat(), "yy-M-d");
    EXPECT_EQ(m.windowsFolder(), "C:\\WINDOWS");
}

TEST(MachineFolder, MissingOrBrokenFolderGivesClearErrors) {
    auto dir = korvane::test::makeTempFolder("korvane-bad");
    EXPECT_THROW(w98::Machine(dir / "missing"), w98::Error);
    std::ofstream(dir / "file") << "x";
    EXPECT_THROW(w98::Machine(dir / "file"), w98::Error);
    fs::create_directories(dir / "m");
    std::ofstream(dir / "m" / "machine.ini") << "[machine]\nthis line is broken\n";
    try {
        w98::Machine m(dir / "m");
        FAIL();
    } catch (const w98::FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("第 2 行"), std::string::npos) << e.what();
    }
    fs::remove_all(dir);
}
