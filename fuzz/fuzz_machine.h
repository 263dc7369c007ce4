#pragma once
// What the fuzz targets share: one temporary Windows 98 machine per process, made at the first
// input and removed at exit, and input bytes put straight into its files.
#include "platform/machine.h"
#include "tests/support/temp_machine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace korvane::fuzz {

test::TempMachine& machine();

// Writes the bytes as the file's whole content, as another program would: no attributes,
// no flush to disk.
void put(const std::string& winPath, std::string_view bytes);

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A broken promise of the code under test: reported as a crash, with the reason.
[[noreturn]] void fail(const char* what);
inline void check(bool ok, const char* what) {
    if (!ok)
        fail(what);
}

} // namespace korvane::fuzz
