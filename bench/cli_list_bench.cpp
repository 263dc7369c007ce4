// `korvane list` as a script runs it, a whole process each time, on the demo machine as a
// folder, as a raw FAT32 image of the same drive C: and as that image in a VDI and a qcow2. Run with
// --benchmark_repetitions=9 and read the medians: a VDI or qcow2 should take at most 1.5 times a raw
// image, and a raw image at most 1.3 times the folder.
#include "bench/demo_disk.h"
#include "platform/machine_programs.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

DemoDisk& demoDisk() {
    static DemoDisk disk;
    return disk;
}

// The demo image converted into a container of the format QEMU names so.
std::filesystem::path container(const std::string& format) {
    const auto path = demoDisk().folder / ("demo." + format);
    if (!std::filesystem::exists(path)) {
        const std::string command = "qemu-img convert -f raw -O " + format + " '" +
                                    demoDisk().image.string() + "' '" + path.string() + "'";
        if (std::system(command.c_str()) != 0)
            std::abort();
    }
    return path;
}

// korvane --machine MACHINE list, its output thrown away; false when it failed.
bool listPoints(const std::filesystem::path& machine) {
    const std::string korvane = (w98::w98Executable().parent_path() / "korvane").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout))
            ::_exit(126);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::execl(korvane.c_str(), korvane.c_str(), "--machine", machine.c_str(), "list",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void runList(benchmark::State& state, const std::filesystem::path& machine) {
    if (!listPoints(machine)) { // the working copy of an image is made at the first opening
        state.SkipWithError("korvane list failed");
        return;
    }
    for (auto _ : state)
        if (!listPoints(machine))
            state.SkipWithError("korvane list failed");
}

void BM_CliList_Folder(benchmark::State& state) {
    runList(state, demoDisk().machineFolder);
}
void BM_CliList_RawImage(benchmark::State& state) {
    runList(state, demoDisk().image);
}
void BM_CliList_Vdi(benchmark::State& state) {
    runList(state, container("vdi"));
}
void BM_CliList_Qcow2(benchmark::State& state) {
    runList(state, container("qcow2"));
}

} // namespace

BENCHMARK(BM_CliList_Folder)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliList_RawImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliList_Vdi)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliList_Qcow2)->Unit(benchmark::kMillisecond)->UseRealTime();
