#pragma once
// The demo machine in a temporary folder, with what a restore needs around it: the system's
// seams and the shared paths, and the registry checker's settings in place.
#include "demo/demo_machine.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/shared_paths.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_machine.h"

#include <filesystem>
#include <memory>
#include <string>

namespace korvane::test {

struct RestoreDemo {
    std::filesystem::path folder;
    std::unique_ptr<w98::Machine> m;
    w98::SystemClock clock;
    RecordingShell shell;
    RecordingPower power;
    std::unique_ptr<System> system;
    SharedPaths paths{"C:\\WINDOWS", "C:", "C:\\WINDOWS\\SYSBCKUP", "C:\\KORVANE"};

    explicit RestoreDemo(const std::string& prefix) : folder(makeTempFolder(prefix)) {
        w98::createDemoMachine(folder / "m");
        m = std::make_unique<w98::Machine>(folder / "m");
        system = std::make_unique<System>(System{*m, clock, shell, power});
        WriteScanregTemplate(*m, "C:\\WINDOWS");
    }
    ~RestoreDemo() {
        m.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    RestoreDemo(const RestoreDemo&) = delete;
    RestoreDemo& operator=(const RestoreDemo&) = delete;
};

} // namespace korvane::test
