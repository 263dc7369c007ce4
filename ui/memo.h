#pragma once
// A text area that commands fill line by line: explanations, reports and hover help.
#include <QPlainTextEdit>
#include <QStringList>

namespace korvane::ui {

class Memo : public QPlainTextEdit {
    Q_OBJECT

  public:
    explicit Memo(QWidget* parent = nullptr);

    void clearLines();
    // Adds one line at the end; the memo wraps it to its width. An empty text adds an empty line.
    void addLine(const QString& line);
    void setLines(const QStringList& lines);
    QStringList lines() const;

  private:
    bool empty_ = true;
};

} // namespace korvane::ui
