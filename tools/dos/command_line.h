#pragma once
// Splitting an MS-DOS command line: the echo-off mark, output redirection, the command word
// and its tail, and the words of the tail as the internal commands read them.
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

struct CommandLine {
    bool quiet = false;     // the line began with '@'
    std::string text;       // the line without '@' and redirections, as it is echoed
    std::string word;       // the command word as typed
    std::string tail;       // everything after the word, starting at its separator
    std::string outputFile; // target of '>' or '>>', empty for none
    bool appendOutput = false;
};

// Throws Error("Syntax error") when a redirection names no file.
CommandLine parseCommandLine(std::string_view line);

// MS-DOS's internal command names (folded), e.g. "cd", "copy", "echo".
bool isInternalCommand(std::string_view foldedWord);

// Blank, tab, comma, semicolon and equals sign separate words.
bool isSeparator(char c);
std::string_view skipSeparators(std::string_view s);

// The next word (double quotes group separators into it and are removed) and what follows it.
std::pair<std::string, std::string_view> nextWord(std::string_view s);

// The next word as typed, its double quotes kept: IF compares "%1"=="" as written, and a batch
// parameter keeps its quotes.
std::pair<std::string, std::string_view> rawWord(std::string_view s);

// The words of a tail; a slash starts a new word, so "b/Y" is "b" and "/Y".
std::vector<std::string> dosArguments(std::string_view tail);

} // namespace w98
