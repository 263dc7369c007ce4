#pragma once
// What a registry (SYSTEM.DAT and USER.DAT as key trees) and a win.ini say about a system: the
// programs installed, what starts with Windows, the hardware and its drivers, and the settings
// behind the switches. The live machine and a restore point are read alike and compared.
// Reads only.
#include "registry/registry_tree.h"

#include <string>
#include <vector>

namespace korvane {

// A device, device class or driver: the key path that tells it apart (compared without regard
// to letter case) and the name the user knows it by.
struct NamedItem {
    std::string id;
    std::string name;
};

// A setting as the page that changes it would show it.
struct SettingState {
    std::string name;
    std::string state;
};

struct SystemFacts {
    std::vector<std::string> programs; // DisplayName of each key under Uninstall
    std::vector<std::string> startup;  // "name：command（where）" of each start-up entry
    std::vector<NamedItem> devices;    // Enum\<bus>\<device>\<instance>
    std::vector<NamedItem> deviceClasses;
    std::vector<NamedItem> drivers; // Class\<class>\<number>
    std::vector<SettingState> settings;
};

// Whose registry it is: the MS-DOS switch is held lifted while the program runs, and a
// restored registry is read by the program's next start as Windows left it.
enum class FactsOf { LiveMachine, RestorePoint };

// system is HKEY_LOCAL_MACHINE, user HKEY_USERS (HKEY_CURRENT_USER is its .DEFAULT); winIni is
// the text of win.ini's lines.
SystemFacts ReadSystemFacts(const w98::regtree::Key& system, const w98::regtree::Key& user,
                            const std::vector<std::string>& winIni, FactsOf whose);

// The programs of win.ini's [windows] load= and run= lines, as "program（win.ini load=）".
std::vector<std::string> WinIniStartupEntries(const std::vector<std::string>& winIni);

} // namespace korvane
