#pragma once
// The "新生" page: reinstalling Windows from its setup source, and the setup product key. Both
// commands write into the page's text area Memo6.
#include "page_kit.h"

namespace korvane {

namespace ui {
class Memo;
}

class RenewalPage {
  public:
    RenewalPage(const PageContext& ctx, QWidget* sheet);

    ui::Memo* Memo6;
    ui::CommandLabel* LabelReinstallSystem;
    ui::CommandLabel* LabelProductKey;

    void LabelReinstallSystemClick();
    void LabelProductKeyClick();

  private:
    PageContext ctx_;
};

} // namespace korvane
