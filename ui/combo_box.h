#pragma once
// A drop-down list with an editable text that reports every key pressed in it. The key still
// reaches the list afterwards, unchanged.
#include <QComboBox>

namespace korvane::ui {

class ComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit ComboBox(QWidget* parent = nullptr);

    // Replaces the items and keeps the text of the edit box as it reads.
    void replaceItems(const QStringList& items);
    QStringList items() const;

  Q_SIGNALS:
    void keyPressed(int key);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace korvane::ui
