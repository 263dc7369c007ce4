#include "shell.h"

#include "ini_file.h"
#include "machine.h"
#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string_view>
#include <vector>

extern char** environ;

namespace w98 {
namespace {

// Starts a host program in a session of its own ("setsid -f" returns at once), so that
// nothing waits for it and no child is left unreaped.
void startDetached(std::vector<std::string> args, char** environment) {
    args.insert(args.begin(), {"setsid", "-f"});
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "setsid", &actions, nullptr, argv.data(), environment) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

void startDetached(const std::string& what) {
    startDetached({"xdg-open", what}, environ);
}

// A program of the machine runs as the w98 stand-in for it, on this machine, as Windows would
// start it; the host has nothing to show for a Windows program file.
void startProgram(const Machine& machine, const std::string& program) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (!std::string_view(*e).starts_with("WIN98_MACHINE="))
            env.emplace_back(*e);
    env.push_back("WIN98_MACHINE=" + std::filesystem::absolute(machine.root()).string());
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string exe = w98Executable().string();
    if (foldAscii(program).ends_with(".bat"))
        startDetached({exe, "command", "/c", program}, envp.data());
    else
        startDetached({exe, toolNameOf(program)}, envp.data());
}

bool isProgramFile(std::string_view target) {
    const std::string t = foldAscii(target);
    return t.ends_with(".exe") || t.ends_with(".com") || t.ends_with(".bat");
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
        if (machine_.isFile(target) && isProgramFile(target))
            startProgram(machine_, Machine::normalize(target));
        else if (machine_.exists(target))
            startDetached(machine_.hostPath(target).string());
    } catch (const std::exception&) {
        // Not a path of the machine: nothing to open.
    }
}

} // namespace w98
