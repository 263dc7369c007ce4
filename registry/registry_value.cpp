#include "registry_value.h"

#include "base/cp936.h"

namespace w98 {

std::string regStringData(std::string_view utf8) {
    std::string data = cp936::fromUtf8(utf8);
    data += '\0';
    return data;
}

std::string regDwordData(std::uint32_t v) {
    std::string data(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        data[i] = static_cast<char>(v >> (8 * i) & 0xFF);
    return data;
}

std::uint32_t regDwordFromData(std::string_view data) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    return v;
}

} // namespace w98
