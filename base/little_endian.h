#pragma once
// Little-endian fields in byte buffers, as the on-disk structures of Windows 98 store them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace w98::le {

inline std::uint32_t get16(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}
inline std::uint32_t get32(std::string_view b, std::size_t at) {
    return get16(b, at) | get16(b, at + 2) << 16;
}
inline void put16(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}
inline void put32(std::string& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

} // namespace w98::le
