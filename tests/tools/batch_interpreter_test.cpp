#include "tests/support/temp_machine.h"
#include "tools/dos/batch_interpreter.h"

#include <gtest/gtest.h>

#include <sstream>

using korvane::test::TempMachine;

namespace {
struct Dos {
    TempMachine tm;
    std::ostringstream out;
    w98::BatchInterpreter dos{tm.machine(), out};
};
} // namespace

TEST(BatchInterpreter, EchoRemAndExit) {
    Dos d;
    d.tm.machine().writeTextLines("C:\\T.BAT", {"@ECHO OFF", "REM nothing to see", "echo 正在备份", "echo.", "ECHO",
                                                "exit", "echo never"});
    EXPECT_EQ(d.dos.runBatchFile("C:\\T.BAT"), 0);
    EXPECT_TRUE(d.dos.exited());
    EXPECT_EQ(d.out.str(), "正在备份\n\nECHO is off\n");
}

TEST(BatchInterpreter, EchoOnShowsEachCommandAndUnknownCommandsGoOn) {
    Dos d;
    d.tm.machine().writeTextLines("C:\\T.BAT", {"frobnicate now", "@echo after"});
    d.dos.runBatchFile("C:\\T.BAT");
    EXPECT_EQ(d.out.str(), "C:\\>frobnicate now\nBad command or file name\nafter\n");
}

TEST(BatchInterpreter, VariablesExpand) {
    Dos d;
    d.dos.setVariable("winbootdir", "C:\\WINDOWS");
    EXPECT_EQ(d.dos.expandVariables("%WINBOOTDIR%\\COMMAND\\attrib 100%% %none%x %open"),
              "C:\\WINDOWS\\COMMAND\\attrib 100% x %open");
}

TEST(BatchInterpreter, MissingBatchFile) {
    Dos d;
    EXPECT_NE(d.dos.runBatchFile("C:\\NOPE.BAT"), 0);
    EXPECT_EQ(d.out.str(), "Batch file missing\n");
}
