#pragma once
// Text as the machine's files and names hold it: letter case folded for ASCII letters only, as
// FAT and the registry compare names (the bytes of UTF-8 and code page 936 stay as they are),
// blanks, and the lines of MS-DOS text files (CR LF after every line).
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

constexpr char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
// Lower-cases ASCII letters; other bytes stay as they are.
std::string foldAscii(std::string_view s);
std::string upperAscii(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
bool containsNoCase(std::string_view haystack, std::string_view needle);

inline constexpr std::string_view kBlanks = " \t";
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
// Without the given characters at the ends.
std::string_view trimmed(std::string_view s, std::string_view chars = kBlanks);
std::string_view trimmedLeft(std::string_view s, std::string_view chars = kBlanks);
std::string_view trimmedRight(std::string_view s, std::string_view chars = kBlanks);

// Splits text at CR LF (or a lone LF); a final line break does not start another line. The
// views point into text.
std::vector<std::string_view> splitLineViews(std::string_view text);
std::vector<std::string> splitLines(std::string_view text);
// Joins lines, each followed by CR LF.
std::string joinLinesCrlf(const std::vector<std::string>& lines);

} // namespace w98
