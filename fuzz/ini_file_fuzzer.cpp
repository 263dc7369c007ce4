// machine.ini and the machine's own record files. Any text gives the settings or a
// FormatError naming the line; settings written out read back the same.
#include "fuzz_machine.h"

#include "base/error.h"
#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvane::fuzz;
    w98::IniFile ini;
    try {
        ini = w98::IniFile::parse(asText(data, size), "machine.ini");
    } catch (const w98::FormatError&) {
        return 0;
    }
    const std::string text = ini.text();
    // Settings before any section have no section line to be written under.
    if (text.starts_with("[]"))
        return 0;
    w98::IniFile again;
    try {
        again = w98::IniFile::parse(text, "machine.ini");
    } catch (const w98::FormatError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fail("settings written out cannot be read back");
    }
    check(again.text() == text, "settings written out read back differently");
    return 0;
}
