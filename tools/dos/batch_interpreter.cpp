#include "batch_interpreter.h"

#include "command_line.h"
#include "file_commands.h"

#include "platform/cp936.h"
#include "platform/error.h"
#include "platform/machine.h"
#include "platform/process.h"
#include "platform/text.h"
#include "programs/tool_registry.h"

#include <cctype>
#include <charconv>
#include <sstream>

namespace w98 {
namespace {

constexpr const char* kBadCommand = "Bad command or file name";
constexpr const char* kBatchMissing = "Batch file missing";
constexpr const char* kSyntaxError = "Syntax error";
constexpr const char* kNoEnvironmentSpace = "Out of environment space";
// Batch files are read whole; a bigger file is no batch file.
constexpr std::uint64_t kMaxBatchBytes = 4u << 20;

// A word of an IF condition, quotes kept: IF compares "%1"=="" as written.
std::pair<std::string, std::string_view> rawWord(std::string_view s) {
    s = skipSeparators(s);
    bool quoted = false;
    std::size_t i = 0;
    for (; i < s.size(); ++i) {
        if (s[i] == '"')
            quoted = !quoted;
        else if (!quoted && isSeparator(s[i]))
            break;
    }
    return {std::string(s.substr(0, i)), s.substr(i)};
}

// A line as COMMAND.COM reads it in MS-DOS mode: at most kDosLineBytes bytes of code page 936,
// the rest cut off (a character is never split).
std::string dosLine(std::string_view utf8) {
    std::string gbk;
    if (!cp936::tryFromUtf8(utf8, gbk) || gbk.size() <= DosSession::kDosLineBytes)
        return std::string(utf8);
    std::size_t keep = 0;
    while (keep < gbk.size()) {
        const auto b = static_cast<unsigned char>(gbk[keep]);
        const std::size_t len = b >= 0x81 && b <= 0xFE && keep + 1 < gbk.size() ? 2 : 1;
        if (keep + len > DosSession::kDosLineBytes)
            break;
        keep += len;
    }
    std::string out;
    return cp936::tryToUtf8(gbk.substr(0, keep), out) ? out : std::string(utf8);
}

} // namespace

BatchInterpreter::BatchInterpreter(Machine& machine, std::ostream& out)
    : owned_(std::make_unique<DosSession>(machine)), session_(*owned_), out_(out) {
    ++session_.interpreters;
}

BatchInterpreter::BatchInterpreter(DosSession& session, std::ostream& out) : session_(session), out_(out) {
    ++session_.interpreters;
}

BatchInterpreter::~BatchInterpreter() {
    --session_.interpreters;
}

std::string BatchInterpreter::expandVariables(std::string_view line) const {
    const std::vector<std::string>* params = frames_.empty() ? nullptr : &frames_.back().params;
    std::string out;
    for (std::size_t i = 0; i < line.size() && out.size() < kMaxLineBytes; ++i) {
        if (line[i] != '%') {
            out += line[i];
            continue;
        }
        if (i + 1 < line.size() && line[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        if (params && i + 1 < line.size() && std::isdigit(static_cast<unsigned char>(line[i + 1]))) {
            const auto n = static_cast<std::size_t>(line[i + 1] - '0');
            if (n < params->size())
                out += (*params)[n];
            ++i;
            continue;
        }
        std::size_t close = line.find('%', i + 1);
        if (close == std::string_view::npos) {
            out += line.substr(i);
            break;
        }
        out += session_.variable(line.substr(i + 1, close - i - 1));
        i = close;
    }
    return out;
}

std::string BatchInterpreter::prompt() const {
    const std::string pattern = session_.variable("prompt");
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '$' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        switch (lowerAscii(pattern[++i])) {
        case 'p':
            out += session_.paths.folder();
            break;
        case 'n':
            out += session_.paths.drive();
            break;
        case 'g':
            out += '>';
            break;
        case 'l':
            out += '<';
            break;
        case 'b':
            out += '|';
            break;
        case 'q':
            out += '=';
            break;
        case '$':
            out += '$';
            break;
        case '_':
            out += '\n';
            break;
        default:
            break;
        }
    }
    return out;
}

int BatchInterpreter::runCommandLine(std::string_view line) {
    const std::size_t base = frames_.size();
    runLine(expandVariables(line), !frames_.empty());
    runFrames(base);
    return errorLevel_;
}

int BatchInterpreter::runBatchFile(const std::string& path, const std::vector<std::string>& params) {
    std::string full;
    try {
        full = session_.paths.resolve(path);
    } catch (const Error&) {
        out_ << kBatchMissing << "\n";
        return 1;
    }
    std::string tail;
    for (const auto& p : params)
        tail += " " + p;
    Frame frame;
    if (!loadBatch(full, path, tail, frame, out_))
        return 1;
    const std::size_t base = frames_.size();
    frames_.push_back(std::move(frame));
    runFrames(base);
    return errorLevel_;
}

void BatchInterpreter::runFrames(std::size_t depth) {
    while (!exited_ && frames_.size() > depth) {
        Frame& top = frames_.back();
        if (top.next >= top.lines.size()) {
            frames_.pop_back();
            continue;
        }
        if (++linesRun_ > kMaxLines) {
            out_ << "Batch file stopped after " << kMaxLines << " lines\n";
            frames_.resize(depth);
            return;
        }
        std::string raw = top.lines[top.next++];
        if (session_.msDosMode())
            raw = dosLine(raw);
        if (trimmed(raw).starts_with(':'))
            continue; // a label
        runLine(expandVariables(raw), true);
    }
}

void BatchInterpreter::runLine(std::string_view expanded, bool inBatch) {
    if (expanded.size() > kMaxLineBytes)
        expanded = expanded.substr(0, kMaxLineBytes);
    std::string cut;
    if (session_.msDosMode()) {
        cut = dosLine(expanded);
        expanded = cut;
    }
    CommandLine cl;
    try {
        cl = parseCommandLine(expanded);
    } catch (const Error& e) {
        out_ << e.what() << "\n";
        return;
    }
    if (cl.word.empty())
        return;
    if (inBatch && echo_ && !cl.quiet)
        out_ << "\n" << prompt() << trimmed(expanded) << "\n";
    if (cl.outputFile.empty()) {
        dispatch(cl.word, cl.tail, inBatch, out_);
        return;
    }

    // Output redirected: NUL swallows it, CON is the console, anything else a file.
    std::ostringstream captured;
    dispatch(cl.word, cl.tail, inBatch, captured);
    const std::string target = foldAscii(cl.outputFile);
    if (target == "nul" || target.ends_with("\\nul"))
        return;
    if (target == "con") {
        out_ << captured.str();
        return;
    }
    try {
        const std::string file = session_.paths.resolve(cl.outputFile);
        std::string bytes;
        if (cl.appendOutput && session_.machine.isFile(file))
            bytes = session_.machine.readFile(file);
        std::string text;
        for (char c : captured.str()) {
            if (c == '\n')
                text += '\r';
            text += c;
        }
        std::string encoded;
        bytes += cp936::tryFromUtf8(text, encoded) ? encoded : text;
        session_.machine.writeFile(file, bytes);
    } catch (const Error&) {
        out_ << "File creation error\n";
    }
}

void BatchInterpreter::dispatch(const std::string& word, std::string_view tail, bool inBatch,
                                std::ostream& out) {
    const std::string cmd = foldAscii(word);
    try {
        if (isDriveName(word)) {
            changeDrive(session_, word[0], out);
        } else if (cmd == "rem") {
        } else if (cmd == "echo") {
            echoCommand(tail, out);
        } else if (cmd == "cd" || cmd == "chdir") {
            cdCommand(session_, tail, out);
        } else if (cmd == "del" || cmd == "erase") {
            delCommand(session_, tail, out);
        } else if (cmd == "ren" || cmd == "rename") {
            renCommand(session_, tail, out);
        } else if (cmd == "copy") {
            copyCommand(session_, tail, out, inBatch);
        } else if (cmd == "type") {
            typeCommand(session_, tail, out);
        } else if (cmd == "set") {
            setCommand(tail, out);
        } else if (cmd == "path") {
            pathCommand(tail, out);
        } else if (cmd == "prompt") {
            std::string_view p = trimmed(skipSeparators(tail));
            if (!session_.setVariable("prompt", p.empty() ? std::string_view("$p$g") : p))
                out << kNoEnvironmentSpace << "\n";
        } else if (cmd == "if") {
            ifCommand(tail, inBatch, out);
        } else if (cmd == "goto") {
            gotoCommand(tail, out);
        } else if (cmd == "shift") {
            if (!frames_.empty() && !frames_.back().params.empty())
                frames_.back().params.erase(frames_.back().params.begin());
        } else if (cmd == "call") {
            const CommandLine called = parseCommandLine(tail);
            if (isInternalCommand(foldAscii(called.word)) || isDriveName(called.word))
                dispatch(called.word, called.tail, inBatch, out);
            else if (!called.word.empty())
                runProgram(called.word, called.tail, true, out);
        } else if (cmd == "exit") {
            exited_ = true;
            frames_.clear();
        } else if (cmd == "pause") {
            out << "Press any key to continue . . .\n"; // no keyboard: nothing to wait for
        } else if (cmd == "cls") {
        } else if (cmd == "lh" || cmd == "loadhigh") {
            std::string_view rest = skipSeparators(tail);
            while (rest.starts_with('/'))
                rest = skipSeparators(rawWord(rest).second);
            const CommandLine loaded = parseCommandLine(rest);
            if (!loaded.word.empty())
                dispatch(loaded.word, loaded.tail, inBatch, out);
        } else {
            runProgram(word, tail, false, out);
        }
    } catch (const std::exception& e) {
        // Whatever a line meets, the batch goes on.
        out << e.what() << "\n";
    }
}

void BatchInterpreter::echoCommand(std::string_view tail, std::ostream& out) {
    if (tail.empty()) {
        out << "ECHO is " << (echo_ ? "on" : "off") << "\n";
        return;
    }
    const char first = tail.front();
    std::string_view text = tail.substr(1);
    if (first != ' ' && first != '\t') {
        // "ECHO." and its kin print what follows the mark, an empty line at least.
        out << text << "\n";
        return;
    }
    const std::string arg = foldAscii(trimmed(text));
    if (arg == "on" || arg == "off")
        echo_ = arg == "on";
    else if (arg.empty())
        out << "ECHO is " << (echo_ ? "on" : "off") << "\n";
    else
        out << text << "\n";
}

void BatchInterpreter::setCommand(std::string_view tail, std::ostream& out) {
    std::string_view rest = tail;
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    if (trimmed(rest).empty()) {
        for (const auto& [name, value] : session_.environment)
            out << upperAscii(name) << "=" << value << "\n";
        return;
    }
    const std::size_t eq = rest.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        out << kSyntaxError << "\n";
        return;
    }
    if (!session_.setVariable(rest.substr(0, eq), rest.substr(eq + 1)))
        out << kNoEnvironmentSpace << "\n";
}

void BatchInterpreter::pathCommand(std::string_view tail, std::ostream& out) {
    std::string_view rest = trimmed(tail);
    if (!rest.empty() && rest.front() == '=')
        rest = trimmed(rest.substr(1));
    if (rest.empty()) {
        const std::string path = session_.variable("path");
        out << (path.empty() ? std::string("No Path") : "PATH=" + path) << "\n";
        return;
    }
    if (!session_.setVariable("path", rest == ";" ? std::string_view() : rest))
        out << kNoEnvironmentSpace << "\n";
}

void BatchInterpreter::ifCommand(std::string_view tail, bool inBatch, std::ostream& out) {
    auto [word, rest] = rawWord(tail);
    bool negate = false;
    if (equalsNoCase(word, "not")) {
        negate = true;
        std::tie(word, rest) = rawWord(rest);
    }
    bool condition = false;
    if (equalsNoCase(word, "exist")) {
        auto [name, after] = nextWord(rest);
        if (name.empty()) {
            out << kSyntaxError << "\n";
            return;
        }
        condition = fileExists(session_, name);
        rest = after;
    } else if (equalsNoCase(word, "errorlevel")) {
        auto [number, after] = rawWord(rest);
        unsigned level = 0;
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), level);
        if (number.empty() || ec != std::errc() || end != number.data() + number.size()) {
            out << kSyntaxError << "\n";
            return;
        }
        condition = static_cast<unsigned>(errorLevel_) >= level;
        rest = after;
    } else {
        // string1==string2; a blank may stand on either side of the two equals signs.
        const std::size_t eq = word.find("==");
        std::string left = word, right;
        if (eq != std::string::npos) {
            left = word.substr(0, eq);
            right = word.substr(eq + 2);
        } else {
            std::string_view r = trimmed(rest);
            if (!r.starts_with("==")) {
                out << kSyntaxError << "\n";
                return;
            }
            rest = r.substr(2);
        }
        if (right.empty())
            std::tie(right, rest) = rawWord(rest);
        if (left.empty() && right.empty() && eq == std::string::npos) {
            out << kSyntaxError << "\n";
            return;
        }
        condition = left == right;
    }
    const CommandLine then = parseCommandLine(rest);
    if (then.word.empty()) {
        out << kSyntaxError << "\n";
        return;
    }
    if (condition != negate)
        dispatch(then.word, then.tail, inBatch, out);
}

void BatchInterpreter::gotoCommand(std::string_view tail, std::ostream& out) {
    if (frames_.empty())
        return;
    std::string_view label = skipSeparators(tail);
    if (label.starts_with(':'))
        label.remove_prefix(1);
    const std::string wanted = nextWord(label).first;
    Frame& top = frames_.back();
    for (std::size_t i = 0; i < top.lines.size(); ++i) {
        std::string_view line = trimmed(top.lines[i]);
        if (!line.starts_with(':'))
            continue;
        if (equalsNoCase(nextWord(line.substr(1)).first, wanted)) {
            top.next = i + 1;
            return;
        }
    }
    out << "Label not found\n";
    frames_.pop_back();
}

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
