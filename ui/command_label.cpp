#include "command_label.h"

#include "colors.h"

#include <QApplication>
#include <QMouseEvent>

namespace korvane::ui {

CommandLabel::CommandLabel(const QString& caption, LabelLook look, QWidget* parent)
    : QLabel(caption, parent), look_(look) {
    // Hover help and hover selection need movements without a pressed button.
    setMouseTracking(true);
    applyLook();
}

void CommandLabel::setLook(LabelLook look) {
    look_ = look;
    applyLook();
}

void CommandLabel::applyLook() {
    QFont f = font();
    f.setBold(true);
    f.setUnderline(look_ == LabelLook::Command);
    setFont(f);
    setCursor(look_ == LabelLook::Heading ? Qt::ArrowCursor : Qt::PointingHandCursor);
    switch (look_) {
    case LabelLook::Command:
    case LabelLook::PlainCommand:
        setTextColor(colors::blue());
        break;
    case LabelLook::Topic:
        setTextColor(colors::black());
        setBackgroundColor(colors::cream());
        break;
    case LabelLook::Heading:
        setTextColor(colors::black());
        break;
    }
}

void CommandLabel::setTextColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

QColor CommandLabel::textColor() const {
    return palette().color(QPalette::WindowText);
}

void CommandLabel::setBackgroundColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
    setAutoFillBackground(true);
}

QColor CommandLabel::backgroundColor() const {
    return autoFillBackground() ? palette().color(QPalette::Window) : QColor();
}

void CommandLabel::setPixelSize(int pixels) {
    QFont f = font();
    f.setPixelSize(pixels);
    setFont(f);
}

void CommandLabel::mousePressEvent(QMouseEvent* event) {
    releaseEndsDoubleClick_ = false;
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    event->accept();
}

// As on Windows: the click comes before the release is reported.
void CommandLabel::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool click =
        event->button() == Qt::LeftButton && pressed_ && !releaseEndsDoubleClick_ && rect().contains(pos);
    pressed_ = false;
    releaseEndsDoubleClick_ = false;
    if (click) {
        sinceClick_.start();
        Q_EMIT clicked();
    }
    Q_EMIT mouseReleased(event->button(), pos);
    event->accept();
}

// A double click performs the click action first. The first half of a real double click has
// already done so; a double click that arrives alone does it here.
void CommandLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const bool clickedJustNow =
        sinceClick_.isValid() && sinceClick_.elapsed() <= QApplication::doubleClickInterval();
    sinceClick_.invalidate();
    pressed_ = false;
    releaseEndsDoubleClick_ = true;
    if (!clickedJustNow)
        Q_EMIT clicked();
    Q_EMIT doubleClicked();
    event->accept();
}

void CommandLabel::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT mouseMoved(event->position().toPoint());
    event->accept();
}

} // namespace korvane::ui
