// COMMAND.COM's internal commands that steer a batch and its environment: ECHO, SET, PATH, IF
// and GOTO.
#include "batch_interpreter.h"
#include "command_line.h"
#include "dos_messages.h"
#include "file_commands.h"

#include "base/text.h"

#include <charconv>
#include <tuple>

namespace w98 {

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

} // namespace w98
