#pragma once
// A list of items, each with a tick box.
#include <QListWidget>

namespace korvane::ui {

class CheckListBox : public QListWidget {
    Q_OBJECT

  public:
    explicit CheckListBox(QWidget* parent = nullptr);

    void addCheckItem(const QString& text, bool checked = false);
    bool isChecked(int index) const;
    // Changes a tick without reporting it as the user's.
    void setChecked(int index, bool checked);

  Q_SIGNALS:
    // The user ticked or unticked an item.
    void clickCheck(int index, bool checked);

  private:
    bool setting_ = false;
};

} // namespace korvane::ui
