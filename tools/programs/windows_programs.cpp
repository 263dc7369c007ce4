// Three Windows programs whose effect is on the screen: the input-method indicator
// (Internat.exe), the system file checker (sfc.exe) and Windows setup. Each records in the
// machine's programs log what the user would have seen.
#include "machine_log.h"
#include "tools.h"

#include "dos/dos_session.h"

#include "platform/machine.h"

namespace w98 {
namespace {

std::string joined(const ToolArgs& args) {
    std::string all;
    for (const auto& a : args)
        all += " " + a;
    return all;
}

} // namespace

int internatTool(DosSession& s, const ToolArgs& args, std::ostream& out) {
    // A second indicator finds the first and leaves; either way the icon is in the task bar.
    appendProgramsLog(s.machine,
                      "Internat.exe" + joined(args) + ": the input-method indicator is in the task bar");
    out << "Input-method indicator started.\n";
    return 0;
}

int sfcTool(DosSession& s, const ToolArgs& args, std::ostream& out) {
    appendProgramsLog(s.machine, "sfc.exe" + joined(args) + ": the System File Checker window opened");
    out << "System File Checker started.\n";
    return 0;
}

// setup /is /iq: a reinstall over the present Windows (/is skips the disk check, /iq the
// cross-link check). Other switches are Windows setup's own and change nothing here.
int setupTool(DosSession& s, const ToolArgs& args, std::ostream& out) {
    for (const auto& a : args) {
        if (a.empty() || a.front() != '/') {
            out << "Setup cannot use the file " << a << ": no setup script is needed here\n";
            return 1;
        }
    }
    const std::string win = s.machine.windowsFolder();
    const std::string line = "setup" + joined(args) + ": Windows 98 reinstalled over " + win;
    if (!appendProgramsLog(s.machine, line)) {
        out << "Setup could not record the reinstall\n";
        return 1;
    }
    out << "Windows 98 Setup: Windows was reinstalled in " << win << ".\n";
    return 0;
}

} // namespace w98
