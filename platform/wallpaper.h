#pragma once
// Setting the desktop wallpaper (SystemParametersInfo). The stand-in desktop is a record in
// the machine folder: <machine>/wallpaper.ini (UTF-8) holds the wallpaper the desktop shows and
// how it is drawn, so that programs and tests can see what was set.
#include <cstdint>
#include <optional>
#include <string>

namespace w98 {

class Machine;

inline constexpr std::uint32_t kSpiSetDeskWallpaper = 20;
inline constexpr std::uint32_t kSpifUpdateIniFile = 1;
inline constexpr std::uint32_t kSpifSendWinIniChange = 2;

struct DesktopWallpaper {
    std::string wallpaper; // the bitmap's path, as the registry names it
    std::string tile;      // "TileWallpaper"
    std::string style;     // "WallpaperStyle"
};

// SPI_SETDESKWALLPAPER: with no path, the desktop reloads the wallpaper from the current
// user's "Control Panel\desktop" values, as Windows does; with a path, that file becomes the
// wallpaper (and with SPIF_UPDATEINIFILE the registry keeps it). False for an action the
// stand-in does not know; throws IoError when the record cannot be written.
bool SystemParametersInfo(Machine& m, std::uint32_t action, std::uint32_t uiParam, const char* pvParam,
                          std::uint32_t winIni);

// What the desktop shows now; nullopt while nothing was ever set.
std::optional<DesktopWallpaper> CurrentWallpaper(const Machine& m);

} // namespace w98
