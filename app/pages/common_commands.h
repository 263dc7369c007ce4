#pragma once
// The commands beside the written guides of the "常见" page: the input-method icon fix, the
// system file checker, the reinstall shortcut and the jump to the driver repair, each in the
// place its topic page keeps for it.
#include "page_kit.h"

namespace korvane {

class CommonProblemsPage;

class CommonCommands {
  public:
    CommonCommands(const PageContext& ctx, CommonProblemsPage& page);

    ui::CommandLabel* Label66;
    ui::CommandLabel* Label172;
    ui::CommandLabel* LabelReinstallWin98;
    // Opens "健体" with the driver repair's explanation; the window binds it.
    ui::CommandLabel* LabelLowerHangs;

    void Label66Click();
    void Label172Click();
    void LabelReinstallWin98Click();

  private:
    PageContext ctx_;
};

} // namespace korvane
