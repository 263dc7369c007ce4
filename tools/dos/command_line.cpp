#include "command_line.h"

#include "base/error.h"
#include "base/text.h"

#include <algorithm>
#include <array>

namespace w98 {
namespace {

constexpr std::array<std::string_view, 22> kInternal = {
    "call", "cd",       "chdir", "cls",   "copy",   "del", "echo", "erase",  "exit", "goto",  "if",
    "lh",   "loadhigh", "path",  "pause", "prompt", "rem", "ren",  "rename", "set",  "shift", "type"};

// Characters that end an internal command's name even without a blank: "cd\", "cd..", "echo.".
bool endsInternalName(char c) {
    return c == '\\' || c == '.' || c == ':' || c == '"' || c == '+' || c == '[' || c == ']';
}

bool endsWord(char c) {
    return isSeparator(c) || c == '/' || c == '<' || c == '>' || c == '|';
}

} // namespace

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '=';
}

std::string_view skipSeparators(std::string_view s) {
    while (!s.empty() && isSeparator(s.front()))
        s.remove_prefix(1);
    return s;
}

bool isInternalCommand(std::string_view foldedWord) {
    for (auto name : kInternal)
        if (name == foldedWord)
            return true;
    return false;
}

std::pair<std::string, std::string_view> nextWord(std::string_view s) {
    s = skipSeparators(s);
    std::string word;
    bool quoted = false;
    std::size_t i = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && isSeparator(c))
            break;
        word += c;
    }
    return {word, s.substr(i)};
}

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

std::vector<std::string> dosArguments(std::string_view tail) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    auto flush = [&] {
        if (inWord)
            words.push_back(std::move(word));
        word.clear();
        inWord = false;
    };
    for (char c : tail) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && isSeparator(c)) {
            flush();
        } else if (!quoted && c == '/') {
            flush();
            word += c;
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    flush();
    return words;
}

CommandLine parseCommandLine(std::string_view line) {
    CommandLine cl;
    line = trimmedLeft(line); // trailing blanks stay: "echo hi " prints them, as MS-DOS does
    while (!line.empty() && line.front() == '@') {
        cl.quiet = true;
        line = trimmedLeft(line.substr(1));
    }

    // Redirections may stand anywhere outside quotes; they are taken out of the line.
    std::string rest;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"')
            quoted = !quoted;
        if (quoted || (c != '>' && c != '<')) {
            rest += c;
            continue;
        }
        const bool output = c == '>';
        bool append = false;
        if (output && i + 1 < line.size() && line[i + 1] == '>') {
            append = true;
            ++i;
        }
        std::size_t j = i + 1;
        while (j < line.size() && (line[j] == ' ' || line[j] == '\t'))
            ++j;
        std::size_t end = j;
        while (end < line.size() && !endsWord(line[end]))
            ++end;
        if (end == j)
            throw Error("Syntax error");
        if (output) {
            cl.outputFile = std::string(line.substr(j, end - j));
            cl.appendOutput = append;
        }
        i = end - 1;
    }
    cl.text = std::string(trimmedLeft(rest));

    std::string_view text = cl.text;
    if (text.starts_with('"')) {
        // A quoted program name: "C:\Program Files\x.exe" args
        const std::size_t close = text.find('"', 1);
        const std::size_t stop = close == std::string_view::npos ? text.size() : close;
        cl.word = std::string(text.substr(1, stop - 1));
        cl.tail = std::string(text.substr(std::min(stop + 1, text.size())));
        return cl;
    }
    std::size_t end = 0;
    while (end < text.size() && !endsWord(text[end]))
        ++end;
    std::string_view word = text.substr(0, end);
    // "cd\windows", "cd..", "echo." : an internal name followed at once by a path character.
    const std::size_t cut = word.find_first_of("\\.:\"+[]");
    if (cut != std::string_view::npos && cut > 0 && endsInternalName(word[cut]) &&
        isInternalCommand(foldAscii(word.substr(0, cut))))
        end = cut;
    cl.word = std::string(text.substr(0, end));
    cl.tail = std::string(text.substr(end));
    return cl;
}

} // namespace w98
