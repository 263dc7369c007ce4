#include "bmp_format.h"

namespace korvane {
namespace {

void put16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v & 0xff);
    p[1] = static_cast<unsigned char>(v >> 8 & 0xff);
}

void put32(unsigned char* p, std::uint32_t v) {
    put16(p, v & 0xffff);
    put16(p + 2, v >> 16);
}

} // namespace

void WriteBmpHeader(unsigned char* out, std::uint32_t width, std::uint32_t height) {
    const auto image = static_cast<std::uint32_t>(BmpRowBytes(width) * height);
    out[0] = 'B';
    out[1] = 'M';
    put32(out + 2, static_cast<std::uint32_t>(kBmpHeaderBytes) + image);
    put32(out + 6, 0);
    put32(out + 10, static_cast<std::uint32_t>(kBmpHeaderBytes));
    put32(out + 14, 40);
    put32(out + 18, width);
    put32(out + 22, height);
    put16(out + 26, 1);  // planes
    put16(out + 28, 24); // bits per pixel
    put32(out + 30, 0);  // BI_RGB
    put32(out + 34, image);
    put32(out + 38, 2835); // 72 dots per inch
    put32(out + 42, 2835);
    put32(out + 46, 0);
    put32(out + 50, 0);
}

} // namespace korvane
