#pragma once
// Lets the user drag the column borders of a grid's top row, as the grid's tooltip may ask.
// The grid's header cells are its first row, not a header view, so the drag is done here: over
// a border of the top row the pointer becomes the sizing arrow, and a drag there changes the
// column's width and is not a click. The widths stay when the grid's table changes.
#include <QObject>
#include <QPoint>

namespace korvane::ui {

class TextGrid;

class ColumnSizer : public QObject {
  public:
    // Watches the grid; it lives as long as the grid.
    explicit ColumnSizer(TextGrid* grid);

    static constexpr int kGrip = 3;     // pixels either side of a border
    static constexpr int kMinWidth = 8; // a column never vanishes under the pointer

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int borderAt(QPoint pos) const; // the column whose right border is under pos, or -1
    void setGripCursor(bool on);

    TextGrid* grid_;
    // Kept from the start: while the grid is being destroyed its viewport still sends events
    // here, and the grid can no longer be asked for it.
    QObject* viewport_;
    int dragged_ = -1;
    bool onGrip_ = false;
};

} // namespace korvane::ui
