// The startup programs manager on a machine with 5,000 run-key values and a win.ini of 1 MB:
// listing everything, and removing one entry of each kind. A removal writes SYSTEM.DAT or
// win.ini once and never parses the registry again.
#include "platform/machine.h"
#include "registry/registry.h"
#include "startup/startup_catalogue.h"
#include "startup/startup_grid.h"
#include "startup/startup_removal.h"
#include "tests/support/temp_machine.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace korvane;

namespace {

const std::string kWin = "C:\\WINDOWS";
const std::string kRun = std::string(kRunKeyPrefix) + "Run";

test::TempMachine& bigMachine() {
    static std::unique_ptr<test::TempMachine> tm = [] {
        auto t = std::make_unique<test::TempMachine>();
        auto& m = t->machine();
        std::string reg = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + kRun + "]\r\n";
        for (int i = 0; i < 5000; ++i)
            reg += "\"Program" + std::to_string(i) + "\"=\"C:\\\\Program Files\\\\Vendor" +
                   std::to_string(i) + "\\\\tray.exe /background\"\r\n";
        m.registry().importText(reg, "BENCH.REG");
        std::vector<std::string> ini = {"[windows]", "load=C:\\TOOLS\\dock.exe", "run="};
        for (int i = 0; ini.size() < 40000; ++i) {
            ini.push_back("[Application " + std::to_string(i) + "]");
            ini.push_back("Setting=some value of about twenty bytes");
        }
        m.writeTextLines(kWin + "\\win.ini", ini);
        return t;
    }();
    return *tm;
}

void BM_ListStartupEntries(benchmark::State& state) {
    auto& m = bigMachine().machine();
    std::size_t rows = 0;
    for (auto _ : state) {
        TextTable t = StartupTable(BuildStartupCatalogue(m, kWin), kWin);
        rows = static_cast<std::size_t>(t.rowCount());
        benchmark::DoNotOptimize(t);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["win.ini bytes"] = static_cast<double>(m.fileSize(kWin + "\\win.ini"));
}
BENCHMARK(BM_ListStartupEntries)->Unit(benchmark::kMillisecond);

// Clicks the delete cell of the value in the middle of the key; the value is put back,
// untimed, before the next click.
void BM_RemoveRunValue(benchmark::State& state) {
    auto& m = bigMachine().machine();
    const TextTable listed = StartupTable(BuildStartupCatalogue(m, kWin), kWin);
    const std::size_t parsesBefore = m.registry().parseCount();
    for (auto _ : state) {
        state.PauseTiming();
        TextTable t = listed;
        state.ResumeTiming();
        ClickStartupTable(m, t, {startup_col::kDelete, 2500, startup_col::kDelete, 2500}, kWin);
        state.PauseTiming();
        m.registry().setValue(w98::kHkeyLocalMachine, kRun,
                              {listed.cell(startup_col::kName, 2500), w98::reg_type::kSz,
                               w98::regStringData(listed.cell(startup_col::kProgram, 2500))});
        state.ResumeTiming();
    }
    state.counters["parses"] = static_cast<double>(m.registry().parseCount() - parsesBefore);
}
BENCHMARK(BM_RemoveRunValue)->Unit(benchmark::kMillisecond);

void BM_RemoveWinIniEntry(benchmark::State& state) {
    auto& m = bigMachine().machine();
    const std::string original = m.readFile(kWin + "\\win.ini");
    const TextTable listed = StartupTable(BuildStartupCatalogue(m, kWin), kWin);
    const int row = listed.rowCount() - 1;
    for (auto _ : state) {
        state.PauseTiming();
        TextTable t = listed;
        state.ResumeTiming();
        ClickStartupTable(m, t, {startup_col::kDelete, row, startup_col::kDelete, row}, kWin);
        state.PauseTiming();
        m.writeFile(kWin + "\\win.ini", original);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RemoveWinIniEntry)->Unit(benchmark::kMillisecond);

} // namespace
