// What a real-size drive C: costs (bench/real_disk.h; 15,000 or 60,000 extra files), as a
// machine folder (second arg 0) against the same drive in a FAT32 disk image (1), and for the
// start-up and a restore's arming the same image in a VDI (2) and a qcow2 container (3): the image's
// first opening, a program that changes nothing, a registry import, Korvane's start-up and the
// arming of a restore. kept_outside_bytes: what the image's working folder takes on the host's
// disk after the step, sparse files counted as they are stored; always 0 for a folder.
#include "base/host_process.h"
#include "bench/real_disk.h"
#include "bench/startup_probe_run.h"
#include "disk/working/image_mirror.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "platform/machine_programs.h"
#include "restore/catalogue.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/restore_click.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <set>
#include <sys/stat.h>
#include <vector>

using namespace korvane;
namespace fs = std::filesystem;

namespace {

// Two imports that undo each other: every run changes the registry.
std::string importOf(const char* value) {
    return std::string("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Korvane Bench]\r\n\"Imported\"=\"") +
           value + "\"\r\n\r\n";
}

bool asImage(const benchmark::State& state) {
    return state.range(1) != 0;
}

// The disk in the form the second arg names; a container is converted from the raw image once.
fs::path diskPath(const benchmark::State& state, const RealDisk& d) {
    static const char* const formats[] = {"", "", "vdi", "qcow2"};
    const auto form = static_cast<std::size_t>(state.range(1));
    if (form < 2)
        return d.path(form != 0);
    const fs::path container =
        d.image.parent_path() / ("c-" + std::to_string(state.range(0)) + "." + formats[form]);
    if (!fs::exists(container))
        w98::spawnQuietly(
            {"qemu-img", "convert", "-f", "raw", "-O", formats[form], d.image.string(), container.string()},
            {}, true);
    // Its working folder goes with the run, as the raw image's does.
    static std::set<fs::path> folders;
    static const struct Sweep {
        ~Sweep() {
            for (const fs::path& f : folders)
                fs::remove_all(f);
        }
    } sweep;
    folders.insert(w98::disk::ImageMirror::folderFor(container));
    return container;
}

// The disk with what the steps use: the .reg file to import, and the registry checker's
// settings that a restore goes by.
const RealDisk& disk(const benchmark::State& state) {
    static std::set<std::int64_t> prepared;
    const RealDisk& d = realDisk(static_cast<int>(state.range(0)));
    if (!prepared.contains(state.range(0))) {
        for (const bool image : {false, true}) {
            w98::Machine m(d.path(image));
            m.writeFile("C:\\X1.REG", importOf("one"));
            m.writeFile("C:\\X2.REG", importOf("two"));
            WriteScanregTemplate(m, "C:\\WINDOWS");
            m.commit();
        }
        prepared.insert(state.range(0));
    }
    return d;
}

std::uint64_t bytesOnDisk(const fs::path& folder) {
    std::uint64_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        struct stat st {
        }, top{};
        // A container's raw view mounted there is the disk itself, not what is kept beside it.
        if (::lstat(it->path().c_str(), &st) == 0 && ::stat(folder.c_str(), &top) == 0 &&
            st.st_dev == top.st_dev)
            total += static_cast<std::uint64_t>(st.st_blocks) * 512;
    }
    return total;
}

void countKeptOutside(benchmark::State& state, const RealDisk& d) {
    state.counters["kept_outside_bytes"] =
        asImage(state)
            ? static_cast<double>(bytesOnDisk(w98::disk::ImageMirror::folderFor(diskPath(state, d))))
            : 0.0;
}

int runProgram(const fs::path& machine, std::initializer_list<std::string> args) {
    std::vector<std::string> argv = {w98::w98Executable().string()};
    for (const std::string& arg : args)
        argv.push_back(arg);
    return w98::spawnQuietly(argv, w98::environmentNaming(machine), false);
}

void BM_RealDisk_FirstOpening(benchmark::State& state) {
    const RealDisk& d = disk(state);
    for (auto _ : state) {
        if (asImage(state)) {
            state.PauseTiming();
            fs::remove_all(w98::disk::ImageMirror::folderFor(d.image));
            state.ResumeTiming();
        }
        if (runProgram(d.path(asImage(state)), {"attrib", "C:\\IO.SYS"}) != 0) {
            state.SkipWithError("attrib failed");
            break;
        }
    }
    countKeptOutside(state, d);
}

void BM_RealDisk_ProgramChangingNothing(benchmark::State& state) {
    const RealDisk& d = disk(state);
    // The working folder is there before the timing starts.
    if (runProgram(d.path(asImage(state)), {"attrib", "C:\\IO.SYS"}) != 0)
        state.SkipWithError("attrib failed");
    for (auto _ : state)
        if (runProgram(d.path(asImage(state)), {"attrib", "C:\\IO.SYS"}) != 0) {
            state.SkipWithError("attrib failed");
            break;
        }
    countKeptOutside(state, d);
}

void BM_RealDisk_RegistryImport(benchmark::State& state) {
    const RealDisk& d = disk(state);
    bool first = true;
    for (auto _ : state)
        if (runProgram(d.path(asImage(state)),
                       {"regedit", "/s", (first = !first) ? "C:\\X1.REG" : "C:\\X2.REG"}) != 0) {
            state.SkipWithError("regedit failed");
            break;
        }
    countKeptOutside(state, d);
}

void BM_RealDisk_StartUpToFirstPage(benchmark::State& state) {
    const RealDisk& d = disk(state);
    for (auto _ : state)
        if (!startUpToFirstPage(diskPath(state, d))) {
            state.SkipWithError("the start-up failed");
            break;
        }
    countKeptOutside(state, d);
}

// A click on a restore point up to the restart, in this process as Korvane does it; each click
// restores the same point again.
void BM_RealDisk_ArmRestore(benchmark::State& state) {
    const RealDisk& d = disk(state);
    w98::Machine m(diskPath(state, d));
    w98::SystemClock clock;
    test::RecordingShell shell;
    test::RecordingPower power;
    System system{m, clock, shell, power};
    std::chrono::steady_clock::duration arming{}, committing{};
    for (auto _ : state) {
        state.PauseTiming();
        TextTable t;
        FillRestoreTable(t, ScanAllRestorePoints(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP"), m,
                         clock.now().year);
        int row = 1;
        while (row < t.rowCount() && !w98::equalsNoCase(t.cell(restore_col::kFileName, row), "rb003.cab"))
            ++row;
        if (row == t.rowCount()) {
            state.SkipWithError("no restore point rb003.cab");
            break;
        }
        SharedPaths paths{"C:\\WINDOWS", "C:", "C:\\WINDOWS\\SYSBCKUP", "C:\\KORVANE"};
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        test::RestoreRow(system, paths, t, row);
        const auto armed = std::chrono::steady_clock::now();
        m.commit();
        committing += std::chrono::steady_clock::now() - armed;
        arming += armed - start;
    }
    state.counters["arming_ms"] =
        std::chrono::duration<double, std::milli>(arming).count() /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["commit_ms"] =
        std::chrono::duration<double, std::milli>(committing).count() /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    if (power.calls.size() != static_cast<std::size_t>(state.iterations()))
        state.SkipWithError("a restore was not armed");
    countKeptOutside(state, d);
}

void onBothSizes(benchmark::internal::Benchmark* b) {
    for (const std::int64_t files : {15000, 60000})
        for (const std::int64_t image : {0, 1})
            b->Args({files, image});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_RealDisk_FirstOpening)->Apply(onBothSizes);
BENCHMARK(BM_RealDisk_ProgramChangingNothing)->Apply(onBothSizes);
BENCHMARK(BM_RealDisk_RegistryImport)->Apply(onBothSizes);
// The containers beside the raw image, in one run.
void inContainers(benchmark::internal::Benchmark* b) {
    onBothSizes(b);
    for (const std::int64_t form : {2, 3})
        b->Args({15000, form});
}

BENCHMARK(BM_RealDisk_StartUpToFirstPage)->Apply(inContainers);
BENCHMARK(BM_RealDisk_ArmRestore)->Apply(inContainers);

} // namespace
