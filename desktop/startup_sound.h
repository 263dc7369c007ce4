#pragma once
// The wave file Windows plays when it starts: the default value of the SystemStart ".Current"
// key, for the current user and for the default profile. Neither key is ever created.
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

inline constexpr const char* kUserStartSoundKey = "AppEvents\\Schemes\\Apps\\.Default\\SystemStart\\.Current";
inline constexpr const char* kDefaultStartSoundKey =
    ".DEFAULT\\AppEvents\\Schemes\\Apps\\.Default\\SystemStart\\.Current";

// The current user's start-up sound; "" when the key does not exist.
std::string ReadStartupSound(w98::Machine& m);
// The current user's key first, then the default profile's; a missing key takes nothing.
void WriteStartupSound(w98::Machine& m, const std::string& wavePath);
// Starts playing and returns at once; a file that cannot be played gives no sound and no error.
void PlaySoundAsync(w98::Machine& m, const std::string& wavePath);

// The memo's explanation when the user is about to choose, and its lines once the sound is set
// (UTF-8).
std::vector<std::string> SoundOpeningLines();
std::vector<std::string> SoundClosingLines();

} // namespace korvane
