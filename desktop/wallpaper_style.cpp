#include "wallpaper_style.h"

#include "sysaccess/system_info.h"

namespace korvane {

const char* StyleWord(WallpaperStyle style) {
    switch (style) {
    case WallpaperStyle::Centred:
        return "居中";
    case WallpaperStyle::Tiled:
        return "平铺";
    case WallpaperStyle::Stretched:
        return "拉伸";
    }
    return "";
}

std::optional<WallpaperStyle> StyleFromWord(std::string_view word) {
    for (auto s : {WallpaperStyle::Centred, WallpaperStyle::Tiled, WallpaperStyle::Stretched})
        if (word == StyleWord(s))
            return s;
    return std::nullopt;
}

DesktopStyleValues DesktopValuesFor(std::optional<WallpaperStyle> style) {
    if (style == WallpaperStyle::Tiled)
        return {"1", "0"};
    if (style == WallpaperStyle::Stretched)
        return {"0", "2"};
    return {"0", "0"};
}

WallpaperStyle ChooseWallpaperStyle(std::uint32_t fileSize, PictureSize size) {
    if (fileSize < kTileBelowBytes)
        return WallpaperStyle::Tiled;
    // Near the screen's own 3:4 shape a picture is stretched; squarer or wider ones would be
    // distorted, so they are centred.
    const double ratio = static_cast<double>(size.height) / static_cast<double>(size.width);
    if (ratio >= 0.9 || ratio <= 0.6)
        return WallpaperStyle::Centred;
    return WallpaperStyle::Stretched;
}

WallpaperStyle ChooseWallpaperStyle(w98::Machine& m, const std::string& path, PictureSize size) {
    return ChooseWallpaperStyle(FileSizeOf(m, path), size);
}

} // namespace korvane
