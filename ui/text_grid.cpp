#include "text_grid.h"

#include "text_table_model.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>

namespace korvane::ui {

TextGrid::TextGrid(QWidget* parent) : QTableView(parent), model_(new TextTableModel(table_, this)) {
    setModel(model_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The pointer makes the selection, not the mouse buttons.
    setSelectionMode(QAbstractItemView::NoSelection);
    setWordWrap(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void TextGrid::setTable(TextTable table) {
    table_ = std::move(table);
    tableChanged();
}

void TextGrid::tableChanged() {
    model_->tableChanged();
    applyColumns();
    // A selection beyond the new table's cells would point at nothing.
    if (selection_ && (selection_->bottom >= table_.rowCount() || selection_->right >= table_.colCount()))
        setSelection(std::nullopt);
    else
        setSelection(selection_);
}

void TextGrid::setFixed(int cols, int rows) {
    model_->setFixed(cols, rows);
    applyColumns();
    setSelection(selection_);
}

void TextGrid::setColumnWidths(std::vector<int> widths) {
    widths_ = std::move(widths);
    applyColumns();
}

void TextGrid::setColumnShown(int col, bool shown) {
    if (shown)
        hiddenCols_.erase(col);
    else
        hiddenCols_.insert(col);
    applyColumns();
}

// A reset model forgets the header's sizes and hidden sections; put them back.
void TextGrid::applyColumns() {
    for (int c = 0; c < table_.colCount(); ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (i < widths_.size())
            setColumnWidth(c, widths_[i]);
        setColumnHidden(c, hiddenCols_.contains(c));
    }
}

void TextGrid::setSelection(std::optional<GridRect> rect) {
    const bool moved = selection_ != rect;
    selection_ = rect;
    QItemSelectionModel* sm = selectionModel();
    if (!rect) {
        sm->clearSelection();
    } else {
        const QModelIndex topLeft = model_->index(rect->top, rect->left);
        const QModelIndex bottomRight = model_->index(rect->bottom, rect->right);
        sm->select(QItemSelection(topLeft, bottomRight), QItemSelectionModel::ClearAndSelect);
        sm->setCurrentIndex(topLeft, QItemSelectionModel::NoUpdate);
    }
    if (moved)
        Q_EMIT selectionMoved();
}

void TextGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (hoverSelect_ != HoverSelect::WholeRow || !current.isValid() ||
        (selection_ && selection_->top == current.row()))
        return;
    setSelection(hoverSelection(hoverSelect_, current.column(), current.row(), table_.colCount(),
                                table_.rowCount(), model_->fixedRows()));
}

void TextGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const int col = columnAt(p.x());
    const int row = rowAt(p.y());
    if (hoverSelect_ != HoverSelect::None)
        setSelection(hoverSelection(hoverSelect_, col, row, table_.colCount(), table_.rowCount(),
                                    model_->fixedRows()));
    Q_EMIT mouseMoved(col, row);
    event->accept();
}

void TextGrid::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    const QPoint p = event->position().toPoint();
    const int row = rowAt(p.y());
    dragRow_ = pressed_ && dragColumn_ >= 0 && columnAt(p.x()) == dragColumn_ && row >= model_->fixedRows()
                   ? row
                   : -1;
    event->accept();
}

void TextGrid::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const bool click = pressed_ && event->button() == Qt::LeftButton && viewport()->rect().contains(p);
    const int from = dragRow_;
    pressed_ = false;
    dragRow_ = -1;
    event->accept();
    const int to = rowAt(p.y());
    if (click && from >= 0 && to >= model_->fixedRows() && to != from) {
        table_.moveRow(from, to);
        tableChanged();
        setSelection(hoverSelection(hoverSelect_, columnAt(p.x()), to, table_.colCount(), table_.rowCount(),
                                    model_->fixedRows()));
        Q_EMIT rowMoved(from, to);
        return;
    }
    if (click && selection_)
        Q_EMIT clicked(*selection_);
}

void TextGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click is one click. A click that deletes a row would otherwise act a second
    // time, unseen, on the row that moved up into its place.
    pressed_ = false;
    dragRow_ = -1;
    event->accept();
}

} // namespace korvane::ui
