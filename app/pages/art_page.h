#pragma once
// The "艺术" page: wallpapers and the start-up sound, with the ways to their download sites.
#include "page_kit.h"

namespace korvane {

class ArtPage {
  public:
    ArtPage(const PageContext& ctx, QWidget* sheet);

    // Both lead to a page of the "求助" directory; the window knows the way.
    ui::CommandLabel* Label234;
    ui::CommandLabel* Label244;
};

} // namespace korvane
