#pragma once
// Shows a TextTable in a Qt item view. The first rows and columns are fixed: drawn as header
// cells and never selected.
#include "sysaccess/text_table.h"

#include <QAbstractTableModel>

namespace korvane::ui {

class TextTableModel final : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit TextTableModel(const TextTable& table, QObject* parent = nullptr)
        : QAbstractTableModel(parent), table_(table) {}

    void setFixed(int cols, int rows);
    int fixedCols() const { return fixedCols_; }
    int fixedRows() const { return fixedRows_; }
    // Call after the table changed.
    void tableChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    bool isFixed(const QModelIndex& index) const {
        return index.row() < fixedRows_ || index.column() < fixedCols_;
    }

    const TextTable& table_;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
};

} // namespace korvane::ui
