// The 大站 sub-page: what to do by hand to undo or redo what three browser add-ons change.
#include "internet_page.h"

#include "knowledge_text.h"
#include "switch_label.h"

#include "switches/browser_texts.h"
#include "ui/memo.h"

#include <QVBoxLayout>

namespace korvane {

void InternetPage::buildAddonPage() {
    QWidget* page = TabSheet27;
    QVBoxLayout* layout = column(page, nullptr);
    auto make = [&](const char* control) {
        const AddonInstructions& a = FindAddonInstructions(control);
        ui::CommandLabel* label = MakeLabel(page, a.control, a.caption);
        layout->addWidget(label, 0, Qt::AlignLeft);
        Bind(ctx_, label, &ui::CommandLabel::clicked, [this, label] { AddonLabelClick(label); });
        return label;
    };
    Label28 = make("Label28");
    Label30 = make("Label30");
    Label29 = make("Label29");
    Label181 = make("Label181");
    Label182 = make("Label182");
    Label183 = make("Label183");
    Memo28 = MakeMemo(page, "Memo28");
    Memo28->setFixedHeight(170);
    Memo28->hide();
    layout->addWidget(Memo28);
    layout->addStretch();
}

// Nothing changes on the system: the user follows the steps by hand.
void InternetPage::AddonLabelClick(ui::CommandLabel* label) {
    const AddonInstructions& a = FindAddonInstructions(label->objectName().toStdString());
    ShowInTextArea(*Memo28, label->text(), ToLines(a.lines));
}

} // namespace korvane
