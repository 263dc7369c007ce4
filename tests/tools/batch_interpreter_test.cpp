#include "dos_machine.h"

#include "tools/dos/file_commands.h"

#include "base/dos_attributes.h"

#include <gtest/gtest.h>

#include <iostream>

using korvane::test::DosMachine;
using korvane::test::TempMachineOptions;
namespace attr = w98::attr;

TEST(BatchInterpreter, EchoRemAndExit) {
    DosMachine d;
    EXPECT_EQ(d.runBatch({"@ECHO OFF", "REM nothing to see", "echo 正在备份", "echo.", "ECHO", "echo.off",
                          "exit", "echo never"}),
              "正在备份\n\nECHO is off\noff\n");
}

TEST(BatchInterpreter, EchoOnShowsThePromptOfTheCurrentFolder) {
    DosMachine d;
    EXPECT_EQ(d.runBatch({"frobnicate now", "cd windows", "@echo after", "echo off", "cd \\"}),
              "\nC:\\>frobnicate now\nBad command or file name\n"
              "\nC:\\>cd windows\n"
              "after\n"
              "\nC:\\WINDOWS>echo off\n");
    d.m().createDirectories("C:\\WINDOWS\\Temp\\Restore1");
    EXPECT_EQ(d.runBatch({"@echo on", "cd windows\\temp\\RESTORE1", "prompt $n$g"}),
              "\nC:\\>cd windows\\temp\\RESTORE1\n\nC:\\WINDOWS\\Temp\\Restore1>prompt $n$g\n");
    EXPECT_EQ(d.runBatch({"@echo on", "rem"}), "\nC>rem\n");
}

TEST(BatchInterpreter, VariablesAndParameters) {
    DosMachine d;
    w98::BatchInterpreter dos(d.session, std::cout);
    EXPECT_EQ(dos.expandVariables("%WINBOOTDIR%\\COMMAND\\attrib 100%% %none%x %open"),
              "C:\\WINDOWS\\COMMAND\\attrib 100% x %open");

    d.m().writeTextLines("C:\\SHOW.BAT", {"@echo [%0] [%1] [%2] [%3]", "@shift", "@echo [%1]"});
    EXPECT_EQ(d.runBatch({"@echo off", "set NAME=值 one", "echo %name%", "set name=", "echo [%NAME%]",
                          "call show a,b;\"c d\"", "path", "path ;", "path"}),
              "值 one\n[]\n[show] [a] [b] [\"c d\"]\n[b]\nPATH=C:\\WINDOWS;C:\\WINDOWS\\COMMAND\nNo Path\n");
    EXPECT_EQ(d.type("set x"), "Syntax error\n");
}

TEST(BatchInterpreter, DrivesAndCurrentFolders) {
    DosMachine d;
    d.m().createDirectories("C:\\WINDOWS\\TEMP");
    EXPECT_EQ(d.runBatch({"@echo off", "q:", "d:", "cd c:\\nowhere", "cd windows\\temp", "cd", "cd ..", "cd",
                          "cd \\", "cd", "cd c:\\windows\\temp", "cd", "cd windows temp"}),
              "Invalid drive specification\nInvalid drive specification\nInvalid directory\n"
              "C:\\WINDOWS\\TEMP\nC:\\WINDOWS\nC:\\\nC:\\WINDOWS\\TEMP\nToo many parameters - temp\n");

    // Each drive keeps its own current folder; "cd D:\X" does not change the drive.
    d.addDrive('d');
    d.m().createDirectories("D:\\WIN98");
    EXPECT_EQ(d.runBatch({"@echo off", "cd d:\\win98", "cd", "cd d:", "d:", "cd", "c:", "cd"}),
              "C:\\WINDOWS\\TEMP\nD:\\WIN98\nD:\\WIN98\nC:\\WINDOWS\\TEMP\n");
}

TEST(BatchInterpreter, DeleteFollowsMsDos) {
    DosMachine d;
    auto& m = d.m();
    m.writeFile("C:\\A.TXT", "a");
    m.writeFile("C:\\B.TXT", "b");
    m.writeFile("C:\\KEEP.INI", "k");
    m.writeFile("C:\\RO.TXT", "r", attr::kReadOnly);
    m.writeFile("C:\\HIDDEN.TXT", "h", attr::kHidden);
    EXPECT_EQ(d.runBatch({"@echo off", "del nothing.txt", "del ?.txt", "del ro.txt", "del hidden.txt",
                          "del *.*", "del c:\\windows\\nofolder\\x.txt", "del", "del a b"}),
              "File not found\nAccess denied\nFile not found\n"
              "All files in directory will be deleted!\nAre you sure (Y/N)?N\n"
              "File not found\nRequired parameter missing\nToo many parameters - b\n");
    EXPECT_FALSE(m.exists("C:\\A.TXT"));
    EXPECT_FALSE(m.exists("C:\\B.TXT"));
    EXPECT_TRUE(m.exists("C:\\RO.TXT"));
    EXPECT_TRUE(m.exists("C:\\HIDDEN.TXT"));
    EXPECT_TRUE(m.exists("C:\\KEEP.INI"));
}

TEST(BatchInterpreter, RenameFollowsMsDos) {
    DosMachine d;
    auto& m = d.m();
    m.writeFile("C:\\ONE.TXT", "1");
    m.writeFile("C:\\TWO.TXT", "2");
    m.writeFile("C:\\TAKEN.BAK", "t");
    EXPECT_EQ(
        d.runBatch({"@echo off", "ren missing.txt x.txt", "ren one.txt taken.bak", "ren one.txt c:\\x.txt",
                    "ren two.txt Second.txt", "ren *.txt *.old"}),
        "Duplicate file name or file not found\nDuplicate file name or file not found\nInvalid parameter\n");
    EXPECT_EQ(m.readFile("C:\\ONE.OLD"), "1");
    EXPECT_EQ(m.readFile("C:\\Second.old"), "2");
    EXPECT_EQ(m.readFile("C:\\TAKEN.BAK"), "t");
    EXPECT_EQ(w98::applyNamePattern("abc.txt", "??x.*"), "abx.txt");
    EXPECT_EQ(w98::applyNamePattern("readme", "*.bak"), "readme.bak");
}

TEST(BatchInterpreter, CopyFollowsMsDos) {
    DosMachine d;
    auto& m = d.m();
    m.createDirectories("C:\\SRC");
    m.writeFile("C:\\SRC\\Control.ini", "new control", attr::kArchive | attr::kReadOnly);
    m.writeFile("C:\\SRC\\win.ini", "new win");
    m.writeFile("C:\\WINDOWS\\CONTROL.INI", "old control");
    m.writeFile("C:\\WINDOWS\\WIN.INI", "old win", attr::kReadOnly);
    m.writeFile("C:\\SRC\\SECRET.SYS", "s", attr::kHidden);

    EXPECT_EQ(d.runBatch({"@echo off", "cd src", "copy Control.ini %winbootdir% /Y",
                          "copy win.ini %winbootdir%", "copy nothing.ini c:\\", "copy secret.sys c:\\",
                          "copy win.ini", "copy win.ini c:\\nodir\\", "copy win.ini c:\\nodir\\x.ini",
                          "copy *.ini c:\\", "copy win.ini c:\\copy.ini/Y"}),
              "        1 file(s) copied\n"
              "Access denied\n        0 file(s) copied\n"
              "File not found - nothing.ini\n        0 file(s) copied\n"
              "File not found - secret.sys\n        0 file(s) copied\n"
              "File cannot be copied onto itself\n        0 file(s) copied\n"
              "Invalid directory\n        0 file(s) copied\n"
              "Path not found\n        0 file(s) copied\n"
              "Control.ini\nwin.ini\n        2 file(s) copied\n"
              "        1 file(s) copied\n");
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\CONTROL.INI"), "new control");
    EXPECT_EQ(m.attributes("C:\\WINDOWS\\CONTROL.INI"), attr::kArchive); // a copy is a new, writable file
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\WIN.INI"), "old win");
    EXPECT_EQ(m.readFile("C:\\COPY.INI"), "new win");
    EXPECT_EQ(m.lastWriteTime("C:\\COPY.INI"), m.lastWriteTime("C:\\SRC\\win.ini"));

    // Typed at the prompt, COPY asks before overwriting; nobody answers.
    EXPECT_EQ(d.type("copy win.ini c:\\copy.ini"),
              "Overwrite C:\\copy.ini (Yes/No/All)?N\n        0 file(s) copied\n");
}

TEST(BatchInterpreter, IfExistStringsAndErrorLevel) {
    DosMachine d;
    auto& m = d.m();
    m.writeFile("C:\\HERE.TXT", "h");
    m.writeFile("C:\\MSDOS.SYS", "m", attr::kHidden | attr::kSystem | attr::kReadOnly);
    EXPECT_EQ(d.runBatch({"@echo off", "if exist here.txt echo 1", "if not exist here.txt echo 2",
                          "if exist h*.txt echo 3", "if exist c:\\windows\\nul echo 4",
                          "if exist c:\\windows echo 5", "if not exist msdos.sys echo 6", "if a==a echo 7",
                          "if \"%1\"==\"\" echo 8", "if a==b echo 9", "if errorlevel 1 echo 10", "smartdrv x",
                          "if errorlevel 1 echo 11", "if exist", "if a", "if a==a"}),
              "1\n3\n4\n6\n7\n8\nInvalid parameter - x\n11\nSyntax error\nSyntax error\nSyntax error\n");
}

TEST(BatchInterpreter, CallReturnsAndABatchNamedWithoutCallEndsTheCaller) {
    DosMachine d;
    d.m().writeTextLines("C:\\INNER.BAT", {"@echo inner %1"});
    EXPECT_EQ(d.runBatch({"@echo off", "call inner one", "call c:\\inner.bat two", "inner three",
                          "echo not reached"}),
              "inner one\ninner two\ninner three\n");

    // EXIT in a called batch ends the interpreter, not just that batch.
    d.m().writeTextLines("C:\\QUIT.BAT", {"@exit"});
    EXPECT_EQ(d.runBatch({"@echo off", "call quit", "echo not reached"}), "");

    EXPECT_EQ(d.runBatch({"@echo off", "goto skip", "echo skipped", ":skip", "echo after", "goto nowhere",
                          "echo gone"}),
              "after\nLabel not found\n");
    EXPECT_EQ(d.runBatch({"@echo off", "call missing.bat", "echo goes on"}),
              "Bad command or file name\ngoes on\n");
}

TEST(BatchInterpreter, RunawayBatchesEnd) {
    DosMachine d;
    const std::string self = d.runBatch({"@call c:\\t.bat"});
    EXPECT_NE(self.find("Batch files nested too deeply"), std::string::npos);

    const std::string loop = d.runBatch({"@echo off", ":top", "goto top"});
    EXPECT_EQ(loop,
              "Batch file stopped after " + std::to_string(w98::BatchInterpreter::kMaxLines) + " lines\n");

    // Lines are cut to a length, and the environment has a size.
    std::vector<std::string> growing = {"@echo off", "set a=0123456789"};
    growing.insert(growing.end(), 16, "set a=%a%%a%");
    for (int i = 0; i < 10; ++i)
        growing.push_back("set b" + std::to_string(i) + "=%a%");
    EXPECT_NE(d.runBatch(growing).find("Out of environment space\n"), std::string::npos);
    EXPECT_LE(d.session.variable("a").size(), w98::BatchInterpreter::kMaxLineBytes);
    std::size_t used = 0;
    for (const auto& [name, value] : d.session.environment)
        used += name.size() + value.size() + 2;
    EXPECT_LE(used, w98::DosSession::kEnvironmentBytes);

    std::string nested;
    for (int i = 0; i < 3000; ++i)
        nested += "if a==a call ";
    EXPECT_TRUE(d.runBatch({"@echo off", nested + "echo deep", "echo next"}).ends_with("next\n"));

    // command.com starting itself again and again is stopped as well.
    d.m().writeTextLines("C:\\AGAIN.BAT", {"@command /c c:\\again.bat"});
    EXPECT_NE(d.runBatch({"@c:\\again.bat"}).find("Insufficient memory"), std::string::npos);
}

TEST(BatchInterpreter, ProgramsRunOnlyWhenTheMachineHoldsThem) {
    DosMachine d;
    auto& m = d.m();
    m.writeFile("C:\\X.TXT", "x", attr::kArchive | attr::kReadOnly);
    m.writeFile("C:\\WINDOWS\\NOTEPAD.EXE", "MZ");
    m.writeFile("C:\\SMARTDRV.TXT", "not a program");
    EXPECT_EQ(d.runBatch({"@echo off", "attrib -r x.txt", "notepad", "smartdrv.txt",
                          "c:\\windows\\command\\attrib.exe", "\"C:\\WINDOWS\\COMMAND\\ATTRIB\" +r x.txt"}),
              "Bad command or file name\nBad command or file name\n"
              "A            C:\\SMARTDRV.TXT\nA            C:\\T.BAT\nA            C:\\X.TXT\n");
    EXPECT_EQ(m.attributes("C:\\X.TXT"), attr::kArchive | attr::kReadOnly);

    m.deleteFile("C:\\WINDOWS\\COMMAND\\SMARTDRV.EXE");
    EXPECT_EQ(d.type("smartdrv 2048"), "Bad command or file name\n");
    // The current folder comes first, then PATH.
    m.writeFile("C:\\SMARTDRV.EXE", "MZ");
    EXPECT_EQ(d.type("smartdrv 2048"), "Disk cache: 2048 KB under MS-DOS, 2048 KB under Windows.\n");
}

TEST(BatchInterpreter, OutputRedirection) {
    DosMachine d;
    d.runBatch({"@echo off", "echo 第一 > c:\\out.txt", "echo two>>c:\\out.txt", "del nothing >nul"});
    EXPECT_EQ(d.temp().bytes("C:\\out.txt"), "\xb5\xda\xd2\xbb \r\ntwo\r\n");
    EXPECT_EQ(d.type("echo x >"), "Syntax error\n");
}

TEST(BatchInterpreter, BadInputNeverStopsTheInterpreter) {
    DosMachine d;
    const char raw[] = "\x01\x02\xff\xfe copy \"unterminated\0 \r\r\n";
    const std::string garbage(raw, sizeof raw - 1);
    const std::string out = d.runBatch({"@echo off", "if", "if not", "ren", "copy", "cd \\..\\..\\..\\..",
                                        "cd", "del c:\\*\\*.txt", "attrib +x", "attrib +r -r x", "extract",
                                        "regedit", "cd " + std::string(5000, 'a'), "%", "%%%", "echo done"});
    EXPECT_TRUE(out.ends_with("done\n")) << out;
    EXPECT_NE(out.find("C:\\\n"), std::string::npos); // ".." above the root stays at the root

    d.m().writeFile("C:\\BAD.BAT", "@echo off\r\necho \xff\xff\r\n");
    EXPECT_EQ(d.type("c:\\bad.bat"), "C:\\bad.bat 第 2 行：这一行不是 GBK（代码页 936）文字\n");
    d.m().writeFile("C:\\BIN.BAT", garbage);
    EXPECT_NO_THROW(d.type("c:\\bin.bat"));
}

TEST(BatchInterpreter, MsDosModeFindsShortNamesOnlyAndCutsLinesAt127Bytes) {
    DosMachine d({.windowsFolder = "C:\\Win 98 SE"});
    auto& m = d.m();
    m.createDirectories("C:\\my dir");
    m.writeTextLines("C:\\my dir\\a long name.txt", {"found"});
    m.writeTextLines("C:\\my dir\\备份 一.txt", {"找到了"});

    // A Windows DOS box: long names, quoted, and the short names too.
    EXPECT_EQ(d.type("type \"C:\\my dir\\a long name.txt\""), "found\n");
    EXPECT_EQ(d.type("type C:\\MYDIR~1\\ALONGN~1.TXT"), "found\n");
    EXPECT_EQ(
        d.runBatch({"@echo off", "if exist c:\\mydir~1\\alo*.txt echo short",
                    "attrib c:\\mydir~1\\ALONGN~1.TXT", "copy \"c:\\my dir\\a long name.txt\" c:\\MYDIR~1",
                    "copy \"c:\\my dir\\a long name.txt\" c:\\mydir~1\\alongn~1.txt"}),
        "short\nA            C:\\my dir\\a long name.txt\n"
        "File cannot be copied onto itself\n        0 file(s) copied\n"
        "File cannot be copied onto itself\n        0 file(s) copied\n");

    // MS-DOS mode before Windows loads: only the short names, whatever the quotes.
    d.session.setMsDosMode(true);
    EXPECT_EQ(d.type("type C:\\MYDIR~1\\ALONGN~1.TXT"), "found\n");
    EXPECT_EQ(d.type("type c:\\mydir~1\\备份一~1.txt"), "找到了\n");
    EXPECT_EQ(d.type("type \"C:\\my dir\\a long name.txt\""),
              "File not found - C:\\my dir\\a long name.txt\n");
    EXPECT_EQ(
        d.runBatch({"@echo off", "cd \\mydir~1", "cd", "type \"a long name.txt\"",
                    "if exist ALONGN~1.TXT echo short", "if not exist \"a long name.txt\" echo no long"}),
        "C:\\MYDIR~1\nFile not found - a long name.txt\nshort\nno long\n");
    EXPECT_EQ(d.type("echo %winbootdir%"), "C:\\WIN98S~1\n");
    // A command interpreter started from the job runs in MS-DOS mode too.
    EXPECT_EQ(d.type("command /c type \"C:\\my dir\\a long name.txt\""),
              "File not found - C:\\my dir\\a long name.txt\n");
    EXPECT_EQ(d.type("command /c type C:\\MYDIR~1\\ALONGN~1.TXT"), "found\n");
    EXPECT_EQ(d.type("%winbootdir%\\COMMAND\\attrib C:\\MYDIR~1\\ALONGN~1.TXT"),
              "A            C:\\MYDIR~1\\ALONGN~1.TXT\n");
    m.createDirectories("C:\\OUT"); // wildcards match short names, and files are shown and copied by them
    EXPECT_EQ(d.runBatch({"@echo off", "if exist c:\\mydir~1\\a?long*.txt echo long",
                          "if exist c:\\mydir~1\\alo*.txt echo short", "copy c:\\mydir~1\\*.txt c:\\out",
                          "ren c:\\mydir~1\\*.txt *.bak", "attrib c:\\mydir~1\\*.*"}),
              "short\nALONGN~1.TXT\n备份一~1.TXT\n        2 file(s) copied\n"
              "A            C:\\MYDIR~1\\ALONGN~1.BAK\nA            C:\\MYDIR~1\\备份一~1.BAK\n");
    // What REN made in MS-DOS mode has only the short name it was given, as Windows then lists it.
    std::vector<std::string> renamed;
    for (const w98::DirEntry& e : m.list("C:\\my dir", "*.BAK"))
        renamed.push_back(e.name);
    EXPECT_EQ(renamed, (std::vector<std::string>{"ALONGN~1.BAK", "备份一~1.BAK"}));

    // COMMAND.COM reads 127 bytes of a line: of 5 + 200 it keeps 127, of double-byte
    // characters never half of one.
    EXPECT_EQ(d.runBatch({"@echo " + std::string(200, 'x')}), std::string(121, 'x') + "\n");
    std::string chinese;
    for (int i = 0; i < 100; ++i)
        chinese += "中";
    std::string kept;
    for (int i = 0; i < 60; ++i)
        kept += "中";
    EXPECT_EQ(d.runBatch({"@echo " + chinese}), kept + "\n");
    EXPECT_EQ(d.runBatch({"@echo " + std::string(110, 'x') + "%winbootdir%"}),
              std::string(110, 'x') + "%winbootdir\n");
    EXPECT_EQ(d.runBatch({"@set v=" + std::string(30, 'v'), "@echo %v%" + std::string(100, 'x')}),
              std::string(30, 'v') + std::string(91, 'x') + "\n");

    d.session.setMsDosMode(false);
    EXPECT_EQ(d.runBatch({"@echo " + std::string(200, 'x')}), std::string(200, 'x') + "\n");
}
