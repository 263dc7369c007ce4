#include "tool_process.h"

#include "base/host_process.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace korvane::test {
namespace {

std::string findExecutable(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return name;
    const char* path = std::getenv("PATH");
    // dosfstools installs into sbin, which an ordinary user's PATH may leave out.
    std::string folders = std::string(path ? path : "/usr/bin:/bin") + ":/usr/sbin:/sbin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::filesystem::path candidate =
            std::filesystem::path(folders.substr(start, end - start)) / name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        start = end + 1;
    }
    throw std::runtime_error(name + " is not installed (scripts/install-deps installs it)");
}

std::vector<std::string> environmentWith(const std::vector<std::pair<std::string, std::string>>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string_view kv(*e);
        bool replaced = false;
        for (const auto& [name, value] : changes)
            replaced =
                replaced || (kv.size() > name.size() && kv.starts_with(name) && kv[name.size()] == '=');
        if (!replaced)
            env.emplace_back(kv);
    }
    for (const auto& [name, value] : changes)
        env.push_back(name + "=" + value);
    return env;
}

} // namespace

ToolResult runTool(const std::vector<std::string>& argv,
                   const std::vector<std::pair<std::string, std::string>>& environment) {
    if (argv.empty())
        throw std::runtime_error("no tool to run");
    const std::string program = findExecutable(argv[0]);
    std::vector<std::string> args = argv, env = environmentWith(environment);
    const std::vector<char*> argvPtr = w98::execWords(args), envPtr = w98::execWords(env);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe for " + argv[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argvPtr.data(), envPtr.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        throw std::runtime_error("cannot start " + program);
    }

    ToolResult result;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0)
            result.output.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error("lost " + program);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string describeRun(const std::vector<std::string>& argv, const ToolResult& result) {
    std::string text;
    for (const auto& a : argv)
        text += (text.empty() ? "" : " ") + a;
    return text + " (exit " + std::to_string(result.exitCode) + "):\n" + result.output;
}

} // namespace korvane::test
