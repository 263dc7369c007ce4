#pragma once
// The directory of outside help: every link label of the program, with the page it stands on,
// its caption, the event that opens it and its target.
#include <span>
#include <string>
#include <string_view>

namespace korvane {

enum class LinkEvent { Click, DoubleClick };
enum class LinkKind { WebPage, Mail };

struct HelpLink {
    std::string_view control;
    std::string_view page; // outer page first: 求助》资料库
    std::string_view caption;
    LinkEvent event;
    std::string_view target; // a web address, or mailto: and a mail address

    LinkKind kind() const;
};

std::span<const HelpLink> HelpLinks();
// Throws std::out_of_range for a control that is not a link.
const HelpLink& FindHelpLink(std::string_view control);

// The mail address that the 答疑信箱 page shows for a mailbox link; the site of `Label133`
// gives a mailbox of its own for letters that do not go through the link.
std::string ShownMailAddress(std::string_view control);

} // namespace korvane
