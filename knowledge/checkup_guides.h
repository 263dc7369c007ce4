#pragma once
// The guides that the "体检" page writes into its result area on demand, and the captions of
// its command panel.
#include <string>
#include <vector>

namespace korvane {

namespace checkup_text {
inline constexpr const char* kFaultCauses = "寻找故障原因：";
inline constexpr const char* kExpert = "专家Tovrin";
inline constexpr const char* kReasoning1 = "Tovrin推理一";
inline constexpr const char* kReasoning2 = "Tovrin推理二";
inline constexpr const char* kSilence = "此时无声胜有声";
inline constexpr const char* kVirusOrFault = "病毒还是软硬件故障？...";
inline constexpr const char* kAutoCheck = "自动检查";
} // namespace checkup_text

enum class CheckupGuide { Expert, Reasoning1, Reasoning2, Silence };

// The command's caption.
const char* GuideCaption(CheckupGuide guide);
// The guide's memo lines, the caption first; leading spaces belong to the text.
const std::vector<std::string>& GuideLines(CheckupGuide guide);

} // namespace korvane
