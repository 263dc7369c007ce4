#include "batch_interpreter.h"

#include "platform/error.h"
#include "platform/ini_file.h"
#include "platform/machine.h"
#include "platform/process.h"
#include "programs/tool_registry.h"

namespace w98 {
namespace {

constexpr const char* kBadCommand = "Bad command or file name";
constexpr const char* kBatchMissing = "Batch file missing";

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

// The command word ends at a blank or at the characters MS-DOS treats as separators.
std::pair<std::string, std::string_view> splitCommand(std::string_view line) {
    std::size_t end = 0;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '/' && line[end] != ',' &&
           line[end] != ';' && line[end] != '=')
        ++end;
    // ECHO. prints an empty line; keep the dot as the separator.
    if (end > 4 && equalsNoCase(line.substr(0, 5), "echo."))
        end = 4;
    return {std::string(line.substr(0, end)), line.substr(end)};
}

} // namespace

BatchInterpreter::BatchInterpreter(Machine& machine, std::ostream& out) : machine_(machine), out_(out) {
    // The environment of the Windows 98 start-up.
    const std::string win = machine_.windowsFolder();
    setVariable("winbootdir", win);
    setVariable("windir", win);
    setVariable("comspec", win + "\\COMMAND.COM");
    setVariable("path", win + ";" + win + "\\COMMAND");
}

void BatchInterpreter::setVariable(std::string_view name, std::string_view value) {
    if (value.empty())
        variables_.erase(foldAscii(name));
    else
        variables_[foldAscii(name)] = std::string(value);
}

std::string BatchInterpreter::variable(std::string_view name) const {
    auto it = variables_.find(foldAscii(name));
    return it == variables_.end() ? std::string() : it->second;
}

std::string BatchInterpreter::expandVariables(std::string_view line) const {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '%') {
            out += line[i];
            continue;
        }
        if (i + 1 < line.size() && line[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t close = line.find('%', i + 1);
        if (close == std::string_view::npos) {
            out += line.substr(i);
            break;
        }
        out += variable(line.substr(i + 1, close - i - 1));
        i = close;
    }
    return out;
}

int BatchInterpreter::runCommandLine(std::string_view rawLine) {
    std::string_view line = trimLeft(rawLine);
    bool quiet = false;
    if (!line.empty() && line.front() == '@') {
        quiet = true;
        line = trimLeft(line.substr(1));
    }
    if (line.empty() || line.front() == ':')
        return 0;
    if (echo_ && !quiet)
        out_ << "C:\\>" << line << "\n";

    auto [word, rest] = splitCommand(line);
    const std::string cmd = foldAscii(word);
    if (cmd == "rem")
        return 0;
    if (cmd == "echo") {
        if (!rest.empty() && rest.front() == '.') {
            out_ << rest.substr(1) << "\n";
            return 0;
        }
        std::string_view text = rest;
        if (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        const std::string arg = foldAscii(trimLeft(text));
        if (arg == "off" || arg == "on") {
            echo_ = arg == "on";
        } else if (arg.empty()) {
            out_ << "ECHO is " << (echo_ ? "on" : "off") << "\n";
        } else {
            out_ << text << "\n";
        }
        return 0;
    }
    if (cmd == "exit") {
        exited_ = true;
        return exitCode_;
    }
    return runProgram(word, rest);
}

int BatchInterpreter::runProgram(const std::string& word, std::string_view rest) {
    const std::optional<std::string> program = findProgram(machine_, word);
    if (!program) {
        out_ << kBadCommand << "\n";
        return 1;
    }
    if (equalsNoCase(program->substr(program->size() - 4), ".bat"))
        return runBatchFile(*program);
    if (!isKnownTool(*program)) {
        out_ << kBadCommand << "\n";
        return 1;
    }
    std::vector<std::string> args = splitCommandLine(rest);
    try {
        return runTool(machine_, *program, args, out_);
    } catch (const std::exception& e) {
        out_ << e.what() << "\n";
        return 1;
    }
}

int BatchInterpreter::runBatchFile(const std::string& winPath) {
    std::vector<std::string> lines;
    try {
        lines = machine_.readTextLines(winPath);
    } catch (const IoError&) {
        out_ << kBatchMissing << "\n";
        return 1;
    } catch (const FormatError& e) {
        out_ << e.what() << "\n";
        return 1;
    }
    for (const auto& l : lines) {
        runCommandLine(expandVariables(l));
        if (exited_)
            break;
    }
    return exitCode_;
}

} // namespace w98
