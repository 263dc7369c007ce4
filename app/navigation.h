#pragma once
// The navigation pieces that every page shares: the breadcrumb of the common-problem topics,
// hover help into an info memo, and links handed to the shell.
#include <QString>
#include <QStringList>

namespace w98 {
class Shell;
}

namespace korvane {

namespace ui {
class CommandLabel;
class Memo;
} // namespace ui

// The breadcrumb for a common-problem topic: 当前：常见病》蓝屏》. The input-method topic is a
// problem of its own and reads 当前：输入法故障》.
QString TopicBreadcrumb(const QString& topicCaption);

enum class HoverMark {
    None,
    // The first page marks every feature the user has pointed at, for the rest of the run.
    Aqua,
};

// Rebuilds the info memo for the control under the pointer: the control's caption as it reads
// now, an empty line, then the paragraphs one line each (the memo wraps them).
void ShowHoverHelp(ui::Memo& memo, ui::CommandLabel& control, const QStringList& paragraphs,
                   HoverMark mark = HoverMark::None);

// The shell's default action on a web address, a mailto: address or a path. The result is
// not examined: a target that cannot be opened gives no message.
void OpenLink(w98::Shell& shell, const QString& target);

} // namespace korvane
