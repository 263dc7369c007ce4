// Start-up to the first shown page: an empty machine against one with 10,000 restore points,
// a machine whose SYSTEM.DAT holds 30,000 keys as text against the same in the binary form, and
// the demo machine as a folder against the same machine in a disk image.
#include "app/main_window.h"
#include "bench/big_hive.h"
#include "bench/demo_disk.h"
#include "bench/startup_probe_run.h"
#include "platform/clock.h"
#include "registry/registry.h"
#include "registry/registry_file.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_machine.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <vector>

using namespace korvane;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "korvane_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *instance;
}

test::TempMachine& machineWith(int cabinets) {
    static std::map<int, std::unique_ptr<test::TempMachine>> machines;
    auto& slot = machines[cabinets];
    if (!slot) {
        slot = std::make_unique<test::TempMachine>();
        auto& m = slot->machine();
        m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
        for (int i = 0; i < cabinets; ++i) {
            const std::string name = "C:\\WINDOWS\\SYSBCKUP\\rb" + std::to_string(i) + ".cab";
            m.writeFile(name, "MSCF");
            m.setLastWriteTime(
                name, w98::localDateTime(std::time_t(631152000) + std::time_t((i * 7919) % 10950) * 86400));
        }
    }
    return *slot;
}

// Arg 1 and 2: the big registry as text or in the binary form, no restore points.
test::TempMachine& machineWithRegistry(w98::HiveForm form) {
    static std::map<w98::HiveForm, std::unique_ptr<test::TempMachine>> machines;
    auto& slot = machines[form];
    if (!slot) {
        slot = std::make_unique<test::TempMachine>();
        auto& m = slot->machine();
        const std::string text = m.registry().exportText();
        if (form == w98::HiveForm::Binary) {
            m.writeFile("C:\\WINDOWS\\SYSTEM.DAT", w98::emptyHiveBytes(form, "HKEY_LOCAL_MACHINE"));
            m.writeFile("C:\\WINDOWS\\USER.DAT", w98::emptyHiveBytes(form, "HKEY_USERS"));
            m.registry().importText(text, "export");
        }
        m.registry().importText(bigHiveText(), "BENCH.REG");
    }
    return *slot;
}

test::TempMachine& machineFor(std::int64_t arg) {
    if (arg == 1)
        return machineWithRegistry(w98::HiveForm::Text);
    if (arg == 2)
        return machineWithRegistry(w98::HiveForm::Binary);
    return machineWith(static_cast<int>(arg));
}

// The window built and shown once the application exists: what the restore points add.
void BM_WindowToFirstPage(benchmark::State& state) {
    app();
    auto& tm = machineWith(static_cast<int>(state.range(0)));
    w98::SystemClock clock;
    test::RecordingShell shell;
    test::RecordingPower power;
    ui::ScriptedDialogs dialogs;
    System system{tm.machine(), clock, shell, power};
    for (auto _ : state) {
        TForm1 window(system, dialogs);
        window.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}
BENCHMARK(BM_WindowToFirstPage)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);

// The whole start-up in a fresh process, as a user starts the program: the application, its
// fonts, the window and the start-up duties, up to the first shown page.
void BM_ProcessStartUpToFirstPage(benchmark::State& state) {
    auto& tm = machineFor(state.range(0));
    for (auto _ : state)
        if (!startUpToFirstPage(tm.root()))
            state.SkipWithError("the start-up failed");
}
BENCHMARK(BM_ProcessStartUpToFirstPage)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The CPU time (user and system) of one whole start-up in a fresh process; < 0 when it failed.
double startUpCpuMilliseconds(const std::filesystem::path& machine) {
    const double before = cpuMilliseconds(RUSAGE_CHILDREN);
    if (!startUpToFirstPage(machine))
        return -1;
    return cpuMilliseconds(RUSAGE_CHILDREN) - before;
}

// What 10,000 restore points add to the whole start-up, in CPU time: each iteration starts the
// program on the empty machine and on the one with 10,000 cabinets, in turns (empty first in
// one iteration, 10,000 first in the next), so that whatever else the machine does meanwhile
// weighs on both alike. Reports the medians and "ratio" = median(10,000) / median(empty), and
// the median of the iterations' own ratios; the goal is a ratio of at most 1.25.
// KORVANE_STARTUP_PROBE=<another build's korvane_startup_probe> times that build instead.
void BM_StartUpRestorePointsInterleaved(benchmark::State& state) {
    auto& empty = machineWith(0);
    auto& full = machineWith(10000);
    // The first start of each makes its daily backup; the runs timed start as on any later day.
    if (!startUpToFirstPage(empty.root()) || !startUpToFirstPage(full.root())) {
        state.SkipWithError("the start-up failed");
        return;
    }
    std::vector<double> emptyMs, fullMs, ratios;
    bool emptyFirst = true;
    for (auto _ : state) {
        double e = 0, f = 0;
        if (emptyFirst) {
            e = startUpCpuMilliseconds(empty.root());
            f = startUpCpuMilliseconds(full.root());
        } else {
            f = startUpCpuMilliseconds(full.root());
            e = startUpCpuMilliseconds(empty.root());
        }
        emptyFirst = !emptyFirst;
        if (e <= 0 || f <= 0) {
            state.SkipWithError("the start-up failed");
            return;
        }
        emptyMs.push_back(e);
        fullMs.push_back(f);
        ratios.push_back(f / e);
    }
    state.counters["empty_cpu_ms"] = median(emptyMs);
    state.counters["points_10k_cpu_ms"] = median(fullMs);
    state.counters["ratio"] = median(fullMs) / median(emptyMs);
    state.counters["ratio_of_pairs"] = median(ratios);
}
BENCHMARK(BM_StartUpRestorePointsInterleaved)->Iterations(21)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same on the demo machine: 0 as a folder; in a FAT32 disk image, 1 unchanged since the
// last start, 2 written since (its virtual PC ran: the image is read and checked again, though
// nothing in it changed), 3 at its first start (every file copied out).
void BM_DemoStartUpToFirstPage(benchmark::State& state) {
    static DemoDisk demo;
    const bool image = state.range(0) != 0;
    const double childrenBefore = cpuMilliseconds(RUSAGE_CHILDREN);
    for (auto _ : state) {
        if (state.range(0) >= 2) {
            state.PauseTiming();
            if (state.range(0) == 2)
                std::filesystem::last_write_time(demo.image, std::filesystem::file_time_type::clock::now());
            else
                std::filesystem::remove_all(w98::disk::ImageMirror::folderFor(demo.image));
            state.ResumeTiming();
        }
        if (!startUpToFirstPage(demo.path(image)))
            state.SkipWithError("the start-up failed");
    }
    state.counters["process_cpu_ms"] =
        (cpuMilliseconds(RUSAGE_CHILDREN) - childrenBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DemoStartUpToFirstPage)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
