// SYSTEM.DAT in Windows 98's binary form as a disk fault, a half-copied backup or another
// program may leave it. Reading it gives the tree or a FormatError naming the file, and libcreg,
// the independent reader, agrees; a file that cannot be read is never written over; a tree that
// was read is written again, passes the structural checker, reads back the same through both
// readers, and the registry reads its own change back.
#include "fuzz_machine.h"

#include "base/error.h"
#include "base/host_file.h"
#include "registry/registry.h"
#include "registry/registry_binary_format.h"
#include "registry/registry_binary_layout.h"
#include "tests/support/creg_reader.h"

namespace {

using namespace korvane::fuzz;

constexpr const char* kSystem = "C:\\WINDOWS\\SYSTEM.DAT";
constexpr const char* kUser = "C:\\WINDOWS\\USER.DAT";

const w98::RegValue kMark{"Fuzz", w98::reg_type::kDword, w98::regDwordData(7)};

// True when some key of the tree sits in the last 32 bytes of the navigation record.
bool endsNearNavigationEnd(std::string_view bytes) {
    using namespace w98::regbin::layout;
    const std::uint32_t size = get32(bytes, kFileHeaderSize + kNavSize);
    std::vector<std::uint32_t> stack{kNavHeaderSize};
    std::vector<bool> seen(size, false);
    while (!stack.empty()) {
        std::uint32_t rel = stack.back();
        stack.pop_back();
        for (bool root = true; rel != kNone && rel + kEntrySize <= size && !seen[rel]; root = false) {
            seen[rel] = true;
            if (rel + kEntrySize + kNavHeaderSize > size)
                return true;
            const std::size_t at = kFileHeaderSize + rel;
            stack.push_back(get32(bytes, at + kEntryChild));
            rel = root ? kNone : get32(bytes, at + kEntryNext);
        }
    }
    return false;
}

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
    // libcreg reads every file ours reads, to the same tree, but for one limit of its own: it
    // takes no entry in the last 32 bytes of the navigation record, where Windows may put one.
    // Where libcreg reads a file, ours either reads the same tree or found damage that libcreg
    // walks past (a duplicate record number, a record cut short, a link into a free slot).
    std::unique_ptr<w98::regtree::Key> independent;
    try {
        independent = korvane::test::cregRead(input, kSystem, "HKEY_LOCAL_MACHINE");
    } catch (const w98::Error&) {
    }
    if (tree && independent)
        check(w98::regtree::sameTree(*tree, *independent), "libcreg reads another tree than ours");
    if (tree && !independent)
        check(input.size() >= 0x24 && w98::regbin::layout::get32(input, 0x24) >= 0x40 &&
                  endsNearNavigationEnd(input),
              "ours read a file libcreg refuses, without an entry at the navigation record's end");
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
            fail("the reader cannot read what the writer wrote");
        }
        check(w98::regtree::sameTree(*tree, *back),
              "the binary file reads back something else than was written");
        check(w98::regbin::structuralProblems(written).empty(),
              "the writer wrote a file the checker refuses");
        check(w98::regbin::holds(written, *tree),
              "the in-place comparison misses the tree it was written from");
        check(w98::regbin::holds(input, *tree),
              "the in-place comparison misses the tree the file was read as");
        std::unique_ptr<w98::regtree::Key> backIndependent;
        try {
            backIndependent = korvane::test::cregRead(written, kSystem, "HKEY_LOCAL_MACHINE");
        } catch (const w98::Error& e) {
            std::fprintf(stderr, "%s\n", e.what());
            fail("libcreg cannot read what the writer wrote");
        }
        check(w98::regtree::sameTree(*tree, *backIndependent),
              "libcreg reads back something else than was written");
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
