#include "text.h"

#include <algorithm>

namespace w98 {

std::string foldAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        c = lowerAscii(c);
    return out;
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        c = upperAscii(c);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && startsWithNoCase(a, b);
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lowerAscii(s[i]) != lowerAscii(prefix[i]))
            return false;
    return true;
}

bool containsNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty())
        return true;
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                       [](char a, char b) { return lowerAscii(a) == lowerAscii(b); }) != haystack.end();
}

std::string_view trimmedLeft(std::string_view s, std::string_view chars) {
    while (!s.empty() && chars.find(s.front()) != std::string_view::npos)
        s.remove_prefix(1);
    return s;
}

std::string_view trimmedRight(std::string_view s, std::string_view chars) {
    while (!s.empty() && chars.find(s.back()) != std::string_view::npos)
        s.remove_suffix(1);
    return s;
}

std::string_view trimmed(std::string_view s, std::string_view chars) {
    return trimmedRight(trimmedLeft(s, chars), chars);
}

std::vector<std::string_view> splitLineViews(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t nl = text.find('\n', start);
        const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        const std::size_t contentEnd = end > start && text[end - 1] == '\r' ? end - 1 : end;
        lines.push_back(text.substr(start, contentEnd - start));
        if (nl == std::string_view::npos)
            break;
        start = nl + 1;
    }
    return lines;
}

std::vector<std::string> splitLines(std::string_view text) {
    const auto views = splitLineViews(text);
    return {views.begin(), views.end()};
}

std::string joinLinesCrlf(const std::vector<std::string>& lines) {
    std::size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

} // namespace w98
