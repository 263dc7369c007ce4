#include "startup_text.h"

#include <algorithm>

namespace korvane {
namespace {

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string DropLeadingChars(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t dropped = 0; dropped < count && i < text.size(); ++dropped) {
        ++i;
        while (i < text.size() && isContinuationByte(text[i]))
            ++i;
    }
    return std::string(text.substr(i));
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

} // namespace korvane
