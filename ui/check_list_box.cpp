#include "check_list_box.h"

namespace korvane::ui {

CheckListBox::CheckListBox(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!setting_)
            Q_EMIT clickCheck(row(item), item->checkState() == Qt::Checked);
    });
}

void CheckListBox::addCheckItem(const QString& text, bool checked) {
    setting_ = true;
    auto* item = new QListWidgetItem(text, this);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    setting_ = false;
}

bool CheckListBox::isChecked(int index) const {
    const QListWidgetItem* i = item(index);
    return i && i->checkState() == Qt::Checked;
}

void CheckListBox::setChecked(int index, bool checked) {
    QListWidgetItem* i = item(index);
    if (!i)
        return;
    setting_ = true;
    i->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    setting_ = false;
}

} // namespace korvane::ui
