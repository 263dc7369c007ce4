#pragma once
// Korvane's whole start-up in a fresh process, as a user starts the program, timed by the
// benchmarks through the start-up probe.
#include "platform/machine_programs.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// The probe beside the benchmark, or the one KORVANE_STARTUP_PROBE names: another build's
// probe, timed on the same machines, gives the "before" of a change.
inline std::string startupProbePath() {
    if (const char* other = std::getenv("KORVANE_STARTUP_PROBE"); other && *other)
        return other;
    return (w98::w98Executable().parent_path() / "korvane_startup_probe").string();
}

// Starts the program on the machine and waits until it has shown its first page; false when
// the start-up failed.
inline bool startUpToFirstPage(const std::filesystem::path& machine) {
    const std::string probe = startupProbePath();
    const std::string machineVar = "WIN98_MACHINE=" + machine.string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::putenv(const_cast<char*>(machineVar.c_str()));
        ::putenv(const_cast<char*>("QT_QPA_PLATFORM=offscreen"));
        ::execl(probe.c_str(), probe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
