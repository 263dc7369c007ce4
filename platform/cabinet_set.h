#pragma once
// A cabinet set: Windows 98 setup spreads its files over numbered cabinets (win98_47.cab,
// win98_48.cab...), and a file wanted from one may be in one of the cabinets after it. The
// cabinet extractor and the driver repair both walk a set the same way.
#include "cabinet.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

class Machine;

// No Windows 98 cabinet is bigger; reading a bigger file could ask for more memory than the
// machine has.
inline constexpr std::uint64_t kMaxCabinetBytes = 64u << 20;
// No set is longer.
inline constexpr int kMaxCabinetSet = 100;

// The next cabinet of a set: the number at the end of the name one higher, as wide as before
// ("win98_48.cab", "disk09.cab" -> "disk10.cab"); "" when the name ends in no number or in more
// than six digits.
std::string nextCabinetInSet(std::string_view cabinetPath);

// Reads the cabinets of a set from first on and hands each one's entries to visit, which
// returns whether to go on to the next. The walk ends when visit says so, when the next
// cabinet does not exist, or after kMaxCabinetSet cabinets. A cabinet that is too large or
// cannot be read throws FormatError naming it; the cabinets before it have been visited.
void walkCabinetSet(
    const Machine& m, const std::string& first,
    const std::function<bool(const std::string& cabinet, std::vector<CabEntry>& entries)>& visit);

} // namespace w98
