#include "restore_table.h"

#include "platform/clock.h"
#include "platform/date_time.h"
#include "platform/error.h"
#include "platform/machine.h"
#include "platform/text.h"

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

void quickSort(TextTable& t, int lo, int hi, int k) {
    // Hoare partition around the middle row's key, largest first.
    while (lo < hi) {
        const std::uint64_t pivot = keyOf(t.cell(k, (lo + hi) / 2));
        int i = lo, j = hi;
        while (i <= j) {
            while (keyOf(t.cell(k, i)) > pivot)
                ++i;
            while (keyOf(t.cell(k, j)) < pivot)
                --j;
            if (i <= j) {
                SwapTableRows(t, i, j);
                ++i;
                --j;
            }
        }
        // Recurse into the smaller part, loop on the larger: the stack stays shallow.
        if (j - lo < hi - i) {
            if (lo < j)
                quickSort(t, lo, j, k);
            lo = i;
        } else {
            if (i < hi)
                quickSort(t, i, hi, k);
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

void FillRestoreTable(TextTable& table, const RestoreCatalogue& catalogue, const w98::Machine& m,
                      int referenceYear) {
    const int n = static_cast<int>(catalogue.size());
    table.setColCount(restore_col::kCount);
    table.setRowCount(n + 1);
    for (int c = 0; c < restore_col::kCount; ++c)
        table.setCell(c, 0, kHeaders[c]);
    const std::string shortDate = m.shortDateFormat();
    for (int i = 0; i < n; ++i) {
        const RestorePoint& p = catalogue[static_cast<std::size_t>(i)];
        const int r = i + 1;
        std::uint32_t key = p.dosTime;
        if (key == 0) {
            try {
                key = w98::packDosDateTime(w98::parseDateTimeText(p.dateText, m.shortDateFormat(),
                                                                  m.longTimeFormat(), referenceYear));
            } catch (const w98::Error&) {
                key = 0; // a date that cannot be read sorts last
            }
        }
        // Two-digit years are completed to their own century: a backup from the installation
        // in 1999 is no backup from 2099.
        const int year = key ? w98::unpackDosDateTime(key).year : referenceYear;
        table.setCell(restore_col::kDate, r, YearPrefix(shortDate, year) + p.dateText);
        table.setCell(restore_col::kSortKey, r, std::to_string(key));
        table.setCell(restore_col::kNote, r, p.note);
        table.setCell(restore_col::kFolder, r, p.folder);
        table.setCell(restore_col::kExtension, r, p.extension);
        table.setCell(restore_col::kFileName, r, p.fileName);
    }
    SortTableRows(table, restore_col::kSortKey);
    for (int r = 1; r <= n; ++r)
        table.setCell(restore_col::kNumber, r, std::to_string(r));
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
        quickSort(table, 1, table.rowCount() - 1, keyColumn);
}

void SwapTableRows(TextTable& table, int a, int b) {
    table.swapRows(a, b);
}

std::string SortErrorMessage(const std::string& what) {
    return "系统在排序数据的时候遇到异常:\n" + what + "\n请重试，如果该问题依然存在请与程序供应商联系！";
}

void MoveFutureRestorePoints(w98::Machine& m, TextTable& table, const std::string& backupDir,
                             const w98::Clock& clock) {
    const std::string oldFolder = backupDir + "\\old";
    try {
        if (!m.isDirectory(oldFolder))
            m.createDirectory(oldFolder);
    } catch (const w98::Error&) {
        // As before: a folder that cannot be made leaves its restore points where they are.
    }
    const std::uint32_t now = w98::packDosDateTime(clock.now());
    for (int r = 1; r < table.rowCount(); ++r) {
        // The sort key holds the row's date as a packed date-time: no need to read the
        // displayed date back, which fails under date formats with a four-digit year.
        if (keyOf(table.cell(restore_col::kSortKey, r)) <= now)
            continue;
        const std::string folder = table.cell(restore_col::kFolder, r);
        const std::string name = table.cell(restore_col::kFileName, r);
        // Only cabinets move: the restore looks for a moved cabinet in "old", while a registry
        // file pair is always restored from its own folder. A cabinet already in an "old"
        // folder stays there; moving it again would take it where no scan finds it.
        const bool isCabinet = table.cell(restore_col::kExtension, r) == ".cab";
        const bool inOldFolder =
            folder.size() >= 4 && w98::equalsNoCase(folder.substr(folder.size() - 4), "\\old");
        if (isCabinet && !inOldFolder) {
            try {
                if (!m.isDirectory(folder + "\\old"))
                    m.createDirectory(folder + "\\old");
                m.moveFile(folder + "\\" + name, folder + "\\old\\" + name);
            } catch (const w98::Error&) {
                continue; // the file stays, and so does its note, so that a restore finds it
            }
        }
        table.setCell(restore_col::kNote, r, notes::kMovedNow);
    }
}

} // namespace korvane
