#include "daily_backup.h"

#include "dosjob/batch_file.h"
#include "scanreg_ini.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/hash.h"
#include "base/text.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system_info.h"

#include <set>
#include <sys/stat.h>
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
constexpr const char* kCheckerNotRun =
    "没有做备份：无法运行 MS-DOS 命令解释程序（COMMAND.COM）来启动注册表检查程序，什么也没有改动。";

// Writes bytes over a file the program owns, whatever attributes an earlier run left on it.
void Replace(w98::Machine& m, const std::string& path, const std::string& bytes) {
    if (m.isFile(path) && m.attributes(path) != w98::attr::kArchive)
        m.setAttributes(path, w98::attr::kArchive);
    m.writeFile(path, bytes);
}

// Each cabinet of a folder by what it holds and by the file that holds it: the checker reuses
// the number of the cabinet it drops, and a new backup may have the old one's size and, within
// two seconds, its time, or even its bytes when nothing changed in between; a cabinet written
// meanwhile is a new file all the same.
using CabinetId = std::tuple<std::string, std::uint64_t, std::uint64_t, std::int64_t>;
std::set<CabinetId> Cabinets(const w98::Machine& m, const std::string& folder) {
    std::set<CabinetId> out;
    for (const auto& e : m.list(folder, "*.cab", false)) {
        if (e.attributes & w98::attr::kDirectory)
            continue;
        const std::string path = folder + "\\" + e.name;
        const std::uint64_t held = w98::fnv1a(m.readFile(path));
        struct stat st {};
        if (::stat(m.hostPath(path).c_str(), &st) != 0)
            continue;
        out.emplace(w98::foldAscii(e.name), held, static_cast<std::uint64_t>(st.st_ino),
                    static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
    }
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
    const bool savedCopyThere = m.exists(kSavedSettings);
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
        if (RunAndWait(m, "command.com /c " + BatchPath(winDir + "\\scRegbei.bat"), kSwHide) < 0) {
            // Nothing ran: nothing of the step is left behind, the saved copy neither (the
            // settings go back below).
            if (!savedCopyThere)
                m.deleteFile(kSavedSettings);
            throw w98::Error(kCheckerNotRun);
        }
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
