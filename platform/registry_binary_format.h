#pragma once
// A registry file in Windows 98's own binary form (signature "CREG"), as Windows keeps
// SYSTEM.DAT and USER.DAT on a real installation and as the registry checker's cabinets hold them.
//
// Layout: a 32-byte file header; the key navigation record "RGKN" (a 32-byte header, then one
// 28-byte entry per key linking parent, first subkey and next sibling, in the order Windows
// enumerates them); then data blocks "RGDB" holding each key's name and values.
#include "registry_tree.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace w98::regbin {

// True when the bytes begin with the binary form's signature, or are binary at all (a NUL in
// the first 32 bytes), so that a damaged binary file is reported as one.
bool looksLikeBinary(std::string_view bytes);

// The file's tree, read through libcreg. A damaged file throws FormatError naming displayName
// and the offset of the damage; nothing is guessed around it.
std::unique_ptr<regtree::Key> read(std::string_view bytes, const std::string& displayName,
                                   const std::string& rootName);

// The whole file. Throws Error naming the key or value when Windows 98 could not hold it (a
// value longer than 65535 bytes, a key whose values exceed one data block).
std::string write(const regtree::Key& root);

// The name hash the key navigation entries carry: the sum of the key name's characters below
// 0x80 after upper-casing, over the code page 936 bytes (the trail byte of a double-byte
// character is never upper-cased).
std::uint32_t nameHash(std::string_view nameBytes);

} // namespace w98::regbin
