#pragma once
// What the start-up beeps of a BIOS mean: the lists shown for this machine's maker, and the
// drop-down list of Award beep codes with its short reference lines.
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

inline constexpr const char* kBeepCodesCaption = "根据开机铃声判断硬件故障...";
inline constexpr const char* kBeepDropDownText = "根据开机铃声判断本机硬件故障";

const std::vector<std::string>& AwardBeepLines();
const std::vector<std::string>& AmiBeepLines();
// For a maker without a list: where to look, then the identification text itself.
std::vector<std::string> OtherMakerBeepLines(std::string_view biosIdText);
// The list for the maker that the identification text names.
std::vector<std::string> BeepLinesFor(std::string_view biosIdText);

// The drop-down list as it starts: the heading, then the eleven Award entries.
const std::vector<std::string>& BeepDropDownItems();
// The Award entries in short lines, for a list that has no room for long ones.
const std::vector<std::string>& AwardReferenceLines();
// A key in the drop-down list turns it into the reference lines, on Award machines only.
bool KeyPressShowsAwardReference(std::string_view biosIdText);

} // namespace korvane
