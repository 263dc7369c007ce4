#pragma once
// The drives hidden from the shell: the binary value NoDrives of the shell policies, four
// bytes holding a little-endian number whose bit i hides drive letter i (A: is bit 0, Z: bit 25).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

inline constexpr int kDriveLetterCount = 26;
// Bits 26 to 31 name no drive.
inline constexpr std::uint32_t kDriveBits = (1u << kDriveLetterCount) - 1;

// "A:" to "Z:".
std::vector<std::string> DriveLetterItems();

// The mask as stored, or nothing when the key or the value is missing; the key is not
// created. A value that is not binary data raises "Invalid data type for 'NoDrives'"; one
// longer than four bytes has no meaning for Windows and raises "Failed to get data for
// 'NoDrives'". Shorter data counts the missing high bytes as 0.
std::optional<std::uint32_t> ReadDriveMask(w98::Machine& m);

// Stores the drive bits of the mask as four bytes of binary data, creating the key; an empty
// mask is stored as 00 00 00 00, never deleted.
void WriteDriveMask(w98::Machine& m, std::uint32_t mask);

// The mask of the ticked items, item i standing for drive letter i.
std::uint32_t DriveMaskOf(const std::vector<bool>& ticked);
inline bool DriveHidden(std::uint32_t mask, int letter) {
    return letter >= 0 && letter < kDriveLetterCount && ((mask >> letter) & 1u) != 0;
}

// The three help lines shown after a click in the drive list.
std::vector<std::string> DriveListHelp();

} // namespace korvane
