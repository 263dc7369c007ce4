#include "event_hook.h"

#include <QMouseEvent>
#include <QWidget>
#include <memory>

namespace korvane {
namespace {

class EventHook final : public QObject {
  public:
    EventHook(QObject* target, QEvent::Type type, std::function<bool(QEvent*)> handler)
        : QObject(target), type_(type), handler_(std::move(handler)) {
        target->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == type_ && handler_(event); }

  private:
    QEvent::Type type_;
    std::function<bool(QEvent*)> handler_;
};

} // namespace

void HookEvent(QObject* target, QEvent::Type type, std::function<bool(QEvent*)> handler) {
    new EventHook(target, type, std::move(handler));
}

void HookClick(QWidget* widget, std::function<void()> action) {
    auto pressed = std::make_shared<bool>(false);
    HookEvent(widget, QEvent::MouseButtonPress, [pressed](QEvent* e) {
        *pressed = static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton;
        return false;
    });
    HookEvent(widget, QEvent::MouseButtonRelease, [widget, pressed, action = std::move(action)](QEvent* e) {
        auto* me = static_cast<QMouseEvent*>(e);
        const bool click =
            *pressed && me->button() == Qt::LeftButton && widget->rect().contains(me->position().toPoint());
        *pressed = false;
        if (click)
            action();
        return false;
    });
}

} // namespace korvane
