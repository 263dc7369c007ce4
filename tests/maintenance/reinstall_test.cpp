// The reinstall batch 98.bat in both forms for the setup sources a machine may name, its
// explanation and the product key, opening the setup folder, and typing "98" at the prompt.
#include "maintenance_machine.h"

#include "base/error.h"
#include "maintenance/reinstall.h"
#include "maintenance/setup_source.h"
#include "registry/registry.h"
#include "sysaccess/registry_values.h"
#include "tools/dos/batch_interpreter.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace korvane;
using korvane::test::DemoMachine;
using korvane::test::RecordingUi;
using korvane::test::TempMachine;

namespace {

using Lines = std::vector<std::string>;

void setSourcePath(w98::Machine& m, const std::string& path) {
    WriteRegStr(m, w98::kHkeyLocalMachine, kSetupKey, "SourcePath", path);
}

} // namespace

TEST(Reinstall, TheSetupLineForEachSource) {
    TempMachine tm;
    auto& m = tm.machine();
    struct Case {
        std::string source, line;
    };
    for (const auto& c : std::vector<Case>{
             {"D:\\WIN98\\", "D:\\WIN98\\setup /is /iq"},
             {"C:\\WINDOWS\\OPTIONS\\CABS\\", "C:\\WINDOWS\\OPTIONS\\CABS\\setup /is /iq"},
             {"C:\\WINDOWS\\OPTIONS\\CABS", "C:\\WINDOWS\\OPTIONS\\CABSsetup /is /iq"}, // joined as it stands
             {"", "setup /is /iq"},
             // Kept one word, and not taken for a variable.
             {"d:\\Win98 SE\\", "\"d:\\Win98 SE\\setup\" /is /iq"},
             {"E:\\100%\\", "E:\\100%%\\setup /is /iq"},
         }) {
        EXPECT_EQ(ReinstallStartupLines(m, c.source),
                  (Lines{"@ECHO OFF", "Smartdrv 10240 10240", c.line, ""}))
            << c.source;
        EXPECT_EQ(ReinstallClickLines(m, c.source), (Lines{"@ECHO OFF", "Smartdrv 10240 10240", c.line}))
            << c.source;
    }
    for (const std::string bad :
         {"D:\\WIN98\\\r\nformat c: /u\r\n", "D:\\WIN98>nul\\", "D:\\a|del\\", "D:\\\"\\"})
        EXPECT_THROW(ReinstallStartupLines(m, bad), w98::Error) << bad;

    // 98.bat runs in MS-DOS mode: a source folder on the machine is named by its short names.
    m.createDirectories("C:\\Win98 SE");
    EXPECT_EQ(SetupCommand(m, "C:\\Win98 SE\\"), "C:\\WIN98S~1\\SETUP /is /iq");
}

TEST(Reinstall, TheStartUpFormIsWrittenFromTheRegistryAndABadSourceWritesNothing) {
    TempMachine tm;
    auto& m = tm.machine();
    setSourcePath(m, "D:\\WIN98\\");
    WriteStartupReinstallBatch(m, "C:\\WINDOWS");
    EXPECT_EQ(tm.bytes("C:\\WINDOWS\\98.bat"),
              "@ECHO OFF\r\nSmartdrv 10240 10240\r\nD:\\WIN98\\setup /is /iq\r\n\r\n");

    setSourcePath(m, "D:\\WIN98\\\r\nformat c:");
    try {
        WriteStartupReinstallBatch(m, "C:\\WINDOWS");
        FAIL();
    } catch (const w98::Error& e) {
        EXPECT_NE(std::string(e.what()).find("D:\\WIN98\\<0D><0A>format c:"), std::string::npos) << e.what();
    }
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\98.bat")[2], "D:\\WIN98\\setup /is /iq");

    DeleteRegValue(m, w98::kHkeyLocalMachine, kSetupKey, "SourcePath");
    WriteStartupReinstallBatch(m, "C:\\WINDOWS");
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\98.bat")[2], "setup /is /iq");
}

TEST(Reinstall, TheExplanationGivesTheCdHintOnlyForACdSource) {
    const std::string hinted =
        "〔无法进入windows〕：可将windows系统盘插入光驱，然后在dos下键入：98  然后回车即可重装win98 ";
    const std::string plain = "〔无法进入windows〕：在dos下键入：98  然后回车即可重装win98 ";
    EXPECT_EQ(ReinstallExplanation("c", "D:\\WIN98\\", "D:\\")[4], hinted);
    EXPECT_EQ(ReinstallExplanation("c", "d:\\win98\\", "D:\\")[4], hinted);
    EXPECT_EQ(ReinstallExplanation("c", "C:\\WINDOWS\\OPTIONS\\CABS", "D:\\")[4], plain);
    EXPECT_EQ(ReinstallExplanation("c", "", "D:\\")[4], plain);
    // Without a CD-ROM drive the root is "0": a path holding that character reads as the CD.
    EXPECT_EQ(ReinstallExplanation("c", "C:\\WIN2000\\", "0")[4], hinted);
    EXPECT_EQ(ReinstallExplanation("c", "C:\\WINDOWS\\OPTIONS\\CABS", "0")[4], plain);
}

TEST(Reinstall, AClickShowsTheExplanationThenWritesTheClickForm) {
    TempMachine tm;
    auto& m = tm.machine();
    setSourcePath(m, "D:\\WIN98\\");
    Lines shown;
    auto show = [&](const Lines& l) { shown = l; };
    ExplainReinstall(m, "C:\\WINDOWS", "十分钟重装系统...", show);
    ExplainReinstall(m, "C:\\WINDOWS", "十分钟重装系统...", show);
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\98.bat"), ReinstallClickLines(m, "D:\\WIN98\\"));
    EXPECT_EQ(shown, ReinstallExplanation("十分钟重装系统...", "D:\\WIN98\\", "D:\\"));

    shown.clear();
    setSourcePath(m, "D:\\WIN98>c:\\x\\");
    EXPECT_THROW(ExplainReinstall(m, "C:\\WINDOWS", "十分钟重装系统...", show), w98::Error);
    EXPECT_FALSE(shown.empty()); // the explanation came first
    EXPECT_EQ(m.readTextLines("C:\\WINDOWS\\98.bat"), ReinstallClickLines(m, "D:\\WIN98\\"));
}

TEST(Reinstall, OpeningTheSetupFolder) {
    DemoMachine d; // SourcePath D:\WIN98\, D: the CD with WIN98\SETUP.EXE
    RecordingUi r;
    JobUi ui = r.ui();

    // A Windows 9x setup folder opens at once, whatever its case and blanks.
    OpenSetupFolder(d.system, ui);
    setSourcePath(d.m, "d:\\Win98 SE\\");
    OpenSetupFolder(d.system, ui);
    EXPECT_EQ(d.shell.opened, (Lines{"D:\\WIN98\\", "d:\\Win98 SE\\"}));
    EXPECT_TRUE(r.questions.empty());

    // Elsewhere the CD is asked for.
    setSourcePath(d.m, "C:\\WINDOWS\\OPTIONS\\CABS");
    r.answers = {false, true};
    OpenSetupFolder(d.system, ui);
    EXPECT_EQ(d.shell.opened.size(), 2u);
    OpenSetupFolder(d.system, ui);
    EXPECT_EQ(d.shell.opened.back(), "D:\\win98");
    EXPECT_EQ(r.questions, (Lines{kInsertSetupCd, kInsertSetupCd}));

    DeleteRegValue(d.m, w98::kHkeyLocalMachine, kSetupKey, "SourcePath"); // absent: the CD way
    d.m.setAttributes("D:\\WIN98\\SETUP.EXE", 0);
    d.m.deleteFile("D:\\WIN98\\SETUP.EXE");
    OpenSetupFolder(d.system, ui);
    EXPECT_EQ(r.messages, Lines{kNoSetupOnCd});
    EXPECT_EQ(d.shell.opened.size(), 3u);
}

TEST(Reinstall, OpeningTheSetupFolderWithoutACdRomDrive) {
    TempMachine tm({.drives = "C=fixed\n"});
    test::RecordingShell shell;
    test::RecordingPower power;
    w98::SystemClock clock;
    System system{tm.machine(), clock, shell, power};
    RecordingUi r;
    JobUi ui = r.ui();
    OpenSetupFolder(system, ui);
    EXPECT_EQ(r.messages, Lines{kNoSetupOnCd});
    EXPECT_TRUE(shell.opened.empty());
}

// The user restarts in MS-DOS mode and types 98: setup runs from the source the batch names.
TEST(Reinstall, TypingNinetyEightAtThePromptRunsSetup) {
    DemoMachine d;
    setSourcePath(d.m, "d:\\Win98 SE\\");
    d.m.createDirectories("D:\\Win98 SE");
    d.m.copyFile("D:\\WIN98\\SETUP.EXE", "D:\\Win98 SE\\SETUP.EXE", false);
    WriteStartupReinstallBatch(d.m, "C:\\WINDOWS");
    EXPECT_EQ(d.m.readTextLines("C:\\WINDOWS\\98.bat")[2], "D:\\WIN98S~1\\SETUP /is /iq");

    std::ostringstream out;
    w98::DosSession msDos(d.m);
    msDos.setMsDosMode(true);
    w98::BatchInterpreter dos(msDos, out);
    dos.runCommandLine("98");
    EXPECT_NE(out.str().find("Windows was reinstalled in C:\\WINDOWS"), std::string::npos) << out.str();
    EXPECT_NE(d.hostText("programs.log").find("setup /is /iq: Windows 98 reinstalled over C:\\WINDOWS"),
              std::string::npos);
}
