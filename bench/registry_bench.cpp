// The registry on a SYSTEM.DAT of 30,000 keys (about 7.6 MB in the binary form, laid out as
// Windows lays it out), in either form, and on the real SYSTEM.DAT of a Windows Me machine:
// loading it (and cregexport, the independent reader, reading the same file as a process),
// reading from it while it is unchanged, one change written back (a binary file is also checked
// and read back before it replaces the old one), and the whole registry exported as regedit /e
// does. What the registry lock adds to every change: taking and letting go of it alone, and a
// change of a small file, where it weighs most.
#include "bench/big_hive.h"
#include "registry/registry.h"
#include "registry/registry_file.h"
#include "registry/registry_lock.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;
using namespace w98;

namespace {

class Machine {
  public:
    explicit Machine(HiveForm form = HiveForm::Text, const fs::path& realPair = {}) {
        std::string pattern = (fs::temp_directory_path() / "korvane-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        dir_ = pattern;
        if (!realPair.empty()) {
            for (const char* file : {"SYSTEM.DAT", "USER.DAT"}) {
                fs::copy_file(realPair / file, dir_ / file);
                fs::permissions(dir_ / file, fs::perms::owner_read | fs::perms::owner_write);
            }
            bytes_ = fs::file_size(dir_ / "SYSTEM.DAT");
            return;
        }
        if (form == HiveForm::Binary) {
            std::ofstream(dir_ / "SYSTEM.DAT", std::ios::binary)
                << emptyHiveBytes(form, "HKEY_LOCAL_MACHINE");
            std::ofstream(dir_ / "USER.DAT", std::ios::binary) << emptyHiveBytes(form, "HKEY_USERS");
        }
        Registry r = open();
        r.importText(bigHiveText(), "BENCH.REG");
        bytes_ = fs::file_size(dir_ / "SYSTEM.DAT");
    }
    ~Machine() { fs::remove_all(dir_); }
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    Registry open() const {
        return Registry(dir_ / "SYSTEM.DAT", "SYSTEM.DAT", dir_ / "USER.DAT", "USER.DAT");
    }
    std::uintmax_t bytes() const { return bytes_; }
    fs::path systemDat() const { return dir_ / "SYSTEM.DAT"; }

  private:
    fs::path dir_;
    std::uintmax_t bytes_ = 0;
};

Machine& machine() {
    static Machine m;
    return m;
}

Machine& binaryMachine() {
    static Machine m(HiveForm::Binary);
    return m;
}

Machine& realMachine() {
    static Machine m(HiveForm::Binary, fs::path(KORVANE_TEST_DATA) / "real-registry");
    return m;
}

using MachineOf = Machine& (*)();

void BM_LoadHive(benchmark::State& state, MachineOf machineOf) {
    Machine& m = machineOf();
    for (auto _ : state) {
        Registry r = m.open();
        benchmark::DoNotOptimize(r.keyExists(kHkeyLocalMachine, "Software"));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(m.bytes()));
    state.counters["file_bytes"] = static_cast<double>(m.bytes());
}
BENCHMARK_CAPTURE(BM_LoadHive, text, &machine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadHive, binary, &binaryMachine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadHive, real_system_dat, &realMachine)->Unit(benchmark::kMillisecond);

// regedit /e: the whole file read and written out as REGEDIT4 text.
void BM_ExportText(benchmark::State& state, MachineOf machineOf) {
    Machine& m = machineOf();
    for (auto _ : state) {
        Registry r = m.open();
        benchmark::DoNotOptimize(r.exportText());
    }
}
BENCHMARK_CAPTURE(BM_ExportText, text, &machine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExportText, binary, &binaryMachine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExportText, real_system_dat, &realMachine)->Unit(benchmark::kMillisecond);

void BM_ReadUnchanged(benchmark::State& state, MachineOf machineOf) {
    Registry r = machineOf().open();
    r.keyExists(kHkeyLocalMachine, "");
    for (auto _ : state) {
        auto v = r.getValue(kHkeyLocalMachine, "Software\\Classes\\CLSID\\{1005000}", "Path");
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    if (r.parseCount() != 1)
        state.SkipWithError("the unchanged file was parsed again");
}
BENCHMARK_CAPTURE(BM_ReadUnchanged, text, &machine);
BENCHMARK_CAPTURE(BM_ReadUnchanged, binary, &binaryMachine);

// One value written: the whole file written (a binary one also checked, read back and compared).
void BM_SetValue(benchmark::State& state, MachineOf machineOf) {
    Registry r = machineOf().open();
    r.keyExists(kHkeyLocalMachine, "");
    std::uint32_t i = 0;
    for (auto _ : state)
        r.setValue(kHkeyLocalMachine, "Software\\Vendor7\\P7",
                   RegValue{"Counter", reg_type::kDword, regDwordData(++i)});
    if (r.parseCount() != 1)
        state.SkipWithError("the registry parsed its own write");
}
BENCHMARK_CAPTURE(BM_SetValue, text, &machine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SetValue, binary, &binaryMachine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SetValue, real_system_dat, &realMachine)->Unit(benchmark::kMillisecond);

void BM_RegistryLock(benchmark::State& state) {
    const fs::path file = fs::temp_directory_path() / "SYSTEM.DAT";
    for (auto _ : state) {
        RegistryLock lock(file, "SYSTEM.DAT");
        benchmark::DoNotOptimize(&lock);
    }
}
BENCHMARK(BM_RegistryLock)->Unit(benchmark::kMicrosecond);

void BM_SetValueSmallHive(benchmark::State& state) {
    std::string pattern = (fs::temp_directory_path() / "korvane-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    const fs::path dir = pattern;
    {
        Registry r(dir / "SYSTEM.DAT", "SYSTEM.DAT", dir / "USER.DAT", "USER.DAT");
        for (int i = 0; i < 50; ++i)
            r.setValue(kHkeyLocalMachine, "Software\\Vendor\\P" + std::to_string(i),
                       RegValue{"Path", reg_type::kSz, regStringData("C:\\WINDOWS\\SYSTEM\\P.VXD")});
        Registry timed(dir / "SYSTEM.DAT", "SYSTEM.DAT", dir / "USER.DAT", "USER.DAT");
        std::uint32_t i = 0;
        for (auto _ : state)
            timed.setValue(kHkeyLocalMachine, "Software\\Vendor\\P7",
                           RegValue{"Counter", reg_type::kDword, regDwordData(++i)});
        state.counters["file_bytes"] = static_cast<double>(fs::file_size(dir / "SYSTEM.DAT"));
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_SetValueSmallHive)->Unit(benchmark::kMicrosecond);

// The independent reader on the same file, started as a process as a user would run it.
void BM_CregexportBinaryHive(benchmark::State& state, MachineOf machineOf) {
    Machine& m = machineOf();
    const std::string command = "cregexport -c windows-936 '" + m.systemDat().string() + "' > /dev/null 2>&1";
    for (auto _ : state) {
        const int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("cregexport could not read the file");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(m.bytes()));
}
BENCHMARK_CAPTURE(BM_CregexportBinaryHive, binary, &binaryMachine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CregexportBinaryHive, real_system_dat, &realMachine)->Unit(benchmark::kMillisecond);

} // namespace
