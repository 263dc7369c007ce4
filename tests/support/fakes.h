#pragma once
// Recording stand-ins for the shell and the power switch.
#include "platform/power.h"
#include "platform/shell.h"

#include <string>
#include <vector>

namespace korvane::test {

class RecordingShell final : public w98::Shell {
  public:
    void open(std::string_view target) override { opened.emplace_back(target); }
    std::vector<std::string> opened;
};

class RecordingPower final : public w98::Power {
  public:
    void exitWindows(std::uint32_t flags, std::uint32_t reason) override { calls.push_back({flags, reason}); }
    struct Call {
        std::uint32_t flags, reason;
    };
    std::vector<Call> calls;
};

} // namespace korvane::test
