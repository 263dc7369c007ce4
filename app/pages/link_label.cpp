#include "link_label.h"

#include "knowledge_text.h"

#include "app/navigation.h"
#include "knowledge/help_links.h"

namespace korvane {

ui::CommandLabel* MakeLinkLabel(const PageContext& ctx, QWidget* parent, const char* control) {
    const HelpLink& link = FindHelpLink(control);
    auto* label = new ui::CommandLabel(FromUtf8View(link.caption), ui::LabelLook::Command, parent);
    label->setObjectName(Utf8(control));
    const QString target = FromUtf8View(link.target);
    const QString address = target.startsWith(QStringLiteral("mailto:")) ? target.mid(7) : target;
    // A link that opens on a double click alone says so.
    label->setToolTip(link.event == LinkEvent::DoubleClick ? Utf8("双击打开：") + address : address);
    auto open = [&shell = ctx.shell, target] { OpenLink(shell, target); };
    if (link.event == LinkEvent::DoubleClick)
        Bind(ctx, label, &ui::CommandLabel::doubleClicked, open);
    else
        Bind(ctx, label, &ui::CommandLabel::clicked, open);
    return label;
}

} // namespace korvane
