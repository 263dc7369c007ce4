#pragma once
// The maintenance commands of the "健体" page: the registry rebuild and the driver repair
// (a click explains in Memo7, a double click runs), the restart and the startup folder. They
// take the rows below the page's other commands.
#include "page_kit.h"

namespace korvane {

class HealthPage;

class HealthCommands {
  public:
    HealthCommands(const PageContext& ctx, HealthPage& page, QWidget* sheet);

    ui::CommandLabel* LabelCleanRegistry;
    ui::CommandLabel* LabelRepairDrivers;
    ui::CommandLabel* Label262;
    ui::CommandLabel* Label263;

    void LabelCleanRegistryClick();
    void LabelCleanRegistryDblClick();
    void LabelRepairDriversClick();
    void LabelRepairDriversDblClick();
    void Label262Click();
    void Label263Click();

  private:
    PageContext ctx_;
    HealthPage& page_;
};

} // namespace korvane
