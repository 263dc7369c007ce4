#include "shell.h"

#include "ini_file.h"
#include "machine.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace w98 {
namespace {

// Starts the host's opener in a session of its own ("setsid -f" returns at once), so that
// nothing waits for the browser and no child is left unreaped.
void startDetached(const std::string& what) {
    std::string setsid = "setsid", fork = "-f", opener = "xdg-open";
    std::string arg = what;
    char* argv[] = {setsid.data(), fork.data(), opener.data(), arg.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "setsid", &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

} // namespace

bool isWebOrMailTarget(std::string_view target) {
    const std::string t = foldAscii(target.substr(0, 8));
    return t.starts_with("http:") || t.starts_with("https:") || t.starts_with("ftp:") || t.starts_with("mailto:") ||
           t.starts_with("www.");
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
        if (machine_.exists(target))
            startDetached(machine_.hostPath(target).string());
    } catch (const std::exception&) {
        // Not a path of the machine: nothing to open.
    }
}

} // namespace w98
