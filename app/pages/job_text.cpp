#include "job_text.h"

#include "ui/busy_window.h"
#include "ui/memo.h"

namespace korvane {

void ShowLines(ui::Memo* memo, const std::vector<std::string>& lines) {
    memo->clearLines();
    memo->show();
    for (const auto& line : lines)
        memo->addLine(QString::fromStdString(line));
}

JobUi MemoJobUi(const PageContext& ctx, ui::Memo* memo) {
    return {
        [memo](const std::string& line) {
            if (memo)
                memo->addLine(QString::fromStdString(line));
        },
        [&dialogs = ctx.dialogs, window = ctx.window](const std::string& question) {
            return dialogs.confirm(window, QString::fromStdString(question));
        },
        [&dialogs = ctx.dialogs, window = ctx.window](const std::string& text) {
            dialogs.showMessage(window, QString::fromStdString(text));
        },
        [] { ui::PaintNow(); },
    };
}

} // namespace korvane
