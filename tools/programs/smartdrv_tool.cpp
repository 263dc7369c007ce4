// smartdrv.exe, the disk cache: a cache brings this machine nothing, so it takes its sizes
// (in KB, for MS-DOS and for Windows), says what it would use, and changes nothing.
#include "tools.h"

#include <algorithm>
#include <cctype>

namespace w98 {

int smartdrvTool(DosSession&, const ToolArgs& args, std::ostream& out) {
    std::vector<std::string> sizes;
    for (const auto& a : args) {
        if (!a.empty() && a.front() == '/')
            continue; // /X, /C, /Q...: nothing to flush or to hide here
        const bool number = !a.empty() && a.size() <= 7 && std::all_of(a.begin(), a.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        });
        if (!number) {
            out << "Invalid parameter - " << a << "\n";
            return 1;
        }
        sizes.push_back(a);
    }
    if (sizes.size() > 2) {
        out << "Too many parameters - " << sizes[2] << "\n";
        return 1;
    }
    if (sizes.empty()) {
        out << "Disk cache installed.\n";
        return 0;
    }
    out << "Disk cache: " << sizes[0] << " KB under MS-DOS, " << sizes.back() << " KB under Windows.\n";
    return 0;
}

} // namespace w98
