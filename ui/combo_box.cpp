#include "combo_box.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace korvane::ui {

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // Typed text is the user's own; it never becomes an item of the list.
    setInsertPolicy(QComboBox::NoInsert);
}

void ComboBox::replaceItems(const QStringList& newItems) {
    const QString text = currentText();
    clear();
    addItems(newItems);
    setEditText(text);
}

QStringList ComboBox::items() const {
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << itemText(i);
    return out;
}

// The edit box hands its keys to the list, so every key passes here first.
void ComboBox::keyPressEvent(QKeyEvent* event) {
    Q_EMIT keyPressed(event->key());
    QComboBox::keyPressEvent(event);
}

} // namespace korvane::ui
