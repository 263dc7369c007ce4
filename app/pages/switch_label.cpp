#include "switch_label.h"

#include "switches/policy_switch.h"
#include "ui/memo.h"

namespace korvane {

ui::CommandLabel* MakeSwitchLabel(QWidget* parent, const PolicySwitch& s, ui::LabelLook look) {
    return MakeLabel(parent, s.control, s.formCaption, look);
}

void ClickSwitchLabel(w98::Machine& m, ui::CommandLabel& label, const PolicySwitch& s) {
    label.setText(QString::fromStdString(ClickPolicySwitch(m, s, label.text().toStdString())));
}

void RefreshSwitchLabel(w98::Machine& m, ui::CommandLabel& label, const PolicySwitch& s) {
    label.setText(QString::fromStdString(RefreshPolicySwitch(m, s)));
}

void ShowInTextArea(ui::Memo& memo, const QString& caption, const QStringList& lines) {
    memo.clearLines();
    memo.setVisible(true);
    memo.addLine(caption);
    memo.addLine(QString());
    for (const QString& line : lines)
        memo.addLine(line);
}

} // namespace korvane
