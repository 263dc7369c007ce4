#pragma once
// The program's commands are text labels, not buttons. A command label reports clicks,
// double clicks, pointer movements and button releases, and wears one of a few looks so that
// the user sees what can be clicked.
#include <QElapsedTimer>
#include <QLabel>

namespace korvane::ui {

enum class LabelLook {
    Command,      // hand pointer, bold, underlined, blue: commands and web links
    Topic,        // hand pointer, bold, black on cream: the topic column of a page
    PlainCommand, // hand pointer, bold, not underlined (blue unless coloured otherwise)
    Heading,      // arrow pointer, bold; text that is not clicked
};

class CommandLabel : public QLabel {
    Q_OBJECT

  public:
    CommandLabel(const QString& caption, LabelLook look, QWidget* parent = nullptr);

    LabelLook look() const { return look_; }
    void setLook(LabelLook look);
    void setTextColor(const QColor& color);
    QColor textColor() const;
    // A filled background in the given colour; it stays until set again.
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const;
    // Text size in pixels; the look keeps the label bold.
    void setPixelSize(int pixels);

    // What the accessibility "press" does: the click action.
    void click() { Q_EMIT clicked(); }

  Q_SIGNALS:
    void clicked();
    void doubleClicked();
    void mouseMoved(QPoint pos);
    void mouseReleased(Qt::MouseButton button, QPoint pos);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void applyLook();

    LabelLook look_;
    bool pressed_ = false;
    bool releaseEndsDoubleClick_ = false;
    QElapsedTimer sinceClick_;
};

} // namespace korvane::ui
