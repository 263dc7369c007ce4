#include "bios_id.h"

#include "base/text.h"
#include "platform/machine.h"

namespace korvane {
namespace {

// Cuts a UTF-8 text to at most max bytes without splitting a character.
std::string_view cutAtCharacter(std::string_view text, std::size_t max) {
    if (text.size() <= max)
        return text;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

std::string ReadBiosIdText(const w98::Machine& machine) noexcept {
    try {
        const std::string raw = machine.biosIdText();
        std::string_view text = raw;
        text = text.substr(0, text.find('\0'));
        return std::string(cutAtCharacter(text, kBiosIdMaxBytes));
    } catch (...) {
        return {};
    }
}

BiosMaker BiosMakerOf(std::string_view biosIdText) {
    if (w98::containsNoCase(biosIdText, "award"))
        return BiosMaker::Award;
    if (w98::containsNoCase(biosIdText, "ami"))
        return BiosMaker::Ami;
    return BiosMaker::Other;
}

} // namespace korvane
