#include "sound.h"

#include "base/host_file.h"
#include "base/host_process.h"
#include "base/text.h"
#include "machine.h"

#include <fcntl.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace w98 {
namespace {

constexpr const char* kLogFile = "sounds.log";

void note(const Machine& m, std::string_view sound) {
    const auto file = m.root() / kLogFile;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    std::string line(sound);
    line += '\n';
    // One write with O_APPEND keeps lines whole when two processes play at once.
    [[maybe_unused]] const ssize_t n = ::write(fd, line.data(), line.size());
    ::close(fd);
}

std::optional<std::string> hostPlayer() {
    for (const char* player : {"pw-play", "paplay", "aplay"})
        if (auto found = findOnHostPath(player))
            return found;
    return std::nullopt;
}

// The player runs in a session of its own ("setsid -f" returns at once) unless the caller
// waits for the sound to end; its output goes nowhere.
bool play(const std::string& player, const std::string& file, bool wait) {
    const pid_t pid = wait ? startQuietly({player, file}, hostEnvironment(), false)
                           : startQuietly({"setsid", "-f", player, file}, hostEnvironment(), true);
    if (pid < 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return true;
}

} // namespace

bool sndPlaySound(Machine& m, std::string_view sound, std::uint32_t flags) {
    if (sound.empty())
        return false;
    note(m, sound);
    std::string host;
    try {
        if (!m.isFile(sound))
            return false;
        host = m.hostPath(sound).string();
    } catch (const std::exception&) {
        return false; // not a path of the machine
    }
    const auto player = hostPlayer();
    return player && play(*player, host, (flags & kSndAsync) == 0);
}

std::vector<std::string> PlayedSounds(const Machine& m) {
    const auto file = m.root() / kLogFile;
    if (::access(file.c_str(), F_OK) != 0)
        return {};
    return splitLines(readHostFile(file, file.string()));
}

} // namespace w98
