#pragma once
// The broken forms a file of a real machine takes: after a crash, a full disk, a program
// writing another code page, or a user's editor. Each form keeps the name it is reported by.
#include "dos/dos_session.h"
#include "platform/machine.h"
#include "programs/tool_registry.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace korvane::test {

struct BrokenForm {
    std::string name;
    std::string bytes;
};

// Content forms of a sound file's bytes: empty, cut in half, cut inside its last line, with
// bytes that are no code page 936 text, with a line of a megabyte, and binary garbage.
inline std::vector<BrokenForm> brokenForms(const std::string& good) {
    std::string garbage;
    unsigned state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        garbage += static_cast<char>(state >> 16 & 0xFF);
    }
    std::string notGbk = good;
    notGbk.insert(notGbk.size() / 2, "\x81\x20\xFF\xFE");
    std::string longLine = good;
    longLine.insert(good.find('\n') == std::string::npos ? good.size() : good.find('\n') + 1,
                    std::string(1 << 20, 'x') + "\r\n");
    std::string cutLastLine = good;
    while (!cutLastLine.empty() && (cutLastLine.back() == '\n' || cutLastLine.back() == '\r'))
        cutLastLine.pop_back();
    cutLastLine.resize(cutLastLine.size() - std::min<std::size_t>(cutLastLine.size(), 3));
    return {{"empty", ""},
            {"cut in half", good.substr(0, good.size() / 2)},
            {"cut inside its last line", cutLastLine},
            {"not code page 936", notGbk},
            {"a line of a megabyte", longLine},
            {"binary garbage", garbage}};
}

// A folder where the file should be, with something in it that must survive.
inline void folderInPlaceOf(w98::Machine& m, const std::string& file) {
    m.createDirectories(file);
    m.writeFile(file + "\\KEEP.TXT", "kept");
}

inline bool folderStillHolds(const w98::Machine& m, const std::string& file) {
    return m.isDirectory(file) && m.isFile(file + "\\KEEP.TXT") && m.readFile(file + "\\KEEP.TXT") == "kept";
}

// Temporary files a replacement leaves behind in a host folder.
inline int leftoverTemporaries(const std::filesystem::path& folder) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.starts_with('.') && name.ends_with(".tmp"))
            ++n;
    }
    return n;
}

// Runs a w98 program on the machine in a session of its own; what it printed.
inline std::string runProgram(w98::Machine& m, const std::string& name, const w98::ToolArgs& args) {
    std::ostringstream out;
    w98::runTool(m, name, args, out);
    return out.str();
}

} // namespace korvane::test
