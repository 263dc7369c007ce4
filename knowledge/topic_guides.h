#pragma once
// The written guides on the pages of the common problems: per page, sections of a heading and
// the guide under it, in the order they stand on the page.
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct GuideSection {
    // Empty where a command of the page stands in for the heading.
    std::string heading;
    // Already broken into short lines; an empty line parts two paragraphs.
    std::vector<std::string> lines;
};

struct TopicGuide {
    std::string page; // the page's control name, e.g. TabSheet10
    std::vector<GuideSection> sections;
};

const std::vector<TopicGuide>& TopicGuides();
// Throws std::out_of_range for a page without a guide.
const TopicGuide& TopicGuideFor(std::string_view page);

} // namespace korvane
