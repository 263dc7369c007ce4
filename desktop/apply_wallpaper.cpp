#include "apply_wallpaper.h"

#include "jpeg_codec.h"
#include "wallpaper_list.h"

#include "platform/machine.h"
#include "platform/wallpaper.h"
#include "sysaccess/registry_values.h"

namespace korvane {

std::string ConvertedWallpaperPath(const std::string& winDir) {
    return winDir + "\\dest.bmp";
}

void ConvertJpegToBitmap(w98::Machine& m, const std::string& jpegPath, const std::string& bmpPath) {
    const BitmapFile bmp = DecodeJpegToBmp(m.hostPath(jpegPath), jpegPath);
    m.writeFile(bmpPath, bmp.bytes());
}

std::string ApplyWallpaper(w98::Machine& m, const TextTable& t, int row, const std::string& winDir) {
    const DesktopStyleValues values = DesktopValuesFor(RowStyle(t, row));
    std::string wallpaper = t.cell(wallpaper_col::kPath, row);
    if (PictureKindOf(wallpaper) != PictureKind::Bitmap) {
        const std::string bmp = ConvertedWallpaperPath(winDir);
        ConvertJpegToBitmap(m, wallpaper, bmp);
        wallpaper = bmp;
    }
    WriteRegStr(m, w98::kHkeyCurrentUser, kDesktopKey, "Wallpaper", wallpaper);
    WriteRegStr(m, w98::kHkeyCurrentUser, kDesktopKey, "TileWallpaper", values.tile);
    WriteRegStr(m, w98::kHkeyCurrentUser, kDesktopKey, "WallpaperStyle", values.style);
    w98::SystemParametersInfo(m, w98::kSpiSetDeskWallpaper, 0, nullptr, w98::kSpifSendWinIniChange);
    return wallpaper;
}

} // namespace korvane
