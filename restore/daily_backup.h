#pragma once
// Making sure restore points exist: the daily backup at the next Windows start, and a
// restore point made on demand.
#include "ui/text_table.h"

#include <string>

namespace w98 {
class Machine;
class Clock;
} // namespace w98

namespace korvane {

inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// True when the newest restore point (column 1 of row 1) carries today's date in the short
// date format, letter case ignored.
bool NewestRestorePointIsToday(const TextTable& table, const w98::Machine& m, const w98::Clock& clock);

// When the newest restore point is not from today, the registry checker goes into the Run
// key so that Windows makes a backup at its next start.
void DailyBackupCheck(w98::Machine& m, const TextTable& table, const std::string& winDir, const w98::Clock& clock);

// The caption steps of the command that makes a restore point now.
inline constexpr const char* kCreateCaption = "可随时建立系统还原点...";
inline constexpr const char* kCreateWaiting = "少侯10秒...";
inline constexpr const char* kCreateDone = "可随时建立系统还原点...已建立";

// Runs the registry checker once into <WinDir>\sysbckup\restore1 (at most 3 kept there), with
// its settings file put back afterwards.
void CreateRestorePointNow(w98::Machine& m, const std::string& winDir);

// Runs the registry checker with its settings pointed at another folder, keeping at most
// three cabinets there; the settings file is saved to c:\scanreg.bei and put back after.
void BackupWithScanreg(w98::Machine& m, const std::string& winDir, const std::string& folder);

} // namespace korvane
