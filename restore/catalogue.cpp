#include "catalogue.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "platform/machine.h"

namespace korvane {

std::string BackupDateText(const w98::Machine& m, const std::string& file) {
    // Two-second precision, as the file system keeps last-write times.
    auto t = w98::unpackDosDateTime(w98::packDosDateTime(m.lastWriteTime(file)));
    return w98::formatDateTimeText(m.shortDateFormat(), m.longTimeFormat(), t);
}

void ScanCabFolder(const w98::Machine& m, const std::string& winDir, const std::string& folder,
                   RestoreCatalogue& out) {
    std::vector<w98::DirEntry> entries;
    try {
        entries = m.list(folder, "*.cab", false);
    } catch (const w98::IoError&) {
        return; // an unreadable folder holds no restore points the program could use
    }
    // The folder's note and the machine's formats are the same for every cabinet in it.
    const bool beforeRestore = folder == winDir + "\\sysbckup\\restore";
    const bool madeByHand = folder == winDir + "\\sysbckup\\restore1";
    const bool movedEarlier = folder == winDir + "\\sysbckup\\old" ||
                              folder == winDir + "\\sysbckup\\restore\\old" ||
                              folder == winDir + "\\sysbckup\\restore1\\old";
    std::string shortDate, longTime;
    if (!entries.empty()) {
        shortDate = m.shortDateFormat();
        longTime = m.longTimeFormat();
    }
    out.reserve(out.size() + entries.size());
    for (const auto& e : entries) {
        if (e.attributes == w98::attr::kDirectory)
            continue;
        RestorePoint p;
        p.dosTime = w98::packDosDateTime(e.lastWrite);
        auto t = w98::unpackDosDateTime(p.dosTime);
        p.dateText = w98::formatDateTimeText(shortDate, longTime, t);
        p.folder = folder;
        p.extension = ".cab";
        p.fileName = e.name;
        // Exact comparisons, case included: the scan of "\SYSBCKUP" falls through to the last rules.
        if (beforeRestore)
            p.note = notes::kBeforeRestore;
        else if (madeByHand)
            p.note = notes::kMadeByHand;
        else if (movedEarlier)
            p.note = notes::kMovedEarlier;
        else if (e.name == "RBBAD.CAB")
            p.note = notes::kBeforeRepair;
        else
            p.note = notes::kDailyBackup;
        out.push_back(std::move(p));
    }
}

void ScanRegistryPair(const w98::Machine& m, const std::string& folder, const std::string& extension,
                      const std::string& note, RestoreCatalogue& out) {
    const std::string system = folder + "\\system" + extension;
    if (!m.exists(system) || !m.exists(folder + "\\user" + extension))
        return;
    const std::uint32_t packed = w98::packDosDateTime(m.lastWriteTime(system));
    out.push_back({BackupDateText(m, system), note, folder, extension, "system" + extension, packed});
}

RestoreCatalogue ScanAllRestorePoints(const w98::Machine& m, const std::string& winDir,
                                      const std::string& backupDir) {
    RestoreCatalogue c;
    ScanCabFolder(m, winDir, backupDir, c);
    ScanCabFolder(m, winDir, winDir + "\\sysbckup\\restore", c);
    ScanCabFolder(m, winDir, winDir + "\\sysbckup\\restore1", c);
    ScanCabFolder(m, winDir, winDir + "\\sysbckup\\old", c);
    // Future-dated points moved aside from the two folders of the program's own backups.
    ScanCabFolder(m, winDir, winDir + "\\sysbckup\\restore\\old", c);
    ScanCabFolder(m, winDir, winDir + "\\sysbckup\\restore1\\old", c);
    ScanRegistryPair(m, winDir, ".da0", notes::kFirstInstall, c);
    ScanRegistryPair(m, winDir + "\\REGOPT", ".dat", notes::kOtherSoftware, c);
    ScanRegistryPair(m, winDir + "\\REGOPT", ".da", notes::kOtherSoftware, c);
    return c;
}

} // namespace korvane
