// Finding what a command word names along PATH, and running it: a batch file in a frame of its
// own, or a w98 program in this process.
#include "batch_interpreter.h"
#include "command_line.h"
#include "dos_messages.h"
#include "dos_paths.h"

#include "base/error.h"
#include "base/text.h"
#include "platform/machine.h"
#include "platform/machine_programs.h"
#include "programs/tool_registry.h"

#include <cstdint>

namespace w98 {
namespace {

// Batch files are read whole; a bigger file is no batch file.
constexpr std::uint64_t kMaxBatchBytes = 4u << 20;

} // namespace

std::string BatchInterpreter::findProgram(const std::string& word) const {
    if (hasWildcards(word))
        return {};
    std::vector<std::string> folders;
    std::string base = word;
    if (word.find_first_of("\\:") != std::string::npos) {
        auto [folder, name] = splitLast(session_.paths.resolve(word));
        folders.push_back(folder);
        base = name;
    } else {
        folders.push_back(session_.paths.folder());
        const std::string path = session_.variable("path");
        std::size_t pos = 0;
        while (pos <= path.size()) {
            std::size_t end = path.find(';', pos);
            if (end == std::string::npos)
                end = path.size();
            const std::string entry(trimmed(std::string_view(path).substr(pos, end - pos)));
            if (!entry.empty()) {
                try {
                    folders.push_back(session_.paths.resolve(entry));
                } catch (const Error&) {
                    // An entry naming no drive is passed over, as MS-DOS does.
                }
            }
            pos = end + 1;
        }
    }
    if (base.empty())
        return {};
    std::vector<std::string> names;
    const std::size_t dot = base.rfind('.');
    if (dot == std::string::npos) {
        for (const char* ext : {".com", ".exe", ".bat"})
            names.push_back(base + ext);
    } else {
        const std::string ext = foldAscii(base.substr(dot));
        if (ext != ".com" && ext != ".exe" && ext != ".bat")
            return {};
        names.push_back(base);
    }
    for (const auto& folder : folders)
        for (const auto& name : names)
            if (const std::string p = session_.paths.within(folder, name); session_.machine.isFile(p))
                return Machine::normalize(p);
    return {};
}

bool BatchInterpreter::loadBatch(const std::string& fullPath, std::string_view typedName,
                                 std::string_view tail, Frame& frame, std::ostream& out) {
    try {
        if (session_.machine.fileSize(fullPath) > kMaxBatchBytes) {
            out << fullPath << ": too large for a batch file\n";
            return false;
        }
        frame.lines = session_.machine.readTextLines(fullPath);
    } catch (const FormatError& e) {
        out << e.what() << "\n";
        return false;
    } catch (const Error&) {
        out << kBatchMissing << "\n";
        return false;
    }
    frame.path = fullPath;
    frame.params.emplace_back(typedName);
    for (std::string_view rest = tail;;) {
        auto [param, after] = rawWord(rest); // MS-DOS keeps a parameter's quotes
        if (param.empty() && skipSeparators(after).empty())
            break;
        frame.params.push_back(std::move(param));
        rest = after;
    }
    return true;
}

void BatchInterpreter::runProgram(const std::string& word, std::string_view tail, bool call,
                                  std::ostream& out) {
    const std::string program = findProgram(word);
    if (program.empty()) {
        out << kBadCommand << "\n";
        return;
    }
    if (foldAscii(program).ends_with(".bat")) {
        Frame frame;
        if (!loadBatch(program, word, tail, frame, out))
            return;
        if (!call && !frames_.empty()) {
            frames_.back() = std::move(frame); // a batch named without CALL ends the one that named it
        } else if (frames_.size() >= kMaxCallDepth) {
            out << "Batch files nested too deeply\n";
        } else {
            frames_.push_back(std::move(frame));
        }
        return;
    }
    if (!isKnownTool(program)) {
        out << kBadCommand << "\n";
        return;
    }
    try {
        errorLevel_ = runTool(session_, program, splitCommandLine(tail), out);
    } catch (const std::exception& e) {
        out << e.what() << "\n";
        errorLevel_ = 1;
    }
}

} // namespace w98
