#include "daily_backup.h"

#include "batch_file.h"
#include "restore_table.h"
#include "scanreg_ini.h"

#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/machine.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system_info.h"

namespace korvane {

bool NewestRestorePointIsToday(const TextTable& table, const w98::Machine& m, const w98::Clock& clock) {
    const std::string today = w98::formatDateTimePicture(m.shortDateFormat(), clock.now());
    return w98::containsNoCase(table.cell(restore_col::kDate, 1), today);
}

void DailyBackupCheck(w98::Machine& m, const TextTable& table, const std::string& winDir, const w98::Clock& clock) {
    if (!NewestRestorePointIsToday(table, m, clock))
        WriteRegStr(m, w98::kHkeyLocalMachine, kRunKey, "ScanRegistry", winDir + "\\scanregw.exe /autorun");
}

void BackupWithScanreg(w98::Machine& m, const std::string& winDir, const std::string& folder) {
    const std::string ini = winDir + "\\Scanreg.ini";
    // Saving the settings first: a missing file is no error here, the edit below reports it.
    try {
        m.copyFile(ini, "c:\\scanreg.bei", true);
    } catch (const w98::Error&) {
    }
    EditScanregIni(m, ini, 3, folder);
    WriteBatchFile(m, winDir + "\\scRegbei.bat", {"@ECHO OFF", winDir + "\\COMMAND\\scanreg.exe /backup", "exit"});
    RunAndWait(m, "command.com /c " + winDir + "\\scRegbei.bat", kSwHide);
    m.copyFile("c:\\scanreg.bei", ini, true);
}

void CreateRestorePointNow(w98::Machine& m, const std::string& winDir) {
    BackupWithScanreg(m, winDir, winDir + "\\sysbckup\\restore1");
}

} // namespace korvane
