#include "batch_interpreter.h"

#include "command_line.h"
#include "dos_messages.h"
#include "file_commands.h"

#include "base/cp936.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/machine.h"

#include <cctype>
#include <sstream>

namespace w98 {
namespace {

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

} // namespace w98
