#pragma once
// The 64-bit FNV-1a hash: stable across builds and platforms, so what it names on disk (a
// journal's checksum, a working folder) stays the same from one version to the next.
#include <cstdint>
#include <string_view>

namespace w98::disk {

inline std::uint64_t fnv1a(std::string_view bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace w98::disk
