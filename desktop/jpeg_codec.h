#pragma once
// JPEG pictures through libjpeg: the size from the header, and the whole picture decoded into
// a Windows bitmap. libjpeg's own error handling would end the process; here every libjpeg
// error, and every warning about damaged data while decoding, becomes a w98::Error naming the
// file.
#include "picture_size.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace korvane {

// Larger pictures are refused before any memory is taken for them: the bitmap of one would
// not fit a Windows 98 machine, nor reasonably this process.
inline constexpr std::uint64_t kMaxDecodedPixels = 80'000'000;

// Reads the header only.
PictureSize ReadJpegSize(const std::filesystem::path& hostFile, const std::string& displayName);

// The bytes of a whole .bmp file.
struct BitmapFile {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size = 0;
    std::string_view bytes() const { return {reinterpret_cast<const char*>(data.get()), size}; }
};

// The picture decoded into a 24-bit bottom-up bitmap.
BitmapFile DecodeJpegToBmp(const std::filesystem::path& hostFile, const std::string& displayName);

} // namespace korvane
