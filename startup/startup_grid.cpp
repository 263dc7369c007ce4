#include "startup_grid.h"

#include "known_entries.h"

namespace korvane {

const std::vector<std::string>& StartupGridHeaders() {
    static const std::vector<std::string> headers = {"序数",     "开机自动运行的程序", "说明", "删除",
                                                     "加载时间", "查找目标",           "键名", "主键"};
    return headers;
}

const std::vector<int>& StartupGridWidths() {
    static const std::vector<int> widths = {64, 286, 252, 43, 89, 75, 174, 108};
    return widths;
}

TextTable StartupTable(const std::vector<StartupEntry>& entries, const std::string& winDir) {
    TextTable t(startup_col::kCount, static_cast<int>(entries.size()) + 1);
    for (int row = 1; row < t.rowCount(); ++row) {
        const StartupEntry& e = entries[static_cast<std::size_t>(row - 1)];
        t.setCell(startup_col::kNumber, row, std::to_string(row));
        t.setCell(startup_col::kProgram, row, e.program);
        t.setCell(startup_col::kDelete, row, kDeleteCell);
        t.setCell(startup_col::kName, row, e.name);
        t.setCell(startup_col::kSource, row, e.source);
    }
    t.setRow(0, StartupGridHeaders());
    KnownStartupEntries(t, winDir);
    return t;
}

} // namespace korvane
