#include "column_sizer.h"

#include "text_grid.h"

#include <QMouseEvent>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace korvane::ui {

ColumnSizer::ColumnSizer(TextGrid* grid) : QObject(grid), grid_(grid), viewport_(grid->viewport()) {
    viewport_->installEventFilter(this);
}

int ColumnSizer::borderAt(QPoint pos) const {
    if (grid_->table().rowCount() == 0 || grid_->rowAt(pos.y()) != 0)
        return -1;
    for (int c = 0; c < grid_->table().colCount(); ++c) {
        if (grid_->isColumnHidden(c))
            continue;
        const int right = grid_->columnViewportPosition(c) + grid_->columnWidth(c);
        if (std::abs(pos.x() - right) <= kGrip)
            return c;
    }
    return -1;
}

void ColumnSizer::setGripCursor(bool on) {
    if (on == onGrip_)
        return;
    onGrip_ = on;
    if (on)
        grid_->viewport()->setCursor(Qt::SplitHCursor);
    else
        grid_->viewport()->unsetCursor();
}

bool ColumnSizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != viewport_)
        return false;
    switch (event->type()) {
    case QEvent::MouseMove: {
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (dragged_ >= 0) {
            grid_->setColumnWidth(dragged_,
                                  std::max(kMinWidth, pos.x() - grid_->columnViewportPosition(dragged_)));
            return true;
        }
        setGripCursor(borderAt(pos) >= 0);
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const int column = mouse->button() == Qt::LeftButton ? borderAt(mouse->position().toPoint()) : -1;
        if (column < 0)
            return false;
        dragged_ = column;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (dragged_ < 0)
            return false;
        dragged_ = -1;
        std::vector<int> widths;
        for (int c = 0; c < grid_->table().colCount(); ++c)
            widths.push_back(grid_->columnWidth(c));
        grid_->setColumnWidths(std::move(widths));
        return true;
    }
    default:
        return false;
    }
}

} // namespace korvane::ui
