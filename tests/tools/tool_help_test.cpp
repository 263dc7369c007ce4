// `w98 --help` lists each stand-in program once, and exactly those that w98 runs.
#include "programs/tool_help.h"
#include "programs/tool_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

// The names at the start of the help's program lines ("  scanreg   scanreg.exe：...").
std::vector<std::string> listedNames(const std::string& help) {
    std::vector<std::string> names;
    std::istringstream in(help);
    std::string line;
    bool inList = false;
    while (std::getline(in, line)) {
        if (line == "替身程序：") {
            inList = true;
            continue;
        }
        if (inList && line.empty())
            break;
        if (inList) {
            EXPECT_TRUE(line.starts_with("  ")) << line;
            const auto start = line.find_first_not_of(' ');
            const auto end = line.find(' ', start);
            names.push_back(line.substr(start, end - start));
            EXPECT_NE(line.find_first_not_of(' ', end), std::string::npos) << "no description: " << line;
        }
    }
    return names;
}

TEST(ToolHelp, ListsEveryStandInThatW98Runs) {
    std::ostringstream out;
    w98::printToolHelp(out);
    const std::vector<std::string> expected = {"attrib",   "boot",    "command",  "extract",
                                               "internat", "regedit", "scanreg",  "scanregw",
                                               "setup",    "sfc",     "smartdrv", "win"};
    EXPECT_EQ(listedNames(out.str()), expected);
    auto runs = w98::toolNames();
    std::sort(runs.begin(), runs.end());
    EXPECT_EQ(runs, expected);
    EXPECT_TRUE(out.str().starts_with("用法：w98 程序 [参数...]\n"));
    EXPECT_NE(out.str().find("\n  --demo-image 文件 [fat16|fat32]\n"), std::string::npos) << out.str();
}

TEST(ToolHelp, MessagesNameTheProgramAndPointToHelp) {
    EXPECT_EQ(w98::unknownToolMessage("notepad"),
              "w98：没有名为“notepad”的替身程序；w98 --help 列出全部替身程序。");
    EXPECT_NE(w98::usageMessage().find("w98 --help"), std::string::npos);
}

} // namespace
