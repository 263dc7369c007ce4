// A .reg file as regedit imports it. An import that fails changes nothing; one that succeeds
// leaves registry files that read back as the registry that imported them.
#include "fuzz_machine.h"

#include "base/error.h"
#include "base/host_file.h"
#include "registry/registry.h"

namespace {

using namespace korvane::fuzz;

constexpr const char* kSystem = "C:\\WINDOWS\\SYSTEM.DAT";
constexpr const char* kUser = "C:\\WINDOWS\\USER.DAT";

constexpr std::string_view kSystemText =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes]\r\n@=\"classes\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
    "\"ScanRegistry\"=\"C:\\\\WINDOWS\\\\scanregw.exe /autorun\"\r\n\"n\"=dword:00000001\r\n\r\n";
constexpr std::string_view kUserText =
    "REGEDIT4\r\n\r\n[HKEY_USERS]\r\n\r\n[HKEY_USERS\\.DEFAULT]\r\n\r\n"
    "[HKEY_USERS\\.DEFAULT\\Control Panel\\desktop]\r\n\"Wallpaper\"=\"C:\\\\WINDOWS\\\\dest.bmp\"\r\n"
    "\"b\"=hex:01,02,03\r\n\r\n";

std::unique_ptr<w98::Registry> open() {
    w98::Machine& m = machine().machine();
    return std::make_unique<w98::Registry>(m.hostPath(kSystem), kSystem, m.hostPath(kUser), kUser);
}

std::string bytesOf(const char* file) {
    return w98::readHostFile(machine().machine().hostPath(file), file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    put(kSystem, kSystemText);
    put(kUser, kUserText);
    std::string imported;
    {
        auto r = open();
        try {
            r->importText(asText(data, size), "C:\\FUZZ.REG");
        } catch (const w98::Error&) {
            check(bytesOf(kSystem) == kSystemText && bytesOf(kUser) == kUserText,
                  "an import that failed changed the registry");
            return 0;
        }
        imported = r->exportText();
    }
    auto again = open();
    std::string reread;
    try {
        reread = again->exportText();
    } catch (const w98::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fail("the registry cannot read what an import wrote");
    }
    check(reread == imported, "the registry reads back something else than the import made");
    // An export imports again without error, into the same registry.
    again->importText(reread, "C:\\EXPORT.REG");
    check(again->exportText() == reread, "importing an export changed the registry");
    return 0;
}
