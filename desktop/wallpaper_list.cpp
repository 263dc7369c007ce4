#include "wallpaper_list.h"

#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/machine.h"

#include <array>

namespace korvane {
namespace {

using namespace wallpaper_col;

constexpr std::array<const char*, kCount> kHeaders = {"数目", "居中", "平铺", "拉伸", "预览", "图片", "删除"};
constexpr std::size_t kWordBytes = 4;

// The style words as the list file holds them, in the order a line is matched against them.
const std::array<std::pair<std::string, WallpaperStyle>, 3>& fileWords() {
    static const std::array<std::pair<std::string, WallpaperStyle>, 3> words = {{
        {w98::cp936::fromUtf8(StyleWord(WallpaperStyle::Centred)), WallpaperStyle::Centred},
        {w98::cp936::fromUtf8(StyleWord(WallpaperStyle::Stretched)), WallpaperStyle::Stretched},
        {w98::cp936::fromUtf8(StyleWord(WallpaperStyle::Tiled)), WallpaperStyle::Tiled},
    }};
    return words;
}

void ensureShape(TextTable& t) {
    if (t.colCount() != kCount)
        t.setColCount(kCount);
    if (t.rowCount() < 2)
        t.setRowCount(2);
    for (int c = 0; c < kCount; ++c)
        t.setCell(c, 0, kHeaders[static_cast<std::size_t>(c)]);
}

void fillPictureRow(TextTable& t, int row, std::optional<WallpaperStyle> style, std::string path) {
    for (int c = kCentred; c <= kStretched; ++c)
        t.setCell(c, row, {});
    if (style)
        t.setCell(StyleColumn(*style), row, StyleWord(*style));
    t.setCell(kPreview, row, kPreviewWord);
    t.setCell(kPath, row, std::move(path));
    t.setCell(kDelete, row, kDeleteWord);
}

void setPromptRow(TextTable& t) {
    t.setCell(kPath, t.rowCount() - 1, kWallpaperPrompt);
}

struct ListLine {
    std::optional<WallpaperStyle> style;
    std::string path;
};

// Lines 1 and 2 carry nothing this list needs; a file shorter than that lists no picture.
// A line whose path is not code page 936 text goes aside as it is, with its line number.
std::vector<ListLine> parseList(std::string_view bytes, WallpaperListLoad& aside) {
    const auto lines = w98::splitLines(bytes);
    std::vector<ListLine> out;
    if (lines.size() > kMaxListPictures + 2)
        throw w98::Error(std::string(kWallpaperListFile) + "：墙纸列表里的图片太多，无法显示");
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        ListLine entry;
        for (const auto& [word, style] : fileWords())
            if (line.substr(0, kWordBytes) == word) {
                entry.style = style;
                break;
            }
        // The first four bytes go whether or not they were a style word.
        const std::string_view rest = line.substr(std::min(kWordBytes, line.size()));
        if (!w98::cp936::tryToUtf8(rest, entry.path)) {
            aside.unreadableLines.push_back(i + 1);
            aside.kept.emplace_back(line);
            continue;
        }
        out.push_back(std::move(entry));
    }
    return out;
}

} // namespace

TextTable EmptyWallpaperTable() {
    TextTable t(kCount, 2);
    ensureShape(t);
    setPromptRow(t);
    return t;
}

int StyleColumn(WallpaperStyle style) {
    switch (style) {
    case WallpaperStyle::Centred:
        return kCentred;
    case WallpaperStyle::Tiled:
        return kTiled;
    case WallpaperStyle::Stretched:
        return kStretched;
    }
    return kCentred;
}

WallpaperStyle StyleOfColumn(int styleColumn) {
    if (styleColumn == kTiled)
        return WallpaperStyle::Tiled;
    if (styleColumn == kStretched)
        return WallpaperStyle::Stretched;
    return WallpaperStyle::Centred;
}

std::optional<WallpaperStyle> RowStyle(const TextTable& t, int row) {
    return StyleFromWord(t.cell(kCentred, row) + t.cell(kTiled, row) + t.cell(kStretched, row));
}

bool IsPictureRow(const TextTable& t, int row) {
    return row >= 1 && row < t.rowCount() - 1;
}

WallpaperListLoad LoadWallpaperList(w98::Machine& m, TextTable& t) {
    WallpaperListLoad result;
    std::vector<ListLine> lines;
    const bool present = m.exists(kWallpaperListFile);
    if (present) {
        if (m.fileSize(kWallpaperListFile) > kMaxListFileBytes)
            throw w98::Error(std::string(kWallpaperListFile) + "：墙纸列表文件太大，无法显示");
        lines = parseList(m.readFile(kWallpaperListFile), result);
    }
    ensureShape(t);
    if (present) {
        t.setRowCount(static_cast<int>(lines.size()) + 2);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int row = static_cast<int>(i) + 1;
            fillPictureRow(t, row, lines[i].style, std::move(lines[i].path));
            t.setCell(kNumber, row, std::to_string(row));
        }
        t.setRow(t.rowCount() - 1, {});
    }
    setPromptRow(t);
    return result;
}

std::string UnreadableLinesMessage(const WallpaperListLoad& load) {
    if (load.unreadableLines.empty())
        return {};
    std::string numbers;
    for (std::size_t i = 0; i < load.unreadableLines.size() && i < kUnreadableLinesNamed; ++i)
        numbers += (i ? "、" : "") + std::to_string(load.unreadableLines[i]);
    if (load.unreadableLines.size() > kUnreadableLinesNamed)
        numbers += "等";
    return std::string(kWallpaperListFile) + " 中有 " + std::to_string(load.unreadableLines.size()) +
           " 行无法读取（第 " + numbers +
           " 行，不是 GBK 文字），没有列在表中。保存列表时，这些行原样保留在文件末尾。";
}

void SaveWallpaperList(w98::Machine& m, const TextTable& t, const std::vector<std::string>& kept) {
    std::vector<std::string> lines = {"3", ""};
    for (int r = 1; r <= t.rowCount() - 2; ++r) {
        std::string gbk;
        if (!w98::cp936::tryFromUtf8(
                t.cell(kCentred, r) + t.cell(kTiled, r) + t.cell(kStretched, r) + t.cell(kPath, r), gbk))
            throw w98::FormatError(kWallpaperListFile, lines.size() + 1,
                                   "这一行含有 GBK（代码页 936）写不出的字符");
        lines.push_back(std::move(gbk));
    }
    lines.insert(lines.end(), kept.begin(), kept.end());
    m.writeFile(kWallpaperListFile, w98::joinLinesCrlf(lines));
}

std::string KeepRefusedWallpaperList(w98::Machine& m) {
    if (!m.isFile(kWallpaperListFile))
        return {};
    m.copyFile(kWallpaperListFile, kWallpaperListCopy, true);
    return kWallpaperListCopy;
}

PictureEntry PreparePicture(w98::Machine& m, const std::string& path) {
    if (PictureKindOf(path) == PictureKind::Other)
        throw w98::Error(path + "：不认识的图片文件扩展名，只能添加 .jpg 和 .bmp 图片");
    if (!w98::cp936::representable(path))
        throw w98::IoError(w98::io_text::kInvalidName, path);
    const PictureSize size = MeasurePicture(m, path);
    // Most pictures carry the archive attribute alone already; writing it again costs a
    // metadata write per file when a whole folder comes in.
    if (m.attributes(path) != w98::attr::kArchive)
        m.setAttributes(path, w98::attr::kArchive);
    return {path, ChooseWallpaperStyle(m, path, size)};
}

void InsertPictureRows(TextTable& t, const std::vector<PictureEntry>& pictures) {
    if (pictures.empty())
        return;
    ensureShape(t);
    const int before = t.rowCount();
    const int k = static_cast<int>(pictures.size());
    t.setRowCount(before + k);
    for (int r = before - 1; r >= 1; --r)
        t.swapRows(r, r + k);
    for (int i = 0; i < k; ++i) {
        const PictureEntry& p = pictures[static_cast<std::size_t>(i)];
        fillPictureRow(t, k - i, p.style, p.path);
    }
    for (int r = 1; r < t.rowCount(); ++r)
        t.setCell(kNumber, r, std::to_string(r));
}

void InsertPicture(w98::Machine& m, TextTable& t, const std::string& path) {
    InsertPictureRows(t, {PreparePicture(m, path)});
}

void DeletePictureRow(TextTable& t, int row) {
    t.removeRow(row);
}

void SetRowStyle(TextTable& t, int row, WallpaperStyle style) {
    for (int c = kCentred; c <= kStretched; ++c)
        t.setCell(c, row, {});
    t.setCell(StyleColumn(style), row, StyleWord(style));
}

} // namespace korvane
