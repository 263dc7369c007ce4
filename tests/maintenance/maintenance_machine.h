#pragma once
// Machines for the maintenance jobs: the demo machine in a temporary folder (with its setup
// cabinets and its registry), and a job's page stand-in that records what the job shows and
// answers its questions.
#include "base/host_file.h"
#include "demo/demo_machine.h"
#include "maintenance/job_ui.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "sysaccess/shared_paths.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_machine.h"

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace korvane::test {

struct RecordingUi {
    std::vector<std::string> lines, questions, messages;
    std::deque<bool> answers; // Yes when none is left
    int repaints = 0;

    JobUi ui() {
        return {[this](const std::string& l) { lines.push_back(l); },
                [this](const std::string& q) {
                    questions.push_back(q);
                    const bool yes = answers.empty() || answers.front();
                    if (!answers.empty())
                        answers.pop_front();
                    return yes;
                },
                [this](const std::string& m) { messages.push_back(m); }, [this] { ++repaints; }};
    }
};

struct DemoMachine {
    std::filesystem::path folder = makeTempFolder("korvane-maint");
    std::unique_ptr<w98::Machine> owned;
    w98::Machine& m;
    w98::SystemClock clock;
    RecordingShell shell;
    RecordingPower power;
    System system;
    SharedPaths paths{"C:\\WINDOWS", "C:", "C:\\WINDOWS\\SYSBCKUP", "C:\\KORVANE"};

    DemoMachine() : owned(create(folder)), m(*owned), system{m, clock, shell, power} {}
    ~DemoMachine() {
        owned.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    DemoMachine(const DemoMachine&) = delete;
    DemoMachine& operator=(const DemoMachine&) = delete;

    std::string hostText(const char* file) const {
        std::error_code ec;
        if (!std::filesystem::exists(folder / "m" / file, ec))
            return {};
        return w98::readHostFile(folder / "m" / file, file);
    }

  private:
    static std::unique_ptr<w98::Machine> create(const std::filesystem::path& folder) {
        w98::createDemoMachine(folder / "m");
        return std::make_unique<w98::Machine>(folder / "m");
    }
};

} // namespace korvane::test
