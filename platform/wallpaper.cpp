#include "wallpaper.h"

#include "base/cp936.h"
#include "base/host_file.h"
#include "ini_file.h"
#include "machine.h"
#include "registry/registry.h"

#include <system_error>

namespace w98 {
namespace {

constexpr const char* kDesktopKey = "Control Panel\\desktop";
constexpr const char* kRecordFile = "wallpaper.ini";

// A string value of the desktop key as text; "" when it is missing or not a string.
std::string desktopValue(Machine& m, const char* name) {
    auto v = m.registry().getValue(kHkeyCurrentUser, kDesktopKey, name);
    if (!v || (v->type != reg_type::kSz && v->type != reg_type::kExpandSz))
        return {};
    std::string_view data = v->data;
    if (const auto nul = data.find('\0'); nul != std::string_view::npos)
        data = data.substr(0, nul);
    std::string text;
    return cp936::tryToUtf8(data, text) ? text : std::string();
}

} // namespace

bool SystemParametersInfo(Machine& m, std::uint32_t action, std::uint32_t, const char* pvParam,
                          std::uint32_t winIni) {
    if (action != kSpiSetDeskWallpaper)
        return false;
    const bool given = pvParam && *pvParam;
    if (given && (winIni & kSpifUpdateIniFile))
        m.registry().setValue(kHkeyCurrentUser, kDesktopKey,
                              RegValue{"Wallpaper", reg_type::kSz, regStringData(pvParam)});
    IniFile record;
    record.set("desktop", "Wallpaper", given ? std::string(pvParam) : desktopValue(m, "Wallpaper"));
    record.set("desktop", "TileWallpaper", desktopValue(m, "TileWallpaper"));
    record.set("desktop", "WallpaperStyle", desktopValue(m, "WallpaperStyle"));
    const auto file = m.root() / kRecordFile;
    replaceHostFile(file, record.text(), file.string());
    return true;
}

std::optional<DesktopWallpaper> CurrentWallpaper(const Machine& m) {
    const auto file = m.root() / kRecordFile;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return std::nullopt;
    const IniFile record = IniFile::parse(readHostFile(file, file.string()), file.string());
    return DesktopWallpaper{record.get("desktop", "Wallpaper"), record.get("desktop", "TileWallpaper"),
                            record.get("desktop", "WallpaperStyle")};
}

} // namespace w98
