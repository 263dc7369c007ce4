#pragma once
// A grid of text cells. It holds its list's state in a TextTable that logic reads and changes;
// the grid shows it with fixed header cells, and the row or cell under the pointer is the
// selection that a click acts on.
#include "grid_selection.h"
#include "sysaccess/text_table.h"

#include <QTableView>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace korvane::ui {

class TextTableModel;

class TextGrid : public QTableView {
    Q_OBJECT

  public:
    explicit TextGrid(QWidget* parent = nullptr);

    const TextTable& table() const { return table_; }
    void setTable(TextTable table);
    // Lets logic change the table in place, then shows the result.
    template <typename F> void edit(F&& change) {
        std::forward<F>(change)(table_);
        tableChanged();
    }

    // Header rows and columns at the top and left.
    void setFixed(int cols, int rows);
    // Column widths in pixels, from column 0 on.
    void setColumnWidths(std::vector<int> widths);
    // A hidden column keeps its cells; it is only not drawn.
    void setColumnShown(int col, bool shown);
    bool isColumnShown(int col) const { return !hiddenCols_.contains(col); }

    void setHoverSelect(HoverSelect mode) { hoverSelect_ = mode; }
    // Data rows can be dragged to another place by their cell in this column (-1: no dragging).
    // A drag moves the whole row, its cells included, and is not a click.
    void setRowDragColumn(int col) { dragColumn_ = col; }
    std::optional<GridRect> selection() const { return selection_; }
    void setSelection(std::optional<GridRect> rect);

  Q_SIGNALS:
    // The pointer is over column col and row row (-1 beyond the cells).
    void mouseMoved(int col, int row);
    // A click with a selection; a click where nothing is selected is not reported.
    void clicked(const korvane::ui::GridRect& selection);
    // A data row was dragged from one place to another.
    void rowMoved(int from, int to);
    // The selection is another one now (or none).
    void selectionMoved();

  protected:
    // In whole-row mode the keyboard selects too: the row of the cell it moves to.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void tableChanged();
    void applyColumns();

    TextTable table_;
    TextTableModel* model_;
    std::vector<int> widths_;
    std::set<int> hiddenCols_;
    HoverSelect hoverSelect_ = HoverSelect::None;
    std::optional<GridRect> selection_;
    bool pressed_ = false;
    int dragRow_ = -1;
    int dragColumn_ = -1;
};

} // namespace korvane::ui
