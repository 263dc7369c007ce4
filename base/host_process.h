#pragma once
// Programs of the host (a sound player, qemu-img, the storage daemon) as child processes: found
// along the host's PATH, started with no input and their output going nowhere, waited for.
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace w98 {

// A program of the host found along its PATH, as the shell would find it; nullopt when none.
std::optional<std::string> findOnHostPath(std::string_view program);

// This process's environment, for the host programs it starts.
std::vector<std::string> hostEnvironment();

// The words as exec and posix_spawn take them: pointers into words, then a null one.
std::vector<char*> execWords(std::vector<std::string>& words);

// Starts argv (its first word looked up along PATH when searchPath) with no input and its
// output going nowhere, as a hidden console's would, and waits; the exit code, or -1 when it
// cannot start.
int spawnQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 bool searchPath);
// The same without waiting: the child's pid, or -1.
pid_t startQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                   bool searchPath);

// Waits for a child to end: its exit code, or -1 when it was killed or is no child.
int waitForExit(pid_t child);

// A process that runs and has not ended (a zombie has).
bool processAlive(pid_t pid);
// The parent of a running process, -1 when there is none to read.
pid_t parentProcess(pid_t pid);
// Waits for the process to end, killing it when it takes more than ten seconds.
void waitUntilEnded(pid_t pid);

} // namespace w98
