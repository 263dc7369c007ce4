// What the restore's safeguards cost: the check on a click (a cabinet unpacked in memory, its
// registry read), and at start-up the look for a restore record: one stat when there is none,
// the live registry files read and hashed when there is one. And the whole click up to the
// restart on the demo machine as a folder against the same machine in a disk image.
#include "bench/demo_disk.h"
#include "demo/demo_machine.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "platform/registry_checker.h"
#include "restore/catalogue.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_mark.h"
#include "restore/restore_outcome.h"
#include "restore/restore_record.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/restore_click.h"
#include "tests/support/temp_machine.h"

#include <benchmark/benchmark.h>

using namespace korvane;

namespace {

struct Demo {
    std::filesystem::path folder = test::makeTempFolder("korvane-bench-outcome");
    std::unique_ptr<w98::Machine> m;
    std::string cabinet;
    Demo() {
        w98::createDemoMachine(folder / "m");
        m = std::make_unique<w98::Machine>(folder / "m");
        cabinet = w98::backupRegistry(*m);
    }
    ~Demo() {
        m.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Demo& demo() {
    static Demo d;
    return d;
}

void BM_CheckCabinetOnClick(benchmark::State& state) {
    auto& d = demo();
    TextTable t(restore_col::kCount, 2);
    t.setCell(restore_col::kFolder, 1, d.cabinet.substr(0, d.cabinet.rfind('\\')));
    t.setCell(restore_col::kFileName, 1, d.cabinet.substr(d.cabinet.rfind('\\') + 1));
    t.setCell(restore_col::kExtension, 1, ".cab");
    for (auto _ : state)
        benchmark::DoNotOptimize(test::CheckRow(*d.m, t, 1));
    state.counters["cabinet_bytes"] = static_cast<double>(d.m->fileSize(d.cabinet));
}
BENCHMARK(BM_CheckCabinetOnClick)->Unit(benchmark::kMillisecond);

void BM_StartUpWithoutRecord(benchmark::State& state) {
    auto& d = demo();
    for (auto _ : state)
        benchmark::DoNotOptimize(TakeRestoreOutcome(*d.m, "C:\\WINDOWS"));
}
BENCHMARK(BM_StartUpWithoutRecord)->Unit(benchmark::kMicrosecond);

void BM_StartUpWithRecord(benchmark::State& state) {
    auto& d = demo();
    RestoreRecord r;
    r.point = d.cabinet;
    r.date = "2002-5-17 8:05:12";
    r.backupMade = true;
    r.mark = NewRestoreMark();
    LeaveRestoreMark(*d.m, r.mark);
    for (auto _ : state) {
        state.PauseTiming();
        WriteRestoreRecord(*d.m, "C:\\WINDOWS", r);
        state.ResumeTiming();
        benchmark::DoNotOptimize(TakeRestoreOutcome(*d.m, "C:\\WINDOWS"));
    }
    state.counters["registry_bytes"] = static_cast<double>(d.m->fileSize("C:\\WINDOWS\\SYSTEM.DAT") +
                                                           d.m->fileSize("C:\\WINDOWS\\USER.DAT"));
}
BENCHMARK(BM_StartUpWithRecord)->Unit(benchmark::kMillisecond);

// A click on a restore point up to the restart: the point checked, the pre-restore backup,
// the job written and armed; in an image (arg 1) the changes put into it as well, as after
// every action. Each click restores the same point again.
void BM_ArmRestore(benchmark::State& state) {
    static DemoDisk demo([](w98::Machine& m) { WriteScanregTemplate(m, "C:\\WINDOWS"); });
    w98::Machine m(demo.path(state.range(0) != 0));
    w98::SystemClock clock;
    test::RecordingShell shell;
    test::RecordingPower power;
    System system{m, clock, shell, power};
    double cpu = 0;
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
        const double before = cpuMilliseconds(RUSAGE_SELF) + cpuMilliseconds(RUSAGE_CHILDREN);
        state.ResumeTiming();
        test::RestoreRow(system, paths, t, row);
        m.commit();
        state.PauseTiming();
        cpu += cpuMilliseconds(RUSAGE_SELF) + cpuMilliseconds(RUSAGE_CHILDREN) - before;
        state.ResumeTiming();
    }
    if (power.calls.size() != static_cast<std::size_t>(state.iterations()))
        state.SkipWithError("a restore was not armed");
    // With the programs it starts (the registry checker, the job's runner).
    state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ArmRestore)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
