#include "shell.h"

#include "base/host_process.h"
#include "base/text.h"
#include "machine.h"
#include "machine_programs.h"

#include <filesystem>
#include <string_view>
#include <vector>

extern char** environ;

namespace w98 {
namespace {

// Starts a host program in a session of its own ("setsid -f" returns at once), so that
// nothing waits for it and no child is left unreaped.
void startDetached(std::vector<std::string> args, const std::vector<std::string>& environment) {
    args.insert(args.begin(), {"setsid", "-f"});
    spawnQuietly(args, environment, true);
}

std::vector<std::string> ownEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    return env;
}

void startDetached(const std::string& what) {
    startDetached({"xdg-open", what}, ownEnvironment());
}

// A program of the machine runs as the w98 stand-in for it, on this machine, as Windows would
// start it; the host has nothing to show for a Windows program file.
void startProgram(const Machine& machine, const std::string& program) {
    const std::string exe = w98Executable().string();
    if (foldAscii(program).ends_with(".bat"))
        startDetached({exe, "command", "/c", program}, machineEnvironment(machine));
    else
        startDetached({exe, toolNameOf(program)}, machineEnvironment(machine));
}

bool isProgramFile(std::string_view target) {
    const std::string t = foldAscii(target);
    return t.ends_with(".exe") || t.ends_with(".com") || t.ends_with(".bat");
}

} // namespace

bool isWebOrMailTarget(std::string_view target) {
    const std::string t = foldAscii(target.substr(0, 8));
    return t.starts_with("http:") || t.starts_with("https:") || t.starts_with("ftp:") ||
           t.starts_with("mailto:") || t.starts_with("www.");
}

void HostShell::open(std::string_view target) {
    if (isWebOrMailTarget(target)) {
        std::string t(target);
        if (foldAscii(t).starts_with("www."))
            t = "http://" + t;
        startDetached(t);
        return;
    }
    try {
        if (machine_.isFile(target) && isProgramFile(target))
            startProgram(machine_, Machine::normalize(target));
        else if (machine_.exists(target))
            startDetached(machine_.hostPath(target).string());
    } catch (const std::exception&) {
        // Not a path of the machine: nothing to open.
    }
}

} // namespace w98
