#pragma once
// Making sure restore points exist: the daily backup at the next Windows start, and a
// restore point made on demand.
#include <string>
#include <vector>

namespace w98 {
class Machine;
class Clock;
} // namespace w98

namespace korvane {

inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// True when the newest restore point's date as the table shows it (empty: no point) holds
// today's date in the short date format, letter case ignored.
bool NewestRestorePointIsToday(const std::string& newestDate, const w98::Machine& m, const w98::Clock& clock);

// When the newest restore point is not from today, the registry checker goes into the Run
// key so that Windows makes a backup at its next start.
void DailyBackupCheck(w98::Machine& m, const std::string& newestDate, const std::string& winDir,
                      const w98::Clock& clock);

// The caption steps of the command that makes a restore point now.
inline constexpr const char* kCreateCaption = "可随时建立系统还原点...";
inline constexpr const char* kCreateWaiting = "少侯10秒...";
inline constexpr const char* kCreateDone = "可随时建立系统还原点...已建立";

// Runs the registry checker once into <WinDir>\sysbckup\restore1 (at most 3 kept there), with
// its settings file put back afterwards. True when a new cabinet is there now; false when the
// checker did not run or made none.
bool CreateRestorePointNow(w98::Machine& m, const std::string& winDir);

// The batch that runs the registry checker's backup, scRegbei.bat.
std::vector<std::string> ScanregBackupLines(const std::string& winDir);

// Runs the registry checker with its settings pointed at another folder, keeping at most
// three cabinets there. The settings file is saved to c:\scanreg.bei first (a save that fails
// stops the step with nothing changed) and put back afterwards, also when the run fails; it
// never ends up read-only. True when a new cabinet is in the folder now.
bool BackupWithScanreg(w98::Machine& m, const std::string& winDir, const std::string& folder);

// Said when the checker made no new restore point.
inline constexpr const char* kNoRestorePointMade =
    "没有建立还原点：注册表检查程序没有运行，或者没有在还原点文件夹里生成新的备份文件。"
    "请检查Windows\\COMMAND文件夹里是否有scanreg.exe。";

} // namespace korvane
