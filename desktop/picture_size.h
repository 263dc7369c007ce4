#pragma once
// Measuring pictures from their headers alone: a picture is never decoded to learn its size.
#include <cstdint>
#include <string>
#include <string_view>

namespace w98 {
class Machine;
}

namespace korvane {

struct PictureSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

enum class PictureKind { Jpeg, Bitmap, Other };

// By the extension of the file name: ".jpg" or ".bmp", letter case ignored.
PictureKind PictureKindOf(std::string_view path);

// The width and height a BMP file header gives (both header forms: the old 12-byte core header
// and the 40-byte and longer info headers; a top-down bitmap counts its height positive).
// Throws w98::Error naming the file when the bytes are not a bitmap header.
PictureSize ParseBmpHeader(std::string_view headerBytes, const std::string& displayName);

// Reads only as much of the file as its header needs. Throws w98::Error naming the file when
// it is missing, unreadable or not a picture of its kind.
PictureSize MeasurePicture(const w98::Machine& m, const std::string& path);

} // namespace korvane
