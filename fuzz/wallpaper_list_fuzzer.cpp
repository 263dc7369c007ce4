// desk.dsk, the wallpaper list file, as any program may have left it. Loading it fills the
// grid or changes nothing; a list the grid shows is written back, with the lines it could not
// show, so that it loads the same.
#include "fuzz_machine.h"

#include "desktop/wallpaper_list.h"

#include "base/error.h"

namespace {

using namespace korvane::fuzz;

bool sameTable(const korvane::TextTable& a, const korvane::TextTable& b) {
    if (a.rowCount() != b.rowCount() || a.colCount() != b.colCount())
        return false;
    for (int r = 0; r < a.rowCount(); ++r)
        for (int c = 0; c < a.colCount(); ++c)
            if (a.cell(c, r) != b.cell(c, r))
                return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    w98::Machine& m = machine().machine();
    put(korvane::kWallpaperListFile, asText(data, size));
    korvane::TextTable shown = korvane::EmptyWallpaperTable();
    korvane::InsertPictureRows(shown, {{"C:\\WINDOWS\\A.BMP", korvane::WallpaperStyle::Tiled}});
    const korvane::TextTable before = shown;
    korvane::WallpaperListLoad load;
    try {
        load = korvane::LoadWallpaperList(m, shown);
    } catch (const w98::Error&) {
        check(sameTable(shown, before), "a list that cannot be loaded changed the grid");
        return 0;
    }
    check(shown.rowCount() >= 2 &&
              shown.cell(korvane::wallpaper_col::kPath, shown.rowCount() - 1) == korvane::kWallpaperPrompt,
          "the grid lost its prompt row");
    bool everyRowStyled = true;
    for (int r = 1; r < shown.rowCount() - 1; ++r)
        everyRowStyled = everyRowStyled && korvane::RowStyle(shown, r).has_value();
    // A line without a style word loses its first four bytes on loading, as the list file's
    // own format has it: only styled lists come back unchanged.
    if (!everyRowStyled)
        return 0;
    korvane::SaveWallpaperList(m, shown, load.kept);
    korvane::TextTable reloaded = korvane::EmptyWallpaperTable();
    const korvane::WallpaperListLoad again = korvane::LoadWallpaperList(m, reloaded);
    check(sameTable(shown, reloaded), "a saved list loads differently");
    check(again.kept == load.kept, "a line the grid could not show was lost or changed");
    return 0;
}
