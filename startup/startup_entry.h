#pragma once
// One program that Windows starts by itself, and the words that say where it came from. The
// table keeps these words, and removal reads them back to know where to remove an entry.
#include <array>
#include <string>

namespace korvane {

struct StartupEntry {
    std::string program; // the command line, or the full path of a file in the startup folder
    std::string name;    // the registry value name, "load=", or "开始－程序－"
    std::string source;  // a run key name, "win.ini", or "启动"
    friend bool operator==(const StartupEntry&, const StartupEntry&) = default;
};

namespace startup_source {
inline constexpr const char* kWinIni = "win.ini";
inline constexpr const char* kStartupFolder = "启动";
} // namespace startup_source

namespace startup_name {
inline constexpr const char* kWinIniLoad = "load=";
inline constexpr const char* kStartupFolder = "开始－程序－";
} // namespace startup_name

// The machine-wide run keys, in the order they are listed; each lives under this prefix.
inline constexpr const char* kRunKeyPrefix = "Software\\Microsoft\\Windows\\CurrentVersion\\";
inline constexpr std::array<const char*, 5> kRunKeyNames = {"Run", "RunServices", "RunServicesOnce",
                                                            "RunOnce", "RunOnceEx"};

// The startup folder below the Windows folder.
inline std::string StartupFolderOf(const std::string& winDir) {
    return winDir + "\\Start Menu\\Programs\\启动";
}

} // namespace korvane
