#include "help_links.h"

#include <stdexcept>

namespace korvane {
namespace {

constexpr std::string_view kMailto = "mailto:";

// The second mailbox of the site behind `Label133`, shown beside the link.
constexpr std::string_view kLabel133ShownAddress = "dayi@cfan.com.cn";

} // namespace

LinkKind HelpLink::kind() const {
    return target.starts_with(kMailto) ? LinkKind::Mail : LinkKind::WebPage;
}

const HelpLink& FindHelpLink(std::string_view control) {
    for (const HelpLink& link : HelpLinks())
        if (link.control == control)
            return link;
    throw std::out_of_range("没有名为 " + std::string(control) + " 的链接");
}

std::string ShownMailAddress(std::string_view control) {
    if (control == "Label133")
        return std::string(kLabel133ShownAddress);
    const HelpLink& link = FindHelpLink(control);
    if (link.kind() != LinkKind::Mail)
        throw std::out_of_range(std::string(control) + " 不是信箱");
    return std::string(link.target.substr(kMailto.size()));
}

} // namespace korvane
