#pragma once
// The help directory's links that stand on the sub-pages of "上网".
#include "page_kit.h"

namespace korvane {

class InternetPage;

// Makes the links and places them at the end of their sub-pages' layouts (a sub-page without a
// layout gets one); the page keeps them as Label50, Label104, Label185, Label186 and Label187.
void PlaceInternetLinks(const PageContext& ctx, InternetPage& page);

} // namespace korvane
