#pragma once
// MS-DOS file attributes, kept with each host file in an extended attribute so that they
// survive across processes and travel with the file when it is renamed.
#include <cstdint>
#include <filesystem>

namespace w98 {

namespace attr {
inline constexpr std::uint8_t kReadOnly = 0x01;
inline constexpr std::uint8_t kHidden = 0x02;
inline constexpr std::uint8_t kSystem = 0x04;
inline constexpr std::uint8_t kDirectory = 0x10;
inline constexpr std::uint8_t kArchive = 0x20;
} // namespace attr

// The attributes of a host file or folder; a file without stored attributes has the archive
// attribute, a folder the directory attribute. Throws IoError when the file does not exist.
std::uint8_t readDosAttributes(const std::filesystem::path& hostFile, const std::string& displayName);

// The same for an entry known to exist and whether it is a folder, without looking it up again.
std::uint8_t dosAttributesOf(const std::filesystem::path& hostFile, bool isDirectory);

// Stores the attributes (the directory bit is taken from the host). Throws IoError on failure.
void writeDosAttributes(const std::filesystem::path& hostFile, std::uint8_t attributes,
                        const std::string& displayName);

} // namespace w98
