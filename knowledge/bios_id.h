#pragma once
// The BIOS identification text and the maker it names.
#include <cstddef>
#include <string>
#include <string_view>

namespace w98 {
class Machine;
}

namespace korvane {

// From 0xFE061 to the end of the BIOS area at 0xFFFFF: no identification text is longer.
inline constexpr std::size_t kBiosIdMaxBytes = 0x100000 - 0xFE061;

// The machine's BIOS identification text, read afresh on every call: it ends at the first
// zero byte and at kBiosIdMaxBytes, and is empty when it cannot be read. Never throws.
std::string ReadBiosIdText(const w98::Machine& machine) noexcept;

enum class BiosMaker { Award, Ami, Other };

// Award is tested first: an Award text may mention AMI compatibility. Letter case is ignored,
// and "ami" counts anywhere in the text.
BiosMaker BiosMakerOf(std::string_view biosIdText);

} // namespace korvane
