#include "navigation.h"

#include "platform/shell.h"
#include "ui/colors.h"
#include "ui/command_label.h"
#include "ui/memo.h"

namespace korvane {

QString TopicBreadcrumb(const QString& topicCaption) {
    const QString inputMethod = QString::fromUtf8("输入法故障");
    const QString prefix =
        topicCaption == inputMethod ? QString::fromUtf8("当前：") : QString::fromUtf8("当前：常见病》");
    return prefix + topicCaption + QString::fromUtf8("》");
}

void ShowHoverHelp(ui::Memo& memo, ui::CommandLabel& control, const QStringList& paragraphs, HoverMark mark) {
    if (mark == HoverMark::Aqua) {
        control.setBackgroundColor(ui::colors::aqua());
        memo.setVisible(true);
    }
    memo.clearLines();
    memo.addLine(control.text());
    memo.addLine(QString());
    for (const QString& p : paragraphs)
        memo.addLine(p);
}

void OpenLink(w98::Shell& shell, const QString& target) {
    shell.open(target.toStdString());
}

} // namespace korvane
