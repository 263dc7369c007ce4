#pragma once
// Picture files for the wallpaper tests: real BMP and JPEG files, bitmaps of an exact file size,
// and damaged JPEG files.
#include "base/error.h"
#include "demo/demo_media.h"
#include "platform/machine.h"

#include <cstdint>
#include <string>

namespace korvane::test {

inline w98::demo::Painter plain() {
    return [](int x, int y, int, int) {
        return w98::demo::Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 128};
    };
}

// The header of a w × h bitmap, padded with zeros to the file size given.
inline std::string bmpOfSize(int w, int h, std::size_t fileSize) {
    std::string s = w98::demo::MakeBmp(1, 1, plain());
    for (int i = 0; i < 4; ++i) {
        s[static_cast<std::size_t>(18 + i)] = static_cast<char>(w >> (8 * i) & 0xff);
        s[static_cast<std::size_t>(22 + i)] = static_cast<char>(h >> (8 * i) & 0xff);
    }
    s.resize(fileSize, '\0');
    return s;
}

inline std::string jpeg(int w, int h) {
    return w98::demo::MakeJpeg(w, h, 90, plain());
}

// A JPEG whose frame header claims another size; its data no longer fits it.
inline std::string jpegClaiming(std::string j, std::uint16_t w, std::uint16_t h) {
    const std::size_t sof = j.find("\xFF\xC0");
    j[sof + 5] = static_cast<char>(h >> 8);
    j[sof + 6] = static_cast<char>(h & 0xff);
    j[sof + 7] = static_cast<char>(w >> 8);
    j[sof + 8] = static_cast<char>(w & 0xff);
    return j;
}

inline void put(w98::Machine& m, const std::string& path, const std::string& bytes) {
    m.writeFile(path, bytes);
}

} // namespace korvane::test
