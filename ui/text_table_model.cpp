#include "text_table_model.h"

#include <QGuiApplication>
#include <QPalette>

namespace korvane::ui {

void TextTableModel::setFixed(int cols, int rows) {
    beginResetModel();
    fixedCols_ = cols;
    fixedRows_ = rows;
    endResetModel();
}

void TextTableModel::tableChanged() {
    beginResetModel();
    endResetModel();
}

int TextTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.rowCount();
}

int TextTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.colCount();
}

QVariant TextTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(table_.cell(index.column(), index.row()));
    case Qt::BackgroundRole:
        if (isFixed(index))
            return QGuiApplication::palette().color(QPalette::Button);
        return {};
    case Qt::ForegroundRole:
        if (isFixed(index))
            return QGuiApplication::palette().color(QPalette::ButtonText);
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags TextTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return isFixed(index) ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace korvane::ui
