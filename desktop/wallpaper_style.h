#pragma once
// How a wallpaper is drawn: centred, tiled or stretched, with the word that names each style
// in the wallpaper grid and the list file, and the desktop values that give it.
#include "picture_size.h"

#include <optional>
#include <string>
#include <string_view>

namespace w98 {
class Machine;
}

namespace korvane {

enum class WallpaperStyle { Centred, Tiled, Stretched };

// Pictures smaller than this are tiled whatever their shape.
inline constexpr std::uint32_t kTileBelowBytes = 20000;

// "居中", "平铺", "拉伸" (UTF-8).
const char* StyleWord(WallpaperStyle style);
// The style a word names; nullopt for any other text.
std::optional<WallpaperStyle> StyleFromWord(std::string_view word);

// "TileWallpaper" and "WallpaperStyle" for a style; a picture without a style is centred.
struct DesktopStyleValues {
    const char* tile;
    const char* style;
};
DesktopStyleValues DesktopValuesFor(std::optional<WallpaperStyle> style);

// The style proposed for a picture: by its file size, then by its proportions.
WallpaperStyle ChooseWallpaperStyle(std::uint32_t fileSize, PictureSize size);
WallpaperStyle ChooseWallpaperStyle(w98::Machine& m, const std::string& path, PictureSize size);

} // namespace korvane
