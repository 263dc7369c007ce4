#pragma once
// Playing a wave file (sndPlaySound). The machine notes every sound it is asked to play in
// <machine>/sounds.log (UTF-8, one line each) and plays it through the host's player when the
// host has one (pw-play, paplay or aplay). A missing file, or a host without sound output,
// stays silent and reports nothing, as a Windows 98 machine without a sound card does.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

class Machine;

inline constexpr std::uint32_t kSndSync = 0;
inline constexpr std::uint32_t kSndAsync = 1;

// With SND_ASYNC the call returns at once while the sound plays. False when nothing plays.
bool sndPlaySound(Machine& m, std::string_view sound, std::uint32_t flags);

// The sounds the machine was asked to play, oldest first.
std::vector<std::string> PlayedSounds(const Machine& m);

} // namespace w98
