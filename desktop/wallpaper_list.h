#pragma once
// The wallpaper list: the grid's table of pictures and the list file c:\windows\desk.dsk that
// hands it over to the program that changes the wallpaper at each Windows start.
//
// Table: row 0 the headers, rows 1..n the pictures in list order, row n + 1 the prompt row.
// A picture row holds its number, its style word in the style's own column, "预览", the
// picture's full path and "删除".
//
// List file (code page 936, CR LF after every line): "3", an empty line, then one line per
// picture: the style word (four bytes in code page 936) followed directly by the path.
#include "sysaccess/text_table.h"
#include "wallpaper_style.h"

#include <optional>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

namespace wallpaper_col {
inline constexpr int kNumber = 0;
inline constexpr int kCentred = 1;
inline constexpr int kTiled = 2;
inline constexpr int kStretched = 3;
inline constexpr int kPreview = 4;
inline constexpr int kPath = 5;
inline constexpr int kDelete = 6;
inline constexpr int kCount = 7;
} // namespace wallpaper_col

inline constexpr const char* kWallpaperListFile = "c:\\windows\\desk.dsk";
inline constexpr const char* kWallpaperPrompt = "请单击下面的〔由此添加图片...〕按钮继续添加图片";
inline constexpr const char* kPreviewWord = "预览";
inline constexpr const char* kDeleteWord = "删除";

// A larger list file is refused rather than read into the grid.
inline constexpr std::size_t kMaxListFileBytes = 16u << 20;
inline constexpr std::size_t kMaxListPictures = 100'000;

// The empty list: the headers and the prompt row.
TextTable EmptyWallpaperTable();
// The column that shows a style's word, and the style of one of the three style columns.
int StyleColumn(WallpaperStyle style);
WallpaperStyle StyleOfColumn(int styleColumn);
// The style of a picture row, read back from its three style cells.
std::optional<WallpaperStyle> RowStyle(const TextTable& t, int row);
// Is row a picture row (neither the header row nor the prompt row)?
bool IsPictureRow(const TextTable& t, int row);

// Lines of the list file that were not understood. They are not shown, and they go back into
// the file, as they were, at every save, so that no other tool's line is lost.
struct WallpaperListLoad {
    std::vector<std::size_t> unreadableLines; // line numbers, from 1
    std::vector<std::string> kept;            // those lines' bytes
};

// Where a list file that could not be read at all is kept before the grid replaces it.
inline constexpr const char* kWallpaperListCopy = "c:\\windows\\desk.bak";
inline constexpr std::size_t kUnreadableLinesNamed = 10;

// Fills the table from the list file: the headers, one row per picture line that can be read,
// the prompt row. Without a list file the table keeps its rows. A list file that cannot be
// read at all changes nothing and throws w98::Error.
WallpaperListLoad LoadWallpaperList(w98::Machine& m, TextTable& t);
// What the user is told about lines that were not understood; "" when there are none.
std::string UnreadableLinesMessage(const WallpaperListLoad& load);
// Writes the list file whole from the table, then the kept lines, replacing the old file.
void SaveWallpaperList(w98::Machine& m, const TextTable& t, const std::vector<std::string>& kept = {});
// Copies a list file that could not be read to kWallpaperListCopy; returns that path, or ""
// when there is no list file.
std::string KeepRefusedWallpaperList(w98::Machine& m);

// A picture ready to go into the list.
struct PictureEntry {
    std::string path;
    WallpaperStyle style;
};

// Measures a picture from its header and proposes its style; on the way the file loses its
// read-only, hidden and system attributes (archive alone). Throws w98::Error, with the file
// untouched, for a name that is neither .jpg nor .bmp, a path code page 936 cannot hold, or a
// picture whose header cannot be read.
PictureEntry PreparePicture(w98::Machine& m, const std::string& path);

// Puts the pictures at row 1 one after another, so that the last one ends at the top, and
// numbers every row below the headers. One pass however many pictures come.
void InsertPictureRows(TextTable& t, const std::vector<PictureEntry>& pictures);
// PreparePicture, then the picture at row 1.
void InsertPicture(w98::Machine& m, TextTable& t, const std::string& path);

// Row operations of a click on a picture row. Deleting moves the rows below up with their
// numbers, which are not counted again.
void DeletePictureRow(TextTable& t, int row);
void SetRowStyle(TextTable& t, int row, WallpaperStyle style);

} // namespace korvane
