#pragma once
// The startup entry catalogue: every program Windows 98 starts by itself, from the five
// machine-wide run keys, the "load=" lines of win.ini and the Start menu's startup folder,
// in that order. Rebuilt from nothing at every listing; nothing is stored.
#include "startup_entry.h"

#include "registry/registry.h"

#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

// Appends the values of HKEY_LOCAL_MACHINE\Software\...\CurrentVersion\<keyName> in the order
// the registry keeps them. A missing key is created empty; one that cannot be created gives
// nothing.
void ListRunKeyValues(w98::Machine& m, const std::string& keyName, std::vector<StartupEntry>& out);

// The program text of a run-key value. Text data reads as text. Anything else (a number,
// raw bytes, text that is not code page 936) cannot be a command Windows runs, but it is
// still listed, so that the user sees it and can remove it: in regedit's notation
// ("dword:00000001", "hex:0c,00"), long data cut after 64 bytes with ",...".
std::string RunValueText(const w98::RegValue& value);

// The entries of win.ini's lines: each line that contains "load=" in any letter case, other
// than exactly "load=", gives the line without its first five characters.
std::vector<StartupEntry> WinIniLoadEntries(const std::vector<std::string>& lines);

// Appends one entry per file of the folder (a missing folder gives nothing). Plain folders are
// passed over; one that carries other attributes is listed like a file.
void ListStartupFolder(const w98::Machine& m, const std::string& folder, std::vector<StartupEntry>& out);

// The whole catalogue. Throws the file error when win.ini cannot be read.
std::vector<StartupEntry> BuildStartupCatalogue(w98::Machine& m, const std::string& winDir);

} // namespace korvane
