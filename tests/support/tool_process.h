#pragma once
// Outside command-line tools run from tests: argument lists (no shell), stdin from /dev/null,
// stdout and stderr captured together.
#include <string>
#include <utility>
#include <vector>

namespace korvane::test {

struct ToolResult {
    int exitCode = -1; // 128 + the signal when it was killed
    std::string output;
};

// Runs argv[0] (looked up in PATH, then /usr/sbin and /sbin, where dosfstools lives) with the
// given variables added to or replacing the caller's environment. Throws when it cannot start.
ToolResult runTool(const std::vector<std::string>& argv,
                   const std::vector<std::pair<std::string, std::string>>& environment = {});

// "mdir -a ..." with its output, for the messages of the helpers that throw.
std::string describeRun(const std::vector<std::string>& argv, const ToolResult& result);

} // namespace korvane::test
