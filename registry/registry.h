#pragma once
// The machine's registry. HKEY_LOCAL_MACHINE lives in <WinDir>\SYSTEM.DAT and HKEY_USERS in
// <WinDir>\USER.DAT, each in Windows 98's binary form or as REGEDIT4 text, and kept in the form
// it has (registry_file.h). HKEY_CURRENT_USER is HKEY_USERS\.DEFAULT and HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\Software\Classes.
//
// Each file is read once per change: a call on an unchanged file costs a stat. A change made
// by another process is seen by the next call. Every change is made under the registry lock to
// the file as it is at that moment, and written back at once, replacing the file atomically and
// keeping its MS-DOS attributes: programs that change the registry at the same time lose nothing.
#include "registry_value.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace w98 {

class Registry {
  public:
    // Display names are what error messages call the files (their Windows paths).
    Registry(std::filesystem::path systemDat, std::string systemDisplayName, std::filesystem::path userDat,
             std::string userDisplayName);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Key paths are relative to the root, components separated by a backslash, compared
    // without regard to case; a leading or trailing backslash is ignored.
    bool keyExists(RegRoot root, std::string_view keyPath);
    void createKey(RegRoot root, std::string_view keyPath); // creates every missing key on the way
    void deleteKey(RegRoot root, std::string_view keyPath); // with its subkeys; missing: nothing

    std::optional<RegValue> getValue(RegRoot root, std::string_view keyPath, std::string_view name);
    void setValue(RegRoot root, std::string_view keyPath, const RegValue& value);    // creates the key chain
    bool deleteValue(RegRoot root, std::string_view keyPath, std::string_view name); // false if absent

    // In the order they were created, as the registry enumerates them; empty for a missing key.
    std::vector<RegValue> values(RegRoot root, std::string_view keyPath);
    std::vector<std::string> subkeyNames(RegRoot root, std::string_view keyPath);

    // The whole registry as one REGEDIT4 text (UTF-8 here; regedit /e encodes it), and an
    // import of such a text (keys "[-KEY]" and values "name"=- delete). Errors name displayName
    // and the line; an import that fails changes nothing.
    std::string exportText();
    void importText(std::string_view utf8Text, const std::string& displayName);

    // How many times a file has been parsed; an unchanged file is not parsed again.
    std::size_t parseCount() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace w98
