// win.ini as any program may have left it. The startup list reads its "load=" lines from
// anything readable; emptying them keeps every other line, byte for byte, and leaves no entry.
#include "fuzz_machine.h"

#include "startup/startup_catalogue.h"
#include "startup/startup_removal.h"
#include "startup/win_ini.h"

#include "base/host_file.h"

namespace {

using namespace korvane::fuzz;

constexpr const char* kWinIni = "C:\\WINDOWS\\WIN.INI";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    w98::Machine& m = machine().machine();
    const std::string_view input = asText(data, size);
    put(kWinIni, input);
    const std::vector<std::string> lines = korvane::ReadWinIniText(m, kWinIni);
    std::size_t loadLines = 0;
    for (const auto& line : lines)
        loadLines += korvane::IsWinIniLoadLine(line) ? 1u : 0u;
    check(korvane::WinIniLoadEntries(lines).size() == loadLines, "a load= line without its entry");

    korvane::EmptyWinIniLoadLines(m, kWinIni);
    check(korvane::WinIniLoadEntries(korvane::ReadWinIniText(m, kWinIni)).empty(),
          "a load= entry is left after emptying");
    const auto before = korvane::SplitWinIni(input);
    const auto after = korvane::SplitWinIni(w98::readHostFile(m.hostPath(kWinIni), kWinIni));
    check(after.size() == before.size(), "emptying load= lines changed the number of lines");
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        check(after[i].end == before[i].end, "a line break changed");
        if (!korvane::IsWinIniLoadLine(lines[i]))
            check(after[i].bytes == before[i].bytes, "a line without load= changed");
    }
    return 0;
}
