#include "memo.h"

#include <QTextCursor>

namespace korvane::ui {

Memo::Memo(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void Memo::clearLines() {
    clear();
    empty_ = true;
}

// An empty document and a document of one empty line look the same to QPlainTextEdit, so
// the memo remembers whether it holds a line.
void Memo::addLine(const QString& line) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!empty_)
        cursor.insertBlock();
    cursor.insertText(line);
    empty_ = false;
}

void Memo::setLines(const QStringList& lines) {
    clearLines();
    for (const QString& line : lines)
        addLine(line);
}

QStringList Memo::lines() const {
    if (empty_)
        return {};
    return toPlainText().split(QLatin1Char('\n'));
}

} // namespace korvane::ui
