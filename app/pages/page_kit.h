#pragma once
// What every page is built from: the context its handlers run in, and the makers of the
// labels, memos and panels that pages place.
#include "ui/command_label.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <functional>

class QFrame;

namespace w98 {
class Shell;
}

namespace korvane {

struct System;
struct SharedPaths;

namespace ui {
class Memo;
class PageControl;
} // namespace ui

struct PageContext {
    QWidget* window;
    ui::Dialogs& dialogs;
    w98::Shell& shell;
    System& system;
    SharedPaths& paths;
};

// Connects a control's event to its handler. The handler runs through the application's
// default handler: an error shows its message and abandons the rest of the action.
template <typename Sender, typename Signal, typename Handler>
void Bind(const PageContext& ctx, Sender* sender, Signal signal, Handler handler) {
    QObject::connect(sender, signal, ctx.window,
                     [&dialogs = ctx.dialogs, window = ctx.window, handler](auto&&...) {
                         ui::runGuarded(dialogs, window, handler);
                     });
}

// Runs the handler, as Bind does, each time the page becomes the active page of its control.
void OnShow(const PageContext& ctx, ui::PageControl* control, QWidget* page, std::function<void()> handler);

// A label with the object name and caption given (both UTF-8).
ui::CommandLabel* MakeLabel(QWidget* parent, const char* name, const char* caption,
                            ui::LabelLook look = ui::LabelLook::Command);
// An info memo that shows the lines given.
ui::Memo* MakeMemo(QWidget* parent, const char* name, const QStringList& lines = {});
// A panel filled with a colour.
QFrame* MakePanel(QWidget* parent, const char* name, const QColor& color);
// Fills a widget's background with a colour.
void Paint(QWidget* widget, const QColor& color);
// The background of a text area or grid.
void PaintBase(QWidget* widget, const QColor& color);
// A bold font of the size given, in the window's family.
QFont BoldFont(const QWidget* widget, int pixels);

QString Utf8(const char* text);

} // namespace korvane
