// The quick fixes: the input-method indicator really runs (twice when clicked twice), and the
// paths and restart they use.
#include "maintenance_machine.h"

#include "maintenance/quick_fixes.h"
#include "platform/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace korvane;

namespace {

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(QuickFixes, TheIndicatorRunsEachTime) {
    test::DemoMachine d;
    RestartInputMethodIndicator(d.m, "C:\\WINDOWS");
    RestartInputMethodIndicator(d.m, "C:\\WINDOWS");
    EXPECT_EQ(
        count(d.hostText("programs.log"), "Internat.exe: the input-method indicator is in the task bar"), 2);

    // A machine without the indicator: nothing runs and nothing fails.
    d.m.deleteFile("C:\\WINDOWS\\SYSTEM\\INTERNAT.EXE");
    RestartInputMethodIndicator(d.m, "C:\\WINDOWS");
    EXPECT_EQ(count(d.hostText("programs.log"), "Internat.exe"), 2);
}

// The shell starts a program of the machine as its stand-in, without waiting for it.
TEST(QuickFixes, TheShellOpensTheFileChecker) {
    test::DemoMachine d;
    w98::HostShell shell(d.m);
    shell.open(SystemFileCheckerPath("C:\\WINDOWS"));
    for (int i = 0; i < 100 && d.hostText("programs.log").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(d.hostText("programs.log").find("sfc.exe: the System File Checker window opened"),
              std::string::npos);
}
