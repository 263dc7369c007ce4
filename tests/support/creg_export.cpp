#include "tests/support/creg_export.h"

#include "base/cp936.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>
#include <vector>

namespace korvane::test {

namespace {

const char kHex[] = "0123456789abcdef";

std::string hexOf(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (!out.empty())
            out += ' ';
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

bool isHexPair(const std::string& t) {
    auto hexDigit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    return t.size() == 2 && hexDigit(t[0]) && hexDigit(t[1]);
}

std::string typeNumber(const std::string& typeLine) {
    // "Type: string (REG_SZ)": the name in brackets is the stable part.
    static const std::vector<std::pair<std::string, std::string>> names{{"(REG_NONE)", "0"},
                                                                        {"(REG_SZ)", "1"},
                                                                        {"(REG_EXPAND_SZ)", "2"},
                                                                        {"(REG_BINARY)", "3"},
                                                                        {"(REG_DWORD_LITTLE_ENDIAN)", "4"},
                                                                        {"(REG_DWORD_BIG_ENDIAN)", "5"},
                                                                        {"(REG_LINK)", "6"},
                                                                        {"(REG_MULTI_SZ)", "7"}};
    for (const auto& [name, number] : names)
        if (typeLine.find(name) != std::string::npos)
            return number;
    return typeLine;
}

void dumpKey(w98::Registry& r, w98::RegRoot root, const std::string& path, std::string& out) {
    out += "[" + path + "]\n";
    for (const auto& v : r.values(root, path)) {
        // A binary file keeps a string without the NUL it ends with in memory.
        std::string data = v.data;
        if (v.type == w98::reg_type::kSz && !data.empty() && data.back() == '\0')
            data.pop_back();
        out +=
            (v.name.empty() ? "(default)" : v.name) + "|" + std::to_string(v.type) + "|" + hexOf(data) + "\n";
    }
    for (const auto& k : r.subkeyNames(root, path))
        dumpKey(r, root, path.empty() ? k : path + "\\" + k, out);
}

} // namespace

std::string cregExport(const std::filesystem::path& file) {
    const std::string command = "cregexport -c windows-936 '" + file.string() + "' 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run cregexport";
        return "";
    }
    std::string output;
    std::array<char, 65536> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "cregexport could not read " << file << ":\n" << output.substr(0, 4000);
        return "";
    }

    std::istringstream in(output);
    std::string line, out, valueName, type;
    std::size_t dataSize = 0;
    std::string data;
    bool inValue = false, inDump = false;
    auto endValue = [&] {
        if (inValue)
            out += valueName + "|" + type + "|" + data + "\n";
        inValue = inDump = false;
    };
    while (std::getline(in, line)) {
        if (line.rfind("Key path: ", 0) == 0 || line == "Key path:") {
            endValue();
            std::string path = line.size() > 10 ? line.substr(10) : "";
            // cregexport starts every path with a backslash below the root.
            if (!path.empty() && path.front() == '\\')
                path.erase(0, 1);
            out += "[" + path + "]\n";
        } else if (line.rfind("Value: ", 0) == 0) {
            endValue();
            inValue = true;
            std::string rest = line.substr(7);
            std::size_t space = rest.find(' ');
            valueName = space == std::string::npos ? "" : rest.substr(space + 1);
            type.clear();
            data.clear();
            dataSize = 0;
        } else if (inValue && line.rfind("Type: ", 0) == 0) {
            type = typeNumber(line);
        } else if (inValue && line.rfind("Data size: ", 0) == 0) {
            dataSize = std::stoul(line.substr(11));
        } else if (inValue && line == "Data:") {
            inDump = true;
        } else if (inValue && type == "4" && dataSize == 4 && line.rfind("Data: ", 0) == 0) {
            // A DWORD is shown as its number only.
            const auto v = static_cast<std::uint32_t>(std::stoul(line.substr(6)));
            data = hexOf(std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
                                     static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24 & 0xFF)});
        } else if (inDump && line.size() > 10 && line[8] == ':') {
            std::istringstream tokens(line.substr(9));
            std::string t;
            std::size_t have = data.empty() ? 0 : (data.size() + 1) / 3;
            while (have < dataSize && tokens >> t && isHexPair(t)) {
                if (!data.empty())
                    data += ' ';
                data += t;
                ++have;
            }
        }
    }
    endValue();
    return out;
}

std::string firstDifference(const std::string& expected, const std::string& actual) {
    if (expected == actual)
        return "";
    std::istringstream a(expected), b(actual);
    std::string x, y;
    for (std::size_t line = 1;; ++line) {
        const bool moreA = static_cast<bool>(std::getline(a, x));
        const bool moreB = static_cast<bool>(std::getline(b, y));
        if (!moreA && !moreB)
            return "the dumps differ only in their line ends";
        if (!moreA || !moreB || x != y)
            return "line " + std::to_string(line) + ": expected \"" + (moreA ? x : "<end>") + "\", found \"" +
                   (moreB ? y : "<end>") + "\"";
    }
}

std::string registryDump(w98::Registry& registry, w98::RegRoot root) {
    std::string out;
    dumpKey(registry, root, "", out);
    return out;
}

} // namespace korvane::test
