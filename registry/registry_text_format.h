#pragma once
// A registry file in REGEDIT4 text form (code page 936, CR LF): hand-made machines and test
// fixtures keep their SYSTEM.DAT and USER.DAT this way.
#include "registry_tree.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace w98::regtext {

// The file's tree; throws FormatError naming displayName and the line. A section outside
// rootName (HKEY_LOCAL_MACHINE or HKEY_USERS) is an error.
std::unique_ptr<regtree::Key> read(std::string_view bytes, const std::string& displayName,
                                   const std::string& rootName);

// The whole file; sizeHint reserves room (the size it had when read).
std::string write(const regtree::Key& root, const std::string& rootName, std::size_t sizeHint = 0);

} // namespace w98::regtext
