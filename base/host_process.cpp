#include "host_process.h"

#include "host_file.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace w98 {
namespace {

std::string procStat(pid_t pid) {
    return readHostFileOrEmpty("/proc/" + std::to_string(pid) + "/stat");
}

} // namespace

std::optional<std::string> findOnHostPath(std::string_view program) {
    const char* path = std::getenv("PATH");
    const std::string_view dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string_view::npos)
            end = dirs.size();
        std::string candidate = std::string(dirs.substr(start, end - start)) + "/" + std::string(program);
        if (end > start && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

std::vector<std::string> hostEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    return env;
}

std::vector<char*> execWords(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& w : words)
        pointers.push_back(w.data());
    pointers.push_back(nullptr);
    return pointers;
}

pid_t startQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                   bool searchPath) {
    if (argv.empty())
        return -1;
    std::vector<std::string> args = argv, env = environment;
    const std::vector<char*> argvPtr = execWords(args), envPtr = execWords(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = searchPath
                       ? posix_spawnp(&pid, argvPtr[0], &actions, nullptr, argvPtr.data(), envPtr.data())
                       : posix_spawn(&pid, argvPtr[0], &actions, nullptr, argvPtr.data(), envPtr.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int spawnQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 bool searchPath) {
    const pid_t pid = startQuietly(argv, environment, searchPath);
    return pid < 0 ? -1 : waitForExit(pid);
}

int waitForExit(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool processAlive(pid_t pid) {
    if (pid <= 0)
        return false;
    const std::string stat = procStat(pid);
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

pid_t parentProcess(pid_t pid) {
    const std::string stat = procStat(pid);
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream rest(stat.substr(close + 2));
    char state = 0;
    pid_t parent = -1;
    rest >> state >> parent;
    return parent;
}

void waitUntilEnded(pid_t pid) {
    for (int i = 0; i < 10000 && processAlive(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (processAlive(pid))
        ::kill(pid, SIGKILL);
    for (int i = 0; i < 200 && processAlive(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

} // namespace w98
