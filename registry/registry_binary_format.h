#pragma once
// A registry file in Windows 98's own binary form (signature "CREG"), as Windows keeps
// SYSTEM.DAT and USER.DAT on a real installation and as the registry checker's cabinets hold them.
//
// Layout (registry_binary_layout.h): a 32-byte file header; the key navigation record "RGKN"
// (a header, then one 28-byte entry per key linking parent, first subkey and next sibling, in
// the order Windows enumerates them, and free slots); then data blocks "RGDB" holding each
// key's name and values as key records, and free records.
#include "registry_tree.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace w98::regbin {

// True when the bytes begin with the binary form's signature, or are binary at all (a NUL in
// the first 32 bytes), so that a damaged binary file is reported as one.
bool looksLikeBinary(std::string_view bytes);

// The file's tree, in one pass. A damaged file throws FormatError naming displayName and the
// offset of the damage; nothing is guessed around it. REG_SZ data gets the closing NUL the file
// leaves out.
std::unique_ptr<regtree::Key> read(std::string_view bytes, const std::string& displayName,
                                   const std::string& rootName);

// True when the file reads back as exactly the tree (as read() followed by sameTree would say),
// found without building a second tree.
bool holds(std::string_view bytes, const regtree::Key& root);

// The whole file, laid out as Windows 98 writes it. Throws Error naming the key or value when
// Windows 98 could not hold it (a value longer than 65535 bytes, a name longer than 65535).
std::string write(const regtree::Key& root);

// What is wrong with a file's structure by the rules Windows keeps for its own files (free
// records and slots, their chains, key numbers, pieces, flags, hashes, counts and sizes), one
// line each with its offset; empty for a sound file. Never throws and never loops.
std::vector<std::string> structuralProblems(std::string_view bytes);

// The name hash the key navigation entries carry: the sum of the key name's characters below
// 0x80 after upper-casing, over the code page 936 bytes (the trail byte of a double-byte
// character is never upper-cased).
std::uint32_t nameHash(std::string_view nameBytes);

} // namespace w98::regbin
