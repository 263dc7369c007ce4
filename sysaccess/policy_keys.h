#pragma once
// Registry keys that several parts of the program share.

namespace korvane {

// The current user's MS-DOS policy: `Disabled` forbids MS-DOS programs; `old` remembers
// whether it has to be set again when the program closes.
inline constexpr const char* kWinOldAppKey =
    "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp";

} // namespace korvane
