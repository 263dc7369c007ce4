#include "restore_listing.h"

#include "catalogue.h"
#include "restore_table.h"

#include "platform/date_time.h"
#include "platform/error.h"
#include "platform/machine.h"
#include "platform/text.h"

#include <cstdio>

namespace korvane {

TextTable ScanRestoreTable(const w98::Machine& m, const std::string& winDir, const std::string& backupDir,
                           int referenceYear) {
    TextTable table(restore_col::kCount, 1);
    FillRestoreTable(table, ScanAllRestorePoints(m, winDir, backupDir), m, referenceYear);
    return table;
}

RestoreCatalogue ListedRestorePoints(const TextTable& table) {
    RestoreCatalogue listed;
    for (int row = 1; row < table.rowCount(); ++row)
        listed.push_back(RestorePointAt(table, row));
    return listed;
}

std::string PointFile(const RestorePoint& point) {
    return point.folder + "\\" + point.fileName;
}

std::optional<std::size_t> FindPointByFile(const RestoreCatalogue& listed, const std::string& winPath) {
    std::string wanted;
    try {
        wanted = w98::Machine::normalize(winPath);
    } catch (const w98::Error&) {
        return std::nullopt; // no absolute path names no point
    }
    for (std::size_t i = 0; i < listed.size(); ++i)
        if (w98::equalsNoCase(w98::Machine::normalize(PointFile(listed[i])), wanted))
            return i;
    return std::nullopt;
}

std::optional<std::size_t> NewestBackupBeforeRestore(const RestoreCatalogue& listed) {
    for (std::size_t i = 0; i < listed.size(); ++i)
        if (listed[i].note == notes::kBeforeRestore)
            return i;
    return std::nullopt;
}

std::string IsoDateTime(std::uint32_t dosTime) {
    if (dosTime == 0)
        return {};
    const w98::DateTime t = w98::unpackDosDateTime(dosTime);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

} // namespace korvane
