#include "machine_ini.h"

namespace w98::machine_ini {

std::string text(std::string_view comment, const std::vector<std::string>& machine,
                 const std::vector<std::string>& drives) {
    std::string out = "; " + std::string(comment) + "\n[machine]\n";
    for (const auto& line : machine)
        out += line + "\n";
    out += "shortdate=" + std::string(kShortDate) + "\nlongtime=" + kLongTime + "\nbios=" + kBios +
           "\n\n[drives]\n";
    for (const auto& drive : drives)
        out += drive + "\n";
    return out;
}

} // namespace w98::machine_ini
