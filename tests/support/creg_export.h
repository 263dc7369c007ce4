#pragma once
// Binary registry files as an independent reader sees them: cregexport (libcreg-utils) run as a
// process, its output brought to one line per key and per value, so that it can be compared
// with what the registry holds.
#include "registry/registry.h"

#include <filesystem>
#include <string>

namespace korvane::test {

// "[path]" for every key (path below the file's root, "" for the root itself), then one
// "name|type|hex bytes" line per value, in the order cregexport lists them. Fails the test
// (and returns "") when cregexport cannot read the file.
std::string cregExport(const std::filesystem::path& file);

// The same lines from the registry itself, for one root (HKEY_LOCAL_MACHINE or HKEY_USERS), with
// strings as a binary file keeps them (without their closing NUL).
std::string registryDump(w98::Registry& registry, w98::RegRoot root);

// "" when both dumps are equal; otherwise the first line where they part, for the failure
// message (a diff of tens of thousands of lines would not help anyone).
std::string firstDifference(const std::string& expected, const std::string& actual);

} // namespace korvane::test
