// scanreg.exe (MS-DOS) and scanregw.exe (Windows): the registry checker.
#include "tools.h"

#include "dos/dos_session.h"

#include "base/text.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "platform/registry_checker.h"

namespace w98 {
namespace {
bool hasSwitch(const ToolArgs& args, const char* name) {
    for (const auto& a : args)
        if (equalsNoCase(a, name))
            return true;
    return false;
}
} // namespace

int scanregTool(DosSession& s, const ToolArgs& args, std::ostream& out) {
    Machine& m = s.machine;
    if (hasSwitch(args, "/backup")) {
        out << "Registry backed up to " << backupRegistry(m) << "\n";
        return 0;
    }
    out << "Windows found no errors in the registry.\n";
    return 0;
}

int scanregwTool(DosSession& s, const ToolArgs& args, std::ostream& out) {
    Machine& m = s.machine;
    if (hasSwitch(args, "/autorun")) {
        const std::string made = backupIfNoneToday(m, SystemClock().now());
        out << (made.empty() ? "Today's registry backup exists." : "Registry backed up to " + made) << "\n";
        return 0;
    }
    out << "Registry backed up to " << backupRegistry(m) << "\n";
    return 0;
}

} // namespace w98
