#pragma once
// Making a picture of the list the desktop wallpaper now.
#include "sysaccess/text_table.h"

#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

inline constexpr const char* kDesktopKey = "Control Panel\\desktop";

// WinDir + "\dest.bmp": the bitmap a JPEG picture becomes; replaced each time.
std::string ConvertedWallpaperPath(const std::string& winDir);

// Decodes a JPEG picture and writes it as a bitmap, replacing the file at once and whole: a
// picture that cannot be decoded throws w98::Error and leaves any earlier bitmap as it was.
void ConvertJpegToBitmap(w98::Machine& m, const std::string& jpegPath, const std::string& bmpPath);

// The picture of the row becomes the wallpaper, drawn in the row's style: a .bmp picture as
// it is, any other converted to WinDir\dest.bmp. Then the current user's desktop values are
// written and the desktop is told to reload them. When the conversion fails nothing of the
// desktop changes. Returns the wallpaper file.
std::string ApplyWallpaper(w98::Machine& m, const TextTable& t, int row, const std::string& winDir);

} // namespace korvane
