// win.com: Windows starts. What the stand-in does of it is what the machine's programs rely
// on: the programs of HKEY_LOCAL_MACHINE\...\Run that the machine holds and w98 knows run
// (the registry checker's "scanregw.exe /autorun"); any other is passed over. It rewrites the
// registry files first, as Windows does.
#include "tools.h"

#include "dos/dos_session.h"
#include "tool_registry.h"

#include "base/cp936.h"
#include "base/text.h"
#include "platform/machine.h"
#include "platform/machine_programs.h"
#include "registry/registry.h"

#include <cstdio>
#include <utility>

namespace w98 {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Where the stand-in counts its starts, in both registry files.
constexpr const char* kStartsKey = "Software\\w98";
constexpr const char* kStartsValue = "Starts";

// Windows 98 rewrites SYSTEM.DAT and USER.DAT as it starts, so nothing may tell a restore by
// their bytes. The stand-in reads both through the registry and writes them back with the
// start counted: the bytes change, what the programs keep there stays. One import changes
// both files as one step, as Windows never leaves one rewritten and the other not.
void rewriteRegistry(Machine& m) {
    Registry& r = m.registry();
    std::string text = "REGEDIT4\r\n";
    for (const auto& [root, name] : {std::pair{kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},
                                     std::pair{kHkeyCurrentUser, "HKEY_CURRENT_USER"}}) {
        const auto v = r.getValue(root, kStartsKey, kStartsValue);
        const std::uint32_t starts = v && v->type == reg_type::kDword ? regDwordFromData(v->data) + 1 : 1;
        char line[64];
        std::snprintf(line, sizeof line, "\"%s\"=dword:%08x", kStartsValue, starts);
        text += "\r\n[" + std::string(name) + "\\" + kStartsKey + "]\r\n" + line + "\r\n";
    }
    r.importText(text, "WIN.COM");
}

// %NAME% of an expandable string, from the session's environment.
std::string expand(const DosSession& s, const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
        if (close == std::string::npos) {
            out += text[i];
            continue;
        }
        const std::string name = text.substr(i + 1, close - i - 1);
        const std::string value = s.variable(name);
        out += value.empty() ? text.substr(i, close - i + 1) : value;
        i = close;
    }
    return out;
}

} // namespace

int winTool(DosSession& s, const ToolArgs&, std::ostream& out) {
    if (s.windowsStarted) {
        out << "Windows is already running.\n";
        return 0;
    }
    s.windowsStarted = true;
    out << "Starting Windows 98...\n";
    // Windows' programs see long names; MS-DOS mode is back when Windows ends.
    const bool msDosMode = s.msDosMode();
    s.paths.useShortNames(nullptr);
    try {
        rewriteRegistry(s.machine);
    } catch (const std::exception& e) {
        out << e.what() << "\n";
    }

    std::vector<RegValue> programs;
    try {
        programs = s.machine.registry().values(kHkeyLocalMachine, kRunKey);
    } catch (const std::exception& e) {
        out << e.what() << "\n";
    }
    for (const auto& v : programs) {
        if (v.type != reg_type::kSz && v.type != reg_type::kExpandSz)
            continue;
        std::string command;
        if (!cp936::tryToUtf8(trimmedRight(v.data, std::string_view("\0", 1)), command))
            continue;
        if (v.type == reg_type::kExpandSz)
            command = expand(s, command);
        const std::vector<std::string> words = splitCommandLine(command);
        const std::optional<std::string> program =
            words.empty() ? std::nullopt : findProgram(s.machine, words[0]);
        if (!program || !isKnownTool(*program)) {
            out << "Not started: " << command << "\n";
            continue;
        }
        out << "Running " << command << "\n";
        try {
            runTool(s, *program, ToolArgs(words.begin() + 1, words.end()), out);
        } catch (const std::exception& e) {
            out << e.what() << "\n";
        }
    }
    out << "Windows started.\n";
    s.paths.useShortNames(msDosMode ? &s.machine : nullptr);
    return 0;
}

} // namespace w98
