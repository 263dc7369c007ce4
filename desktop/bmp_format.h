#pragma once
// The 24-bit Windows bitmap that a decoded picture is saved as: BITMAPFILEHEADER and
// BITMAPINFOHEADER, then the rows bottom-up in blue-green-red order, each padded to 4 bytes.
#include <cstddef>
#include <cstdint>

namespace korvane {

inline constexpr std::size_t kBmpHeaderBytes = 54;

inline std::size_t BmpRowBytes(std::uint32_t width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

inline std::size_t BmpFileBytes(std::uint32_t width, std::uint32_t height) {
    return kBmpHeaderBytes + BmpRowBytes(width) * height;
}

// Writes the 54 header bytes for a picture of that size at out.
void WriteBmpHeader(unsigned char* out, std::uint32_t width, std::uint32_t height);

} // namespace korvane
