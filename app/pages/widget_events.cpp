#include "widget_events.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace korvane {
namespace {

class ClickHook final : public QObject {
  public:
    ClickHook(QWidget* widget, std::function<void()> action) : QObject(widget), action_(std::move(action)) {
        widget->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            pressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        } else if (event->type() == QEvent::MouseButtonRelease && pressed_) {
            pressed_ = false;
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton &&
                static_cast<QWidget*>(watched)->rect().contains(e->position().toPoint()))
                action_();
        }
        return false;
    }

  private:
    std::function<void()> action_;
    bool pressed_ = false;
};

class CoverHook final : public QObject {
  public:
    explicit CoverHook(QWidget* widget) : QObject(widget), widget_(widget) {
        widget->parentWidget()->installEventFilter(this);
        widget->setGeometry(widget->parentWidget()->rect());
        widget->raise();
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            widget_->setGeometry(widget_->parentWidget()->rect());
        return false;
    }

  private:
    QWidget* widget_;
};

} // namespace

void OnClick(QWidget* widget, std::function<void()> action) {
    new ClickHook(widget, std::move(action));
}

void CoverParent(QWidget* widget) {
    new CoverHook(widget);
}

} // namespace korvane
