#include "daily_backup.h"

#include "batch_file.h"
#include "scanreg_ini.h"

#include "platform/clock.h"
#include "platform/dos_attributes.h"
#include "platform/error.h"
#include "platform/machine.h"
#include "platform/text.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system_info.h"

#include <set>
#include <tuple>

namespace korvane {

bool NewestRestorePointIsToday(const std::string& newestDate, const w98::Machine& m,
                               const w98::Clock& clock) {
    const std::string today = w98::formatDateTimePicture(m.shortDateFormat(), clock.now());
    return w98::containsNoCase(newestDate, today);
}

void DailyBackupCheck(w98::Machine& m, const std::string& newestDate, const std::string& winDir,
                      const w98::Clock& clock) {
    if (!NewestRestorePointIsToday(newestDate, m, clock))
        WriteRegStr(m, w98::kHkeyLocalMachine, kRunKey, "ScanRegistry", winDir + "\\scanregw.exe /autorun");
}

std::vector<std::string> ScanregBackupLines(const std::string& winDir) {
    return {"@ECHO OFF", BatchPath(winDir + "\\COMMAND\\scanreg.exe") + " /backup", "exit"};
}

namespace {

constexpr const char* kSavedSettings = "c:\\scanreg.bei";

// Writes bytes over a file the program owns, whatever attributes an earlier run left on it.
void Replace(w98::Machine& m, const std::string& path, const std::string& bytes) {
    if (m.isFile(path) && m.attributes(path) != w98::attr::kArchive)
        m.setAttributes(path, w98::attr::kArchive);
    m.writeFile(path, bytes);
}

// The cabinets of a folder with what tells a new one from an old one: the checker reuses the
// number of the cabinet it drops, so the name alone does not.
std::set<std::tuple<std::string, std::uint32_t, std::uint64_t>> Cabinets(const w98::Machine& m,
                                                                         const std::string& folder) {
    std::set<std::tuple<std::string, std::uint32_t, std::uint64_t>> out;
    for (const auto& e : m.list(folder, "*.cab", false))
        if (!(e.attributes & w98::attr::kDirectory))
            out.emplace(w98::foldAscii(e.name), w98::packDosDateTime(e.lastWrite), e.size);
    return out;
}

} // namespace

bool BackupWithScanreg(w98::Machine& m, const std::string& winDir, const std::string& folder) {
    const std::string ini = winDir + "\\Scanreg.ini";
    const auto before = Cabinets(m, folder);
    const auto batch = ScanregBackupLines(winDir);
    // The settings are saved before they are changed, or nothing is changed: an old saved
    // copy must never come back over the settings.
    std::string settings;
    try {
        settings = m.readFile(ini);
        Replace(m, kSavedSettings, settings);
    } catch (const w98::Error& e) {
        throw w98::Error(std::string("注册表检查程序的设置没有改动，也没有做备份：无法把") + ini + "保存到" +
                         kSavedSettings + "（" + e.what() + "）");
    }
    try {
        EditScanregIni(m, ini, 3, folder);
        WriteBatchFile(m, winDir + "\\scRegbei.bat", batch);
        RunAndWait(m, "command.com /c " + BatchPath(winDir + "\\scRegbei.bat"), kSwHide);
    } catch (const w98::Error&) {
        Replace(m, ini, settings);
        throw;
    }
    // The saved copy goes back as an ordinary file, never read-only.
    Replace(m, ini, m.readFile(kSavedSettings));
    for (const auto& cab : Cabinets(m, folder))
        if (!before.contains(cab))
            return true;
    return false;
}

bool CreateRestorePointNow(w98::Machine& m, const std::string& winDir) {
    return BackupWithScanreg(m, winDir, winDir + "\\sysbckup\\restore1");
}

} // namespace korvane
