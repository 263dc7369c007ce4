#include "restore_listing.h"

#include "catalogue.h"
#include "restore_table.h"

#include "base/date_time.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/clock.h"
#include "platform/machine.h"

#include <cstdio>

namespace korvane {

RestoreListing::RestoreListing(RestoreCatalogue scanned, const w98::Machine& m, int referenceYear) {
    const std::size_t n = scanned.size();
    // The machine's formats are read once for the whole list, not once for each point.
    const std::string shortDate = m.shortDateFormat();
    std::optional<std::string> longTime;
    std::vector<std::uint32_t> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        RestorePoint& p = scanned[i];
        std::uint32_t key = p.dosTime;
        if (key == 0) {
            try {
                if (!longTime)
                    longTime = m.longTimeFormat();
                key = w98::packDosDateTime(
                    w98::parseDateTimeText(p.dateText, shortDate, *longTime, referenceYear));
            } catch (const w98::Error&) {
                key = 0; // a date that cannot be read sorts last
            }
        }
        // Two-digit years are completed to their own century: a backup from the installation
        // in 1999 is no backup from 2099.
        const int year = key ? w98::unpackDosDateTime(key).year : referenceYear;
        p.shownDate = YearPrefix(shortDate, year) + p.dateText;
        p.dosTime = key;
        keys[i] = key;
    }
    const std::vector<std::size_t> order = NewestFirstOrder(keys);
    points_.reserve(n);
    numbers_.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        points_.push_back(std::move(scanned[order[k]]));
        numbers_.push_back(static_cast<int>(k) + 1);
    }
}

RestoreListing RestoreListing::Scan(const w98::Machine& m, const std::string& winDir,
                                    const std::string& backupDir, int referenceYear) {
    return RestoreListing(ScanAllRestorePoints(m, winDir, backupDir), m, referenceYear);
}

RestorePoint RestoreListing::atRow(int row) const {
    if (row < 1 || static_cast<std::size_t>(row) > points_.size())
        return {};
    return points_[static_cast<std::size_t>(row) - 1];
}

std::vector<std::string> RestoreListing::rowCells(std::size_t i) const {
    const RestorePoint& p = points_[i];
    std::vector<std::string> cells(restore_col::kCount);
    cells[restore_col::kNumber] = std::to_string(numbers_[i]);
    cells[restore_col::kDate] = p.shownDate;
    cells[restore_col::kNote] = p.note;
    cells[restore_col::kFolder] = p.folder;
    cells[restore_col::kExtension] = p.extension;
    cells[restore_col::kFileName] = p.fileName;
    cells[restore_col::kSortKey] = std::to_string(p.dosTime);
    return cells;
}

TextTable RestoreListing::table() const {
    TextTable t(restore_col::kCount, static_cast<int>(points_.size()) + 1);
    for (int c = 0; c < restore_col::kCount; ++c)
        t.setCell(c, 0, RestoreColumnHeader(c));
    for (std::size_t i = 0; i < points_.size(); ++i)
        t.setRow(static_cast<int>(i) + 1, rowCells(i));
    return t;
}

void RestoreListing::movePoint(std::size_t from, std::size_t to) {
    if (from >= points_.size() || to >= points_.size() || from == to)
        return;
    // As TextTable::moveRow: the points between shift by one.
    RestorePoint moved = std::move(points_[from]);
    const int number = numbers_[from];
    points_.erase(points_.begin() + static_cast<std::ptrdiff_t>(from));
    numbers_.erase(numbers_.begin() + static_cast<std::ptrdiff_t>(from));
    points_.insert(points_.begin() + static_cast<std::ptrdiff_t>(to), std::move(moved));
    numbers_.insert(numbers_.begin() + static_cast<std::ptrdiff_t>(to), number);
}

void RestoreListing::setNote(std::size_t i, std::string note) {
    if (i < points_.size())
        points_[i].note = std::move(note);
}

std::vector<std::size_t> RestoreListing::moveFuturePointsAside(w98::Machine& m, const std::string& backupDir,
                                                               const w98::Clock& clock) {
    MakeOldBackupFolder(m, backupDir);
    const std::uint32_t now = w98::packDosDateTime(clock.now());
    std::vector<std::size_t> marked;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        RestorePoint& p = points_[i];
        // dosTime holds the point's date as its sort key: no need to read the shown date back,
        // which fails under date formats with a four-digit year.
        if (p.dosTime <= now)
            continue;
        if (MoveFuturePointAside(m, p.folder, p.fileName, p.extension)) {
            p.note = notes::kMovedNow;
            marked.push_back(i);
        }
    }
    return marked;
}

std::optional<std::size_t> RestoreListing::findByFile(const std::string& winPath) const {
    return FindPointByFile(points_, winPath);
}

std::optional<std::size_t> RestoreListing::newestBackupBeforeRestore() const {
    return NewestBackupBeforeRestore(points_);
}

TextTable ScanRestoreTable(const w98::Machine& m, const std::string& winDir, const std::string& backupDir,
                           int referenceYear) {
    return RestoreListing::Scan(m, winDir, backupDir, referenceYear).table();
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
