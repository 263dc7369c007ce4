#include "first_show.h"

#include "event_hook.h"

#include <memory>

namespace korvane {

void OnFirstShow(const PageContext& ctx, QWidget* widget, std::function<void()> handler) {
    auto done = std::make_shared<bool>(false);
    HookEvent(widget, QEvent::Show, [&dialogs = ctx.dialogs, window = ctx.window, done, handler](QEvent*) {
        if (!*done) {
            *done = true;
            ui::runGuarded(dialogs, window, handler);
        }
        return false;
    });
}

} // namespace korvane
