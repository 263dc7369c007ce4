#pragma once
// What the registry holds, whatever holds the registry: the roots, value types, values and names.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace w98 {

using RegRoot = std::uint32_t;
inline constexpr RegRoot kHkeyClassesRoot = 0x80000000u;
inline constexpr RegRoot kHkeyCurrentUser = 0x80000001u;
inline constexpr RegRoot kHkeyLocalMachine = 0x80000002u;
inline constexpr RegRoot kHkeyUsers = 0x80000003u;

namespace reg_type {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
} // namespace reg_type

// A value as Windows holds it: strings are code page 936 bytes ending in a NUL,
// a DWORD is four bytes, least significant first.
struct RegValue {
    std::string name; // UTF-8; empty for the default value
    std::uint32_t type = reg_type::kSz;
    std::string data; // raw bytes
};

// Helpers to build and read raw value data.
std::string
regStringData(std::string_view utf8); // code page 936 + NUL; throws w98::Error if not representable
std::string regDwordData(std::uint32_t v);
std::uint32_t regDwordFromData(std::string_view data); // first 4 bytes, zero-padded

// A key or value name both ways: as the program sees it and as the file holds it.
struct RegName {
    std::string text;  // UTF-8
    std::string bytes; // code page 936
};

// Deeper key paths are refused, which also bounds the recursion over the tree.
inline constexpr std::size_t kRegMaxDepth = 512;

} // namespace w98
