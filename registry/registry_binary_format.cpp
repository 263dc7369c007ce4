#include "registry_binary_format.h"

#include "base/error.h"
#include "base/text.h"
#include "registry_binary_layout.h"

#include <cstdio>

namespace w98::regbin {

namespace layout {

std::string hexOffset(std::uint64_t offset) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(offset));
    return text;
}

void damaged(const std::string& displayName, std::optional<std::uint64_t> offset, const std::string& what) {
    std::string message = "注册表文件已损坏";
    if (offset)
        message += "（偏移 " + hexOffset(*offset) + "）";
    message += "：" + what;
    throw FormatError(displayName, 0, message);
}

} // namespace layout

bool looksLikeBinary(std::string_view bytes) {
    // Text never holds a NUL: a file that does near its start is a binary one, if a damaged one.
    // A file cut inside the signature is one too.
    const std::string_view head = bytes.substr(0, 4);
    return (!head.empty() && std::string_view("CREG").substr(0, head.size()) == head) ||
           bytes.substr(0, layout::kFileHeaderSize).find('\0') != std::string_view::npos;
}

std::uint32_t nameHash(std::string_view nameBytes) {
    std::uint32_t hash = 0;
    for (std::size_t i = 0; i < nameBytes.size(); ++i) {
        auto c = static_cast<unsigned char>(nameBytes[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < nameBytes.size()) {
            auto trail = static_cast<unsigned char>(nameBytes[++i]);
            if (trail < 0x80)
                hash += trail;
            continue;
        }
        if (c < 0x80)
            hash += static_cast<unsigned char>(upperAscii(nameBytes[i]));
    }
    return hash;
}

} // namespace w98::regbin
