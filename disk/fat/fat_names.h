#pragma once
// Names in FAT directory entries as Windows 95/98 writes them: the 8.3 name in code page 936
// in the short entry, and the long name in UTF-16 pieces of 13 characters in the entries
// before it, tied to the short entry by a checksum.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace w98::disk {

using RawEntry = std::array<unsigned char, 32>;

// "NAME.EXT" (UTF-8) as the 11 bytes of a short entry, blank padded; a first byte 0xE5 is
// stored as 0x05, as 0xE5 marks a deleted entry. Throws Error when it is no 8.3 name.
std::array<unsigned char, 11> packShortName(std::string_view shortName);
// The 11 bytes back as "NAME.EXT"; bytes that are not code page 936 read as '_'.
std::string unpackShortName(const unsigned char* raw11);

std::uint8_t shortNameChecksum(const unsigned char* raw11);

// The long-name entries for name, in the order they stand before the short entry.
// Throws Error for a name longer than 255 UTF-16 characters or holding characters FAT refuses.
std::vector<RawEntry> longNameEntries(std::string_view utf8Name, std::uint8_t checksum);

// Windows writes long-name entries only when the name is not exactly its short name.
inline bool needsLongName(std::string_view name, std::string_view shortName) {
    return name != shortName;
}

std::u16string utf16Of(std::string_view utf8);
std::string utf8Of(std::u16string_view utf16);

} // namespace w98::disk
