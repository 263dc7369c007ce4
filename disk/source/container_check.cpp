#include "container_check.h"

#include "base/error.h"
#include "base/host_process.h"
#include "base/text.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace w98::disk {
namespace {

// qemu-img check's exit codes (qemu-img(1)).
constexpr int kSound = 0;
constexpr int kLeaksOnly = 3;
constexpr int kNoCheckForFormat = 63;

struct Said {
    int exitCode = -1;
    std::string output;
};

// Runs argv with stdout and stderr read together; -1 when it cannot start.
Said run(const std::vector<std::string>& words) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    std::vector<std::string> copy = words;
    const std::vector<char*> argv = execWords(copy);
    pid_t pid = -1;
    const int started = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    Said said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        // What the checker says of a badly damaged container can run long: its start is enough.
        if (said.output.size() < 4096)
            said.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    if (started != 0)
        return {};
    said.exitCode = waitForExit(pid);
    return said;
}

} // namespace

void checkContainer(const DiskSource& source) {
    if (!findOnHostPath("qemu-img"))
        return;
    const Said said = run({"qemu-img", "check", "-f", source.driver, source.path.string()});
    if (said.exitCode == kSound || said.exitCode == kLeaksOnly || said.exitCode == kNoCheckForFormat)
        return;
    // QEMU's words for an image another QEMU holds: 'Failed to get shared "write" lock'.
    if (said.output.find("Failed to get") != std::string::npos)
        throw Error("磁盘 " + source.path.string() + " 正被虚拟机使用。请先关闭虚拟机，再修复它的磁盘");
    throw Error("磁盘 " + source.path.string() + " 打不开：它的 " + source.display +
                " 容器已损坏，写进去会损坏更多文件。QEMU 的 qemu-img check 说：" +
                (said.output.empty() ? "无法检查" : std::string(trimmedRight(said.output, " \r\n"))) +
                "。请先在虚拟机软件里修复它（或 qemu-img check -r all），再打开");
}

} // namespace w98::disk
