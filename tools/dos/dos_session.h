#pragma once
// What the programs of one MS-DOS session share: the machine, the current drive and folders
// (global in MS-DOS, so a program or a second command interpreter changes them for everyone),
// the environment, and whether Windows has been started from it.
#include "dos_paths.h"

#include "platform/machine.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

struct DosSession {
    // Starts on drive C: in its root, with the environment of the Windows 98 start-up:
    // winbootdir, windir, comspec, path, prompt.
    explicit DosSession(Machine& m);

    Machine& machine;
    DosPaths paths;
    std::map<std::string, std::string> environment; // folded name -> value
    bool windowsStarted = false;
    // MS-DOS mode before Windows loads: files are found by their short names only, batch lines
    // are cut at kDosLineBytes, and %winbootdir% is the Windows folder's short path.
    bool msDosMode() const { return paths.shortNamesOnly(); }
    void setMsDosMode(bool on);
    // The entries of a folder that a last component as paths.resolve() gives it names: by
    // either name, or in MS-DOS mode by the short names alone, each then with its own.
    std::vector<DirEntry> list(const std::string& folder, std::string_view pattern) const;
    static constexpr std::size_t kDosLineBytes = 127;
    int interpreters = 0; // command interpreters running in it, outermost included

    // MS-DOS keeps the environment in a block of limited size; false when the variable does not
    // fit ("Out of environment space"). An empty value removes it.
    static constexpr std::size_t kEnvironmentBytes = 32768;
    bool setVariable(std::string_view name, std::string_view value);
    std::string variable(std::string_view name) const; // "" when not set
};

} // namespace w98
