#pragma once
// The registry keys behind the settings switches, spelt as the program writes them (key paths
// compare without regard to case).
#include "registry/registry.h"
#include "sysaccess/policy_keys.h"

namespace korvane::switch_keys {

using w98::RegRoot;

// Shell policies of the current user: hidden drives and the Run command.
inline constexpr RegRoot kExplorerPolicyRoot = w98::kHkeyCurrentUser;
inline constexpr const char* kExplorerPolicy =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
// The explorer's "show all files" option; CheckedValue 0 defeats it.
inline constexpr RegRoot kShowAllRoot = w98::kHkeyLocalMachine;
inline constexpr const char* kShowAll =
    "Software\\Microsoft\\Windows\\CurrentVersion\\explorer\\Advanced\\Folder\\Hidden\\SHOWALL";
// The current user's MS-DOS policy (`Disabled` live, `old` wanted after the run).
inline constexpr RegRoot kMsDosRoot = w98::kHkeyCurrentUser;
inline constexpr const char* kMsDos = kWinOldAppKey;
// The default profile's policies: the registry editor, and its MS-DOS switch.
inline constexpr RegRoot kDefaultUserRoot = w98::kHkeyUsers;
inline constexpr const char* kDefaultSystemPolicy =
    ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
inline constexpr const char* kDefaultWinOldApp =
    ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp";
// The class of .reg files: "regfile" merges them, "txtfile" opens them as text.
inline constexpr RegRoot kRegClassRoot = w98::kHkeyLocalMachine;
inline constexpr const char* kRegClass = "Software\\CLASSES\\.reg";

// Hang protection: the current user's desktop settings, all strings.
inline constexpr RegRoot kDesktopRoot = w98::kHkeyCurrentUser;
inline constexpr const char* kDesktop = "Control Panel\\desktop";

// The browser.
inline constexpr RegRoot kBrowserMainRoot = w98::kHkeyLocalMachine;
inline constexpr const char* kBrowserMain = "Software\\Microsoft\\Internet Explorer\\Main";
inline constexpr RegRoot kTypedUrlsRoot = w98::kHkeyCurrentUser;
inline constexpr const char* kTypedUrls = "SoftWare\\Microsoft\\Internet Explorer\\TypedURLs";
inline constexpr RegRoot kWebcheckRoot = w98::kHkeyUsers;
inline constexpr const char* kWebcheck = ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Webcheck";

} // namespace korvane::switch_keys
