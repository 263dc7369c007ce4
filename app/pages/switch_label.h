#pragma once
// Policy switches on labels: the caption is the switch's state inside the window, so a click
// hands the caption to the switch and shows the one that comes back.
#include "page_kit.h"

namespace w98 {
class Machine;
}

namespace korvane {

struct PolicySwitch;
namespace ui {
class Memo;
}

// A label that carries the switch, named and captioned as the form has it.
ui::CommandLabel* MakeSwitchLabel(QWidget* parent, const PolicySwitch& s, ui::LabelLook look);
// A write that fails leaves the caption as it was.
void ClickSwitchLabel(w98::Machine& m, ui::CommandLabel& label, const PolicySwitch& s);
void RefreshSwitchLabel(w98::Machine& m, ui::CommandLabel& label, const PolicySwitch& s);

// A page's text area: cleared, made visible, then the caption, an empty line and the lines.
void ShowInTextArea(ui::Memo& memo, const QString& caption, const QStringList& lines);

} // namespace korvane
