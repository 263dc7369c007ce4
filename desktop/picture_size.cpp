#include "picture_size.h"

#include "jpeg_codec.h"

#include "base/error.h"
#include "base/text.h"
#include "platform/machine.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>

namespace korvane {
namespace {

// Enough for the file header and the width and height of every info header form.
constexpr std::size_t kBmpHeadBytes = 26;

std::uint32_t le32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint16_t le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

[[noreturn]] void notABitmap(const std::string& displayName) {
    throw w98::Error(displayName + "：不是有效的 BMP 位图");
}

} // namespace

PictureKind PictureKindOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t sep = path.find_last_of("\\/");
    if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep))
        return PictureKind::Other;
    const std::string ext = w98::foldAscii(path.substr(dot));
    if (ext == ".jpg")
        return PictureKind::Jpeg;
    if (ext == ".bmp")
        return PictureKind::Bitmap;
    return PictureKind::Other;
}

PictureSize ParseBmpHeader(std::string_view b, const std::string& displayName) {
    if (b.size() < kBmpHeadBytes || b[0] != 'B' || b[1] != 'M')
        notABitmap(displayName);
    const std::uint32_t infoSize = le32(b, 14);
    if (infoSize == 12) {
        const std::uint16_t w = le16(b, 18), h = le16(b, 20);
        if (w == 0 || h == 0)
            notABitmap(displayName);
        return {w, h};
    }
    // Every longer header form starts with a 32-bit width and height.
    if (infoSize < 16 || infoSize > 4096)
        notABitmap(displayName);
    const auto w = static_cast<std::int32_t>(le32(b, 18));
    const auto h = static_cast<std::int32_t>(le32(b, 22));
    if (w <= 0 || h == 0 || h == std::numeric_limits<std::int32_t>::min())
        notABitmap(displayName);
    return {static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h < 0 ? -h : h)};
}

PictureSize MeasurePicture(const w98::Machine& m, const std::string& path) {
    const PictureKind kind = PictureKindOf(path);
    if (kind == PictureKind::Jpeg)
        return ReadJpegSize(m.hostPath(path), path);
    if (kind != PictureKind::Bitmap)
        throw w98::Error(path + "：不认识的图片文件扩展名，只能添加 .jpg 和 .bmp 图片");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(m.hostPath(path).c_str(), "rb"),
                                                      &std::fclose);
    if (!f)
        throw w98::IoError(errno == EACCES ? w98::io_text::kAccessDenied : w98::io_text::kFileNotFound, path);
    std::string head(kBmpHeadBytes, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), f.get()));
    return ParseBmpHeader(head, path);
}

} // namespace korvane
