#pragma once
// The machine's registry. HKEY_LOCAL_MACHINE lives in <WinDir>\SYSTEM.DAT and HKEY_USERS in
// <WinDir>\USER.DAT, both REGEDIT4 text in code page 936 with CR LF. HKEY_CURRENT_USER is
// HKEY_USERS\.DEFAULT and HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes.
//
// Each file is parsed once per change: a call on an unchanged file costs a stat. A change made
// by another process is seen by the next call. Every change is made under the registry lock to
// the file as it is at that moment, and written back at once, replacing the file atomically and
// keeping its MS-DOS attributes: programs that change the registry at the same time lose nothing.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
std::string regStringData(std::string_view utf8); // code page 936 + NUL; throws w98::Error if not representable
std::string regDwordData(std::uint32_t v);
std::uint32_t regDwordFromData(std::string_view data); // first 4 bytes, zero-padded

class Registry {
public:
    // Display names are what error messages call the files (their Windows paths).
    Registry(std::filesystem::path systemDat, std::string systemDisplayName, std::filesystem::path userDat,
             std::string userDisplayName);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Key paths are relative to the root, components separated by a backslash, compared
    // without regard to case; a leading or trailing backslash is ignored.
    bool keyExists(RegRoot root, std::string_view keyPath);
    void createKey(RegRoot root, std::string_view keyPath); // creates every missing key on the way
    void deleteKey(RegRoot root, std::string_view keyPath); // with its subkeys; missing: nothing

    std::optional<RegValue> getValue(RegRoot root, std::string_view keyPath, std::string_view name);
    void setValue(RegRoot root, std::string_view keyPath, const RegValue& value); // creates the key chain
    bool deleteValue(RegRoot root, std::string_view keyPath, std::string_view name); // false if absent

    // In the order they were created, as the registry enumerates them; empty for a missing key.
    std::vector<RegValue> values(RegRoot root, std::string_view keyPath);
    std::vector<std::string> subkeyNames(RegRoot root, std::string_view keyPath);

    // The whole registry as one REGEDIT4 text (UTF-8 here; regedit /e encodes it), and an
    // import of such a text (keys "[-KEY]" and values "name"=- delete). Errors name displayName
    // and the line; an import that fails changes nothing.
    std::string exportText();
    void importText(std::string_view utf8Text, const std::string& displayName);

    // How many times a file has been parsed; an unchanged file is not parsed again.
    std::size_t parseCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace w98
