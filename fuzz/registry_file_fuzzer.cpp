// SYSTEM.DAT as a disk fault or another program may leave it. Reading it gives the registry or
// a FormatError; a file that cannot be read is never written over; and whatever the registry
// writes back, it reads again as it was.
#include "fuzz_machine.h"

#include "base/error.h"
#include "base/host_file.h"
#include "registry/registry.h"

namespace {

using namespace korvane::fuzz;

constexpr const char* kSystem = "C:\\WINDOWS\\SYSTEM.DAT";
constexpr const char* kUser = "C:\\WINDOWS\\USER.DAT";

std::unique_ptr<w98::Registry> open() {
    w98::Machine& m = machine().machine();
    return std::make_unique<w98::Registry>(m.hostPath(kSystem), kSystem, m.hostPath(kUser), kUser);
}

const w98::RegValue kMark{"Fuzz", w98::reg_type::kDword, w98::regDwordData(7)};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = asText(data, size);
    put(kSystem, input);
    std::string before;
    {
        auto r = open();
        try {
            r->subkeyNames(w98::kHkeyLocalMachine, "");
        } catch (const w98::FormatError&) {
            try {
                r->setValue(w98::kHkeyLocalMachine, "Fuzz", kMark);
                fail("a change was written over a registry file that cannot be read");
            } catch (const w98::FormatError&) {
            }
            check(w98::readHostFile(machine().machine().hostPath(kSystem), kSystem) == input,
                  "a registry file that cannot be read was changed");
            return 0;
        }
        r->setValue(w98::kHkeyLocalMachine, "Fuzz", kMark);
        before = r->exportText();
    }
    auto again = open();
    std::string after;
    try {
        after = again->exportText();
    } catch (const w98::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fail("the registry cannot read what it wrote");
    }
    check(after == before, "the registry reads back something else than it wrote");
    auto mark = again->getValue(w98::kHkeyLocalMachine, "Fuzz", "Fuzz");
    check(mark && mark->data == kMark.data, "a value written is not read back");
    return 0;
}
