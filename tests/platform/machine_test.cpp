#include "base/dos_attributes.h"
#include "base/error.h"
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
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\T.BAT"),
              (std::vector<std::string>{"@ECHO OFF", "echo 今天是", ""}));

    // A character code page 936 cannot hold is refused, naming the file and line; the old file stays.
    try {
        m.writeTextLines("C:\\WINDOWS\\T.BAT", {"ok", "smile \xF0\x9F\x98\x80"});
        FAIL() << "expected an error";
    } catch (const w98::FormatError& e) {
        EXPECT_NE(std::string(e.what()).find(
                      "C:\\WINDOWS\\T.BAT 第 2 行：这一行含有 GBK（代码页 936）写不出的字符"),
                  std::string::npos)
            << e.what();
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

TEST(MachineShortNames, MadeAsWindows98MakesThemWhenTheFileIsMade) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\T");
    struct Case {
        std::string name, shortName;
    };
    for (const auto& c : std::vector<Case>{
             {"io.sys", "IO.SYS"},
             {"README.TXT", "README.TXT"},
             {"my backup 1.cab", "MYBACK~1.CAB"},
             {"my backup 2.cab", "MYBACK~2.CAB"},
             {"scanregrun.reg", "SCANRE~1.REG"},
             {"archive.tar.gz", "ARCHIV~1.GZ"},
             {".profile", "PROFIL~1"},
             {"a+b;c.txt", "A_B_C~1.TXT"},
             {"备份 一.cab", "备份一~1.CAB"},
             {"备份%1.cab", "备份%1.CAB"},
             // Eight bytes at most, a double-byte character never split.
             {"a东方红太阳.txt", "A东方~1.TXT"},
             {"\xf0\x9f\x98\x80.txt", "_~1.TXT"},
         }) {
        m.writeFile("C:\\T\\" + c.name, "x");
        EXPECT_EQ(m.shortName("C:\\T\\" + c.name), c.shortName) << c.name;
    }
    m.createDirectory("C:\\T\\Program Files");
    EXPECT_EQ(m.shortName("C:\\T\\Program Files"), "PROGRA~1");

    // Past ~9 the name gives up a character for the longer tail.
    for (int i = 1; i <= 11; ++i)
        m.writeFile("C:\\T\\long file name " + std::to_string(i) + ".txt", "x");
    EXPECT_EQ(m.shortName("C:\\T\\long file name 9.txt"), "LONGFI~9.TXT");
    EXPECT_EQ(m.shortName("C:\\T\\long file name 10.txt"), "LONGF~10.TXT");
    EXPECT_EQ(m.shortName("C:\\T\\long file name 11.txt"), "LONGF~11.TXT");
}

TEST(MachineShortNames, KeptThroughReplacementAndOtherFilesChangesAndNewWhenTheNameChanges) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\T\\U");
    m.writeFile("C:\\T\\my backup 1.cab", "1");
    m.writeFile("C:\\T\\my backup 2.cab", "2");
    m.deleteFile("C:\\T\\my backup 1.cab");
    m.writeFile("C:\\T\\my backup 3.cab", "3");
    EXPECT_EQ(m.shortName("C:\\T\\my backup 3.cab"), "MYBACK~1.CAB"); // the freed name
    EXPECT_EQ(m.shortName("C:\\T\\my backup 2.cab"), "MYBACK~2.CAB");

    // Replaced atomically, copied over, given other attributes, seen by another process.
    m.writeFile("C:\\T\\my backup 2.cab", "new");
    m.copyFile("C:\\T\\my backup 3.cab", "C:\\T\\my backup 2.cab", true);
    m.setAttributes("C:\\T\\my backup 2.cab", 0x21);
    EXPECT_EQ(tm.reopen()->shortName("C:\\T\\MY BACKUP 2.CAB"), "MYBACK~2.CAB");
    m.moveFile("C:\\T\\my backup 2.cab", "C:\\T\\My Backup 2.cab"); // letter case only
    EXPECT_EQ(m.shortName("C:\\T\\My Backup 2.cab"), "MYBACK~2.CAB");

    // Moved to another folder or renamed, it is made anew there.
    m.moveFile("C:\\T\\My Backup 2.cab", "C:\\T\\U\\My Backup 2.cab");
    EXPECT_EQ(m.shortName("C:\\T\\U\\My Backup 2.cab"), "MYBACK~1.CAB");
    m.moveFile("C:\\T\\U\\My Backup 2.cab", "C:\\T\\U\\rb001.cab");
    EXPECT_EQ(m.shortName("C:\\T\\U\\rb001.cab"), "RB001.CAB");

    // Files put there from outside get theirs the first time the folder is looked at, in
    // name order, and keep them.
    std::ofstream(tm.root() / "drive_c" / "T" / "my backup 5.cab") << "5";
    std::ofstream(tm.root() / "drive_c" / "T" / "my backup 4.cab") << "4";
    EXPECT_EQ(m.shortName("C:\\T\\my backup 5.cab"), "MYBACK~3.CAB");
    EXPECT_EQ(m.shortName("C:\\T\\my backup 4.cab"), "MYBACK~2.CAB");
    EXPECT_EQ(m.shortName("C:\\T\\my backup 5.cab"), "MYBACK~3.CAB");
    EXPECT_THROW(m.shortName("C:\\T\\missing.txt"), w98::IoError);
}

TEST(MachineShortNames, PathsAsMsDosSpellsAndFindsThem) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\Program Files\\My Tools");
    m.writeFile("C:\\Program Files\\My Tools\\scanregrun.reg", "x");
    EXPECT_EQ(m.shortPath("c:\\program files\\my tools\\scanregrun.reg"),
              "C:\\PROGRA~1\\MYTOOL~1\\SCANRE~1.REG");
    EXPECT_EQ(m.shortPath("C:\\Program Files\\new\\a.txt"),
              "C:\\PROGRA~1\\NEW\\A.TXT"); // made as it is named
    EXPECT_EQ(m.shortPath("C:\\"), "C:\\");
    EXPECT_THROW(m.shortPath("C:\\Program Files\\new folder\\a.txt"), w98::Error);

    // Found by the short name only; a long name is cut to 8.3 and names something else.
    EXPECT_EQ(m.dosChild("C:\\Program Files", "mytool~1"), "C:\\Program Files\\My Tools");
    EXPECT_EQ(m.dosChild("C:\\Program Files\\My Tools", "SCANRE~1.REG"),
              "C:\\Program Files\\My Tools\\scanregrun.reg");
    EXPECT_EQ(m.dosChild("C:\\Program Files\\My Tools", "scanregrun.reg"),
              "C:\\Program Files\\My Tools\\SCANREGR.REG");
    EXPECT_FALSE(m.exists(m.dosChild("C:\\", "Program Files")));
    // A long name that reads like the 8.3 form is no short name either.
    m.writeFile("C:\\ab cd.txt", "x");
    EXPECT_FALSE(m.exists(m.dosChild("C:\\", "ab cd.txt")));
    // Windows finds a file by either name.
    EXPECT_EQ(m.readFile("C:\\progra~1\\MYTOOL~1\\scanre~1.reg"), "x");
    EXPECT_EQ(m.list("C:\\Program Files\\My Tools", "Scanre~?.*").at(0).name, "scanregrun.reg");
}
