#pragma once
// The "体检" page: a result area across the top, and the command panel across the bottom with
// the guides to finding a fault's cause and the meaning of this machine's start-up beeps.
#include "page_kit.h"

#include <string>
#include <vector>

class QFrame;

namespace korvane {

enum class CheckupGuide;

namespace ui {
class ComboBox;
class Memo;
} // namespace ui

class CheckupPage {
  public:
    CheckupPage(const PageContext& ctx, QWidget* sheet);

    QFrame* PanelResult;
    ui::Memo* MemoResult;
    QFrame* PanelCommands;
    ui::CommandLabel* LabelFaultCauses;
    ui::CommandLabel* LabelExpert;
    ui::CommandLabel* LabelReasoning1;
    ui::CommandLabel* LabelReasoning2;
    ui::CommandLabel* LabelBeepCodes;
    ui::CommandLabel* LabelSilence;
    ui::ComboBox* ComboBoxBeepCodes;
    // They look like commands and do nothing yet.
    ui::CommandLabel* LabelVirusOrFault;
    ui::CommandLabel* LabelAutoCheck;

    void LabelBeepCodesClick();
    void ComboBoxBeepCodesKeyPress();
    void LabelExpertClick();
    void LabelReasoning1Click();
    void LabelReasoning2Click();
    void LabelSilenceClick();

  private:
    void buildCommandPanel();
    void showGuide(CheckupGuide guide);
    void showResult(const std::vector<std::string>& lines);

    PageContext ctx_;
};

} // namespace korvane
