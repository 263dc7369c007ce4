#pragma once
// The 64-bit FNV-1a hash: stable across builds and platforms, so what it names on disk (a
// journal's checksum, a working folder) stays the same from one version to the next.
#include <cstdint>
#include <string_view>

namespace w98 {

inline constexpr std::uint64_t kFnv1aBasis = 14695981039346656037ull;

// The hash so far with one more byte.
constexpr std::uint64_t fnv1aAdd(std::uint64_t hash, unsigned char byte) {
    return (hash ^ byte) * 1099511628211ull;
}

constexpr std::uint64_t fnv1a(std::string_view bytes) {
    std::uint64_t h = kFnv1aBasis;
    for (char c : bytes)
        h = fnv1aAdd(h, static_cast<unsigned char>(c));
    return h;
}

} // namespace w98
