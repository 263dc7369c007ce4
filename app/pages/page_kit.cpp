#include "page_kit.h"

#include "ui/memo.h"
#include "ui/page_control.h"

#include <QFrame>

namespace korvane {

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

void OnShow(const PageContext& ctx, ui::PageControl* control, QWidget* page, std::function<void()> handler) {
    QObject::connect(
        control, &ui::PageControl::pageShown, ctx.window,
        [&dialogs = ctx.dialogs, window = ctx.window, page, handler = std::move(handler)](QWidget* shown) {
            if (shown == page)
                ui::runGuarded(dialogs, window, handler);
        });
}

ui::CommandLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, ui::LabelLook look) {
    auto* label = new ui::CommandLabel(Utf8(caption), look, parent);
    label->setObjectName(Utf8(name));
    return label;
}

ui::Memo* MakeMemo(QWidget* parent, const char* name, const QStringList& lines) {
    auto* memo = new ui::Memo(parent);
    memo->setObjectName(Utf8(name));
    memo->setLines(lines);
    return memo;
}

QFrame* MakePanel(QWidget* parent, const char* name, const QColor& color) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(Utf8(name));
    panel->setFrameShape(QFrame::StyledPanel);
    Paint(panel, color);
    return panel;
}

void Paint(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, color);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

void PaintBase(QWidget* widget, const QColor& color) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Base, color);
    widget->setPalette(p);
}

QFont BoldFont(const QWidget* widget, int pixels) {
    QFont f = widget->font();
    f.setBold(true);
    f.setPixelSize(pixels);
    return f;
}

} // namespace korvane
