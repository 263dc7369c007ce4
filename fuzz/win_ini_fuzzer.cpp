// win.ini as any program may have left it. The startup list reads its "load=" lines from
// anything readable; emptying them keeps every other line, byte for byte, and leaves no entry.
#include "fuzz_machine.h"

#include "startup/startup_catalogue.h"
#include "startup/startup_removal.h"
#include "startup/startup_text.h"

#include "platform/error.h"
#include "platform/host_file.h"
#include "platform/text_lines.h"

namespace {

using namespace korvane::fuzz;

constexpr const char* kWinIni = "C:\\WINDOWS\\WIN.INI";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    w98::Machine& m = machine().machine();
    const std::string_view input = asText(data, size);
    put(kWinIni, input);
    std::vector<std::string> lines;
    try {
        lines = m.readTextLines(kWinIni);
    } catch (const w98::FormatError&) {
        try {
            korvane::EmptyWinIniLoadLines(m, kWinIni);
            fail("a win.ini that cannot be read was edited");
        } catch (const w98::FormatError&) {
        }
        check(w98::readHostFile(m.hostPath(kWinIni), kWinIni) == input, "a win.ini that cannot be read was changed");
        return 0;
    }
    std::size_t loadLines = 0;
    for (const auto& line : lines)
        loadLines += line != "load=" && korvane::ContainsIgnoringCase(line, "load=") ? 1 : 0;
    check(korvane::WinIniLoadEntries(lines).size() == loadLines, "a load= line without its entry");

    korvane::EmptyWinIniLoadLines(m, kWinIni);
    check(korvane::WinIniLoadEntries(m.readTextLines(kWinIni)).empty(), "a load= entry is left after emptying");
    const auto rawBefore = w98::splitLines(input);
    const auto rawAfter = w98::splitLines(w98::readHostFile(m.hostPath(kWinIni), kWinIni));
    check(rawAfter.size() == rawBefore.size(), "emptying load= lines changed the number of lines");
    for (std::size_t i = 0; i < rawBefore.size(); ++i)
        if (!korvane::ContainsIgnoringCase(lines[i], "load="))
            check(rawAfter[i] == rawBefore[i], "a line without load= changed");
    return 0;
}
