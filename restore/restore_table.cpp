#include "restore_table.h"

#include "restore_listing.h"

#include "base/date_time.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/clock.h"
#include "platform/machine.h"

#include <charconv>

namespace korvane {
namespace {

const char* const kHeaders[restore_col::kCount] = {"可选项", "还原到..时间以前", "附加说明", "文件路径",
                                                   "后缀名", "文件名",           "dos时间"};

std::uint64_t keyOf(const std::string& text) {
    std::uint64_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() ? v : 0;
}

// Hoare partition around the middle place's key, largest first. key(i) is the key at place i,
// swap(i, j) exchanges two places: the table's rows and a listing's keys go through the same
// comparisons and exchanges, so that both end in the same order.
template <typename Key, typename Swap> void quickSort(int lo, int hi, const Key& key, const Swap& swap) {
    while (lo < hi) {
        const std::uint64_t pivot = key((lo + hi) / 2);
        int i = lo, j = hi;
        while (i <= j) {
            while (key(i) > pivot)
                ++i;
            while (key(j) < pivot)
                --j;
            if (i <= j) {
                swap(i, j);
                ++i;
                --j;
            }
        }
        // Recurse into the smaller part, loop on the larger: the stack stays shallow.
        if (j - lo < hi - i) {
            if (lo < j)
                quickSort(lo, j, key, swap);
            lo = i;
        } else {
            if (i < hi)
                quickSort(i, hi, key, swap);
            hi = j;
        }
    }
}

} // namespace

std::string YearPrefix(const std::string& shortDateFormat, int year) {
    const bool twoDigitYearFirst = shortDateFormat.starts_with("yy") && !shortDateFormat.starts_with("yyy");
    if (!twoDigitYearFirst)
        return "";
    return year >= 1980 && year < 2000 ? "19" : "20";
}

const char* RestoreColumnHeader(int col) {
    return col >= 0 && col < restore_col::kCount ? kHeaders[col] : "";
}

void FillRestoreTable(TextTable& table, const RestoreCatalogue& catalogue, const w98::Machine& m,
                      int referenceYear) {
    table = RestoreListing(catalogue, m, referenceYear).table();
}

RestorePoint RestorePointAt(const TextTable& table, int row) {
    RestorePoint p;
    p.note = table.cell(restore_col::kNote, row);
    p.folder = table.cell(restore_col::kFolder, row);
    p.extension = table.cell(restore_col::kExtension, row);
    p.fileName = table.cell(restore_col::kFileName, row);
    p.shownDate = table.cell(restore_col::kDate, row);
    const std::uint64_t key = keyOf(table.cell(restore_col::kSortKey, row));
    p.dosTime = key <= UINT32_MAX ? static_cast<std::uint32_t>(key) : 0;
    return p;
}

void SortTableRows(TextTable& table, int keyColumn) {
    if (table.rowCount() > 2)
        quickSort(
            1, table.rowCount() - 1, [&](int r) { return keyOf(table.cell(keyColumn, r)); },
            [&](int a, int b) { SwapTableRows(table, a, b); });
}

std::vector<std::size_t> NewestFirstOrder(const std::vector<std::uint32_t>& keys) {
    std::vector<std::size_t> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    if (keys.size() > 1) {
        std::vector<std::uint32_t> placed = keys;
        quickSort(
            0, static_cast<int>(keys.size()) - 1,
            [&](int i) { return std::uint64_t{placed[std::size_t(i)]}; },
            [&](int a, int b) {
                std::swap(placed[std::size_t(a)], placed[std::size_t(b)]);
                std::swap(order[std::size_t(a)], order[std::size_t(b)]);
            });
    }
    return order;
}

void SwapTableRows(TextTable& table, int a, int b) {
    table.swapRows(a, b);
}

std::string SortErrorMessage(const std::string& what) {
    return "系统在排序数据的时候遇到异常:\n" + what + "\n请重试，如果该问题依然存在请与程序供应商联系！";
}

void MakeOldBackupFolder(w98::Machine& m, const std::string& backupDir) {
    const std::string oldFolder = backupDir + "\\old";
    try {
        if (!m.isDirectory(oldFolder))
            m.createDirectory(oldFolder);
    } catch (const w98::Error&) {
        // As before: a folder that cannot be made leaves its restore points where they are.
    }
}

bool MoveFuturePointAside(w98::Machine& m, const std::string& folder, const std::string& fileName,
                          const std::string& extension) {
    // Only cabinets move: the restore looks for a moved cabinet in "old", while a registry
    // file pair is always restored from its own folder. A cabinet already in an "old"
    // folder stays there; moving it again would take it where no scan finds it.
    const bool isCabinet = extension == ".cab";
    const bool inOldFolder =
        folder.size() >= 4 && w98::equalsNoCase(folder.substr(folder.size() - 4), "\\old");
    if (isCabinet && !inOldFolder) {
        try {
            if (!m.isDirectory(folder + "\\old"))
                m.createDirectory(folder + "\\old");
            m.moveFile(folder + "\\" + fileName, folder + "\\old\\" + fileName);
        } catch (const w98::Error&) {
            return false; // the file stays, and so does its note, so that a restore finds it
        }
    }
    return true;
}

void MoveFutureRestorePoints(w98::Machine& m, TextTable& table, const std::string& backupDir,
                             const w98::Clock& clock) {
    MakeOldBackupFolder(m, backupDir);
    const std::uint32_t now = w98::packDosDateTime(clock.now());
    for (int r = 1; r < table.rowCount(); ++r) {
        // The sort key holds the row's date as a packed date-time: no need to read the
        // displayed date back, which fails under date formats with a four-digit year.
        if (keyOf(table.cell(restore_col::kSortKey, r)) <= now)
            continue;
        if (MoveFuturePointAside(m, table.cell(restore_col::kFolder, r),
                                 table.cell(restore_col::kFileName, r),
                                 table.cell(restore_col::kExtension, r)))
            table.setCell(restore_col::kNote, r, notes::kMovedNow);
    }
}

} // namespace korvane
