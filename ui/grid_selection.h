#pragma once
// What pointing at a cell of a grid selects. Grids select by hovering: the row or the cell
// under the pointer becomes the selection, and a click acts on it. Plain C++.
#include "sysaccess/text_table.h"

#include <optional>

namespace korvane::ui {

using korvane::GridRect;

enum class HoverSelect {
    None,       // hovering selects nothing
    WholeRow,   // the data row under the pointer, from column 0 to the last column
    SingleCell, // the one cell under the pointer, header cells included
};

// The selection for the pointer over column col and row row (-1 where the pointer is beyond
// the cells) of a table of colCount columns and rowCount rows whose first fixedRows rows are
// headers. No selection where the pointer is outside the cells, and in WholeRow mode over the
// header rows; a whole row needs only the row under the pointer.
inline std::optional<GridRect> hoverSelection(HoverSelect mode, int col, int row, int colCount, int rowCount,
                                              int fixedRows) {
    const bool rowInside = row >= 0 && row < rowCount;
    const bool colInside = col >= 0 && col < colCount;
    switch (mode) {
    case HoverSelect::None:
        return std::nullopt;
    case HoverSelect::WholeRow:
        if (!rowInside || row < fixedRows || colCount == 0)
            return std::nullopt;
        return GridRect{0, row, colCount - 1, row};
    case HoverSelect::SingleCell:
        if (!rowInside || !colInside)
            return std::nullopt;
        return GridRect{col, row, col, row};
    }
    return std::nullopt;
}

} // namespace korvane::ui
