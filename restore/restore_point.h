#pragma once
// A restore point: a set of backed-up system files the system can be put back from.
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct RestorePoint {
    std::string dateText;      // last-write time in the short date and long time formats
    std::string note;          // where it came from
    std::string folder;        // the folder as the scan received it, no trailing backslash
    std::string extension;     // ".cab", ".da0", ".dat" or ".da"
    std::string fileName;      // the cabinet's name on disk, or "system" + extension
    std::uint32_t dosTime = 0; // the date text as a packed MS-DOS date-time, when the scan knows it
    std::string shownDate{};   // the date as the restore-point table shows it, once it is listed
};

using RestoreCatalogue = std::vector<RestorePoint>;

namespace notes {
inline constexpr const char* kBeforeRestore = "系统还原前的备份";
inline constexpr const char* kMadeByHand = "您手动建立的系统还原点";
inline constexpr const char* kMovedEarlier = "曾修改过的时间，非实际时间";
inline constexpr const char* kBeforeRepair = "这天的系统修复前";
inline constexpr const char* kDailyBackup = "这天第一次开机或系统有重大变动后";
inline constexpr const char* kFirstInstall = "初装win98时的系统备份";
inline constexpr const char* kOtherSoftware = "其它软件做过的系统备份";
inline constexpr const char* kMovedNow = "曾修改过的电脑时间，不一定是实际时间";
} // namespace notes

} // namespace korvane
