#include "fuzz_machine.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace korvane::fuzz {

test::TempMachine& machine() {
    static test::TempMachine tm;
    return tm;
}

void put(const std::string& winPath, std::string_view bytes) {
    std::ofstream out(machine().machine().hostPath(winPath), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("the fuzz machine cannot be written: " + winPath);
}

void fail(const char* what) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

} // namespace korvane::fuzz

// libcreg (a system library, not built with the sanitizers) leaves a few bytes behind on some
// of its own error paths when it reads a damaged registry file; those are not the program's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libcreg.so\n";
}
