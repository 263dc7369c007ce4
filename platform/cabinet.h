#pragma once
// Microsoft cabinet files (MSZIP), as the registry checker writes them and the cabinet
// extractor reads them.
#include "base/date_time.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

struct CabEntry {
    std::string name; // file name inside the cabinet, UTF-8
    std::string data;
    std::uint8_t attributes = 0x20;
    DateTime time;
};

// A cabinet holding the entries in one MSZIP folder. Throws Error when it cannot be built.
std::string buildCabinet(const std::vector<CabEntry>& entries);

// What a cabinet may hold unpacked, all entries together. A few megabytes of compressed zeros
// unpack to gigabytes: such a cabinet is refused before anything is unpacked.
inline constexpr std::uint64_t kMaxCabinetContent = 256u << 20;

// Every entry of a cabinet. Throws FormatError naming displayName when the bytes are not a
// cabinet, are damaged or unpack to more than kMaxCabinetContent. Entry names lose any folder
// part, so that no entry can name a place outside the folder it is unpacked into.
std::vector<CabEntry> readCabinet(std::string_view bytes, const std::string& displayName);

} // namespace w98
