#pragma once
// A grid's state: a plain table of text cells that a grid widget shows and the lists behind it
// fill. Cells are addressed as (column, row), row 0 being the header row. Reading outside the
// table gives an empty text; writing outside it throws. Plain C++, so that what fills a table
// needs no widgets.
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

// A block of cells, as (column, row) corners; both corners are included.
struct GridRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const GridRect&, const GridRect&) = default;
};

class TextTable {
  public:
    TextTable() = default;
    TextTable(int colCount, int rowCount) { resize(colCount, rowCount); }

    int colCount() const { return cols_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    void setColCount(int n) { resize(n, rowCount()); }
    void setRowCount(int n) { resize(cols_, n); }

    const std::string& cell(int col, int row) const {
        static const std::string empty;
        if (col < 0 || row < 0 || col >= cols_ || row >= rowCount())
            return empty;
        return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    }
    void setCell(int col, int row, std::string text) {
        check(col, row);
        rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = std::move(text);
    }

    const std::vector<std::string>& row(int r) const {
        check(0, r);
        return rows_[static_cast<std::size_t>(r)];
    }
    void setRow(int r, std::vector<std::string> cells) {
        check(0, r);
        cells.resize(static_cast<std::size_t>(cols_));
        rows_[static_cast<std::size_t>(r)] = std::move(cells);
    }
    // Exchanges two rows without copying their cells.
    void swapRows(int a, int b) {
        check(0, a);
        check(0, b);
        std::swap(rows_[static_cast<std::size_t>(a)], rows_[static_cast<std::size_t>(b)]);
    }
    // Removes a row; the rows below move up one place.
    void removeRow(int r) {
        check(0, r);
        rows_.erase(rows_.begin() + r);
    }
    // Moves a row to another place, as dragging it does; the rows between shift by one.
    void moveRow(int from, int to) {
        check(0, from);
        check(0, to);
        auto moved = std::move(rows_[static_cast<std::size_t>(from)]);
        rows_.erase(rows_.begin() + from);
        rows_.insert(rows_.begin() + to, std::move(moved));
    }

    friend bool operator==(const TextTable&, const TextTable&) = default;

  private:
    void resize(int cols, int rows) {
        if (cols < 0 || rows < 0)
            throw std::out_of_range("表格的行数和列数不能是负数");
        cols_ = cols;
        rows_.resize(static_cast<std::size_t>(rows));
        for (auto& r : rows_)
            r.resize(static_cast<std::size_t>(cols));
    }
    void check(int col, int row) const {
        if (col < 0 || row < 0 || col >= cols_ || row >= rowCount())
            throw std::out_of_range("单元格（" + std::to_string(col) + ", " + std::to_string(row) +
                                    "）在表格之外");
    }

    int cols_ = 0;
    std::vector<std::vector<std::string>> rows_;
};

} // namespace korvane
