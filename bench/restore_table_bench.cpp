// Listing restore points: scanning a backup folder of many cabinets, then filling and sorting
// the restore-point table from the catalogue.
#include "restore/catalogue.h"
#include "restore/restore_table.h"
#include "tests/support/temp_machine.h"

#include <benchmark/benchmark.h>

#include <ctime>

using namespace korvane;

namespace {

// A machine whose main backup folder holds n cabinets with last-write times spread over
// thirty years, in no particular order, so that both 9- and 10-digit sort keys occur.
test::TempMachine& machineWith(int n) {
    static std::map<int, std::unique_ptr<test::TempMachine>> machines;
    auto& slot = machines[n];
    if (!slot) {
        slot = std::make_unique<test::TempMachine>();
        auto& m = slot->machine();
        m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
        for (int i = 0; i < n; ++i) {
            const std::string name = "C:\\WINDOWS\\SYSBCKUP\\rb" + std::to_string(i) + ".cab";
            m.writeFile(name, "MSCF");
            const int day = (i * 7919) % 10950;
            w98::DateTime t =
                w98::localDateTime(std::time_t(631152000) + std::time_t(day) * 86400 + (i % 86400));
            m.setLastWriteTime(name, t);
        }
    }
    return *slot;
}

void BM_ScanBackupFolder(benchmark::State& state) {
    auto& m = machineWith(static_cast<int>(state.range(0))).machine();
    for (auto _ : state) {
        RestoreCatalogue c = ScanAllRestorePoints(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP");
        benchmark::DoNotOptimize(c.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ScanBackupFolder)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_FillAndSortTable(benchmark::State& state) {
    auto& m = machineWith(static_cast<int>(state.range(0))).machine();
    const RestoreCatalogue c = ScanAllRestorePoints(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP");
    for (auto _ : state) {
        TextTable t;
        FillRestoreTable(t, c, m, 2026);
        benchmark::DoNotOptimize(t.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillAndSortTable)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SortOnly(benchmark::State& state) {
    auto& m = machineWith(static_cast<int>(state.range(0))).machine();
    const RestoreCatalogue c = ScanAllRestorePoints(m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP");
    TextTable filled;
    FillRestoreTable(filled, c, m, 2026);
    for (auto _ : state) {
        state.PauseTiming();
        TextTable t = filled;
        // Reverse the rows so that the sort has work to do.
        for (int a = 1, b = t.rowCount() - 1; a < b; ++a, --b)
            t.swapRows(a, b);
        state.ResumeTiming();
        SortTableRows(t, restore_col::kSortKey);
    }
}
BENCHMARK(BM_SortOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

namespace {
void BM_ListBackupFolder(benchmark::State& state) {
    auto& m = machineWith(static_cast<int>(state.range(0))).machine();
    for (auto _ : state) {
        auto entries = m.list("C:\\WINDOWS\\SYSBCKUP", "*.cab", false);
        benchmark::DoNotOptimize(entries.data());
    }
}
BENCHMARK(BM_ListBackupFolder)->Arg(10000)->Unit(benchmark::kMillisecond);
} // namespace
