// The preview of a restore point: a daily cabinet of the demo machine, and cabinets of a
// real-size registry (the real pair, read where it lies, and a
// generated one of 30,000 keys), each made from nothing, with the live registry already read,
// and taken from the cache. The registry files themselves: what reading them costs.
#include "demo/demo_machine.h"
#include "platform/cabinet.h"
#include "registry/registry.h"
#include "registry/registry_file.h"
#include "restore/point_preview.h"
#include "restore/restore_check.h"
#include "restore/restore_point.h"
#include "tests/support/temp_machine.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;
using namespace korvane;

namespace {

RestorePoint pointOf(const char* date) {
    RestorePoint p;
    p.note = notes::kDailyBackup;
    p.folder = "C:\\WINDOWS\\SYSBCKUP";
    p.extension = ".cab";
    p.fileName = "rb001.cab";
    p.shownDate = date;
    return p;
}
const RestorePoint kDaily = pointOf("2002-5-16 8:00:00");

struct DemoFolder {
    fs::path root = test::makeTempFolder("korvane-preview-bench");
    DemoFolder() { w98::createDemoMachine(root / "m"); }
    ~DemoFolder() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

// A machine whose live registry and daily cabinet are the given pair of files.
struct PairMachine {
    test::TempMachine tm;
    PairMachine(const std::string& system, const std::string& user) {
        w98::Machine& m = tm.machine();
        m.writeFile("C:\\WINDOWS\\SYSTEM.DAT", system);
        m.writeFile("C:\\WINDOWS\\USER.DAT", user);
        m.writeTextLines("C:\\WINDOWS\\WIN.INI", {"[windows]", "load=", "run="});
        m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
        const w98::DateTime t{2002, 5, 16, 8, 0, 0};
        m.writeFile("C:\\WINDOWS\\SYSBCKUP\\rb001.cab",
                    w98::buildCabinet({{"system.dat", system, 0x20, t},
                                       {"user.dat", user, 0x20, t},
                                       {"win.ini", m.readFile("C:\\WINDOWS\\WIN.INI"), 0x20, t}}));
    }
};

std::unique_ptr<PairMachine> realPair() {
    const fs::path folder = fs::path(KORVANE_TEST_DATA) / "real-registry";
    return std::make_unique<PairMachine>(test::readBytes(folder / "SYSTEM.DAT"),
                                         test::readBytes(folder / "USER.DAT"));
}

// 30,000 keys of two values each in the binary form: classes, devices, drivers, programs.
std::unique_ptr<PairMachine> generatedPair() {
    const fs::path dir = test::makeTempFolder("korvane-preview-hive");
    std::string text = "REGEDIT4\r\n\r\n";
    auto key = [&](const std::string& path, const std::string& name, int i) {
        text += "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n\"" + name + "\"=\"Item " + std::to_string(i) +
                "\"\r\n\"Flags\"=dword:00000001\r\n\r\n";
    };
    int n = 0;
    for (int i = 0; i < 12000; ++i)
        key("Software\\Classes\\CLSID\\{" + std::to_string(1000000 + i) + "}", "", n++);
    for (int i = 0; i < 6000; ++i)
        key("Enum\\PCI\\DEV_" + std::to_string(i / 10) + "\\" + std::to_string(i % 10), "DeviceDesc", n++);
    for (int i = 0; i < 2000; ++i)
        key("System\\CurrentControlSet\\Services\\Class\\C" + std::to_string(i / 20) + "\\" +
                std::to_string(i % 20),
            "DriverDesc", n++);
    for (int i = 0; i < 500; ++i)
        key("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P" + std::to_string(i), "DisplayName",
            n++);
    for (int i = 0; n < 30000; ++i)
        key("Software\\Vendor" + std::to_string(i / 100) + "\\P" + std::to_string(i % 100), "Path", n++);
    const fs::path system = dir / "SYSTEM.DAT", user = dir / "USER.DAT";
    {
        std::ofstream(system, std::ios::binary)
            << w98::emptyHiveBytes(w98::HiveForm::Binary, "HKEY_LOCAL_MACHINE");
        std::ofstream(user, std::ios::binary) << w98::emptyHiveBytes(w98::HiveForm::Binary, "HKEY_USERS");
        w98::Registry r(system, "SYSTEM.DAT", user, "USER.DAT");
        r.importText(text, "BENCH.REG");
    }
    auto machine = std::make_unique<PairMachine>(test::readBytes(system), test::readBytes(user));
    fs::remove_all(dir);
    return machine;
}

void previewEach(benchmark::State& state, const fs::path& root, const RestorePoint& row) {
    std::size_t lines = 0;
    for (auto _ : state) {
        PointPreview p(root, "C:\\WINDOWS", "C:");
        lines = p.lines(row)->size();
    }
    state.counters["lines"] = static_cast<double>(lines);
}

// The live registry read once, as the window keeps it: each preview reads the point only (the
// date text makes each row one not seen before).
void previewWithLiveRead(benchmark::State& state, const fs::path& root, RestorePoint row) {
    PointPreview p(root, "C:\\WINDOWS", "C:");
    p.lines(row);
    int n = 0;
    for (auto _ : state) {
        row.shownDate = std::to_string(++n);
        benchmark::DoNotOptimize(p.lines(row));
    }
}

void previewKept(benchmark::State& state, const fs::path& root, const RestorePoint& row) {
    PointPreview p(root, "C:\\WINDOWS", "C:");
    p.lines(row);
    for (auto _ : state)
        benchmark::DoNotOptimize(p.lines(row));
    if (p.madeCount() != 1)
        state.SkipWithError("the kept preview was made again");
}

// Arg 0: made from nothing; 1: the live registry already read; 2: taken from the cache.
void run(benchmark::State& state, const fs::path& root, const RestorePoint& row) {
    switch (state.range(0)) {
    case 0:
        return previewEach(state, root, row);
    case 1:
        return previewWithLiveRead(state, root, row);
    default:
        return previewKept(state, root, row);
    }
}

void BM_PreviewDemoCabinet(benchmark::State& state) {
    static DemoFolder demo;
    const RestorePoint row = pointOf("");
    run(state, demo.root / "m", row);
}
BENCHMARK(BM_PreviewDemoCabinet)->ArgName("read")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_PreviewRealRegistryCabinet(benchmark::State& state) {
    static std::unique_ptr<PairMachine> machine = realPair();
    run(state, machine->tm.root(), kDaily);
}
BENCHMARK(BM_PreviewRealRegistryCabinet)
    ->ArgName("read")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

void BM_Preview30000KeyCabinet(benchmark::State& state) {
    static std::unique_ptr<PairMachine> machine = generatedPair();
    run(state, machine->tm.root(), kDaily);
}
BENCHMARK(BM_Preview30000KeyCabinet)->ArgName("read")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
