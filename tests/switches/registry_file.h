#pragma once
// Reading what really landed in a machine's registry files: the lines of one key's section.
#include "tests/support/temp_machine.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace korvane::test {

inline bool sameNoCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// The value lines of the key "[HKEY_...\path]" in the REGEDIT4 file; empty when the key is not
// there. Lines end in CR LF, as the file keeps them.
inline std::vector<std::string> keyLines(const TempMachine& tm, const std::string& file,
                                         const std::string& key) {
    const std::string bytes = tm.bytes("C:\\WINDOWS\\" + file);
    std::vector<std::string> out;
    bool inKey = false;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = bytes.substr(at, end - at);
        at = end + 2;
        if (!line.empty() && line.front() == '[') {
            inKey = sameNoCase(line, "[" + key + "]");
            continue;
        }
        if (inKey && !line.empty())
            out.push_back(line);
    }
    return out;
}

inline bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace korvane::test
