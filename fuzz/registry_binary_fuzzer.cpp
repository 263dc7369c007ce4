// SYSTEM.DAT in Windows 98's binary form as a disk fault, a half-copied backup or another
// program may leave it. Reading it gives the tree or a FormatError naming the file; a file that
// cannot be read is never written over; a tree that was read is written again, read back
// through libcreg and found the same, and the registry reads its own change back.
#include "fuzz_machine.h"

#include "platform/error.h"
#include "platform/host_file.h"
#include "platform/registry.h"
#include "platform/registry_binary_format.h"

namespace {

using namespace korvane::fuzz;

constexpr const char* kSystem = "C:\\WINDOWS\\SYSTEM.DAT";
constexpr const char* kUser = "C:\\WINDOWS\\USER.DAT";

const w98::RegValue kMark{"Fuzz", w98::reg_type::kDword, w98::regDwordData(7)};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = asText(data, size);

    // The reader and the writer on their own.
    std::unique_ptr<w98::regtree::Key> tree;
    try {
        tree = w98::regbin::read(input, kSystem, "HKEY_LOCAL_MACHINE");
    } catch (const w98::FormatError& e) {
        check(std::string_view(e.what()).starts_with(kSystem),
              "the error of a damaged file does not name it");
    }
    if (tree) {
        std::string written;
        try {
            written = w98::regbin::write(*tree);
        } catch (const w98::FormatError&) {
            fail("the writer took its input for a damaged file");
        } catch (const w98::Error&) {
            return 0; // more than Windows 98 can hold: refused by name
        }
        std::unique_ptr<w98::regtree::Key> back;
        try {
            back = w98::regbin::read(written, kSystem, "HKEY_LOCAL_MACHINE");
        } catch (const w98::Error& e) {
            std::fprintf(stderr, "%s\n", e.what());
            fail("libcreg cannot read what the writer wrote");
        }
        check(w98::regtree::sameTree(*tree, *back), "the binary file reads back something else than was written");
    }

    // The same file as the machine's SYSTEM.DAT.
    put(kSystem, input);
    w98::Machine& m = machine().machine();
    w98::Registry r(m.hostPath(kSystem), kSystem, m.hostPath(kUser), kUser);
    try {
        r.subkeyNames(w98::kHkeyLocalMachine, "");
    } catch (const w98::FormatError&) {
        try {
            r.setValue(w98::kHkeyLocalMachine, "Fuzz", kMark);
            fail("a change was written over a registry file that cannot be read");
        } catch (const w98::FormatError&) {
        }
        check(w98::readHostFile(m.hostPath(kSystem), kSystem) == input,
              "a registry file that cannot be read was changed");
        return 0;
    }
    try {
        r.setValue(w98::kHkeyLocalMachine, "Fuzz", kMark);
    } catch (const w98::FormatError&) {
        fail("a readable file became unreadable on writing");
    } catch (const w98::Error&) {
        check(w98::readHostFile(m.hostPath(kSystem), kSystem) == input, "a refused change replaced the file");
        return 0;
    }
    w98::Registry again(m.hostPath(kSystem), kSystem, m.hostPath(kUser), kUser);
    auto mark = again.getValue(w98::kHkeyLocalMachine, "Fuzz", "Fuzz");
    check(mark && mark->data == kMark.data, "a value written is not read back");
    return 0;
}
