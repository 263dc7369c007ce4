#pragma once
// A REGEDIT4 import into the machine's two registry files, step by step: the text read into
// operations, the operations applied to the trees of the files they touch, the changed files
// written back as one change.
#include "registry_file.h"
#include "registry_tree.h"
#include "registry_value.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace w98::regimport {

// A line of an import understood; none is applied before all of them are.
struct ImportOp {
    enum class Kind { OpenKey, RemoveKey, SetValue, RemoveValue };
    Kind kind;
    std::size_t hive = 0; // 0: SYSTEM.DAT, 1: USER.DAT
    std::vector<regtree::Name> path;
    RegValue value;
    std::string nameBytes;
};

// The keys HKEY_CURRENT_USER (in USER.DAT) and HKEY_CLASSES_ROOT (in SYSTEM.DAT) stand for.
const std::vector<regtree::Name>& currentUserPrefix();
const std::vector<regtree::Name>& classesRootPrefix();

// The operations of a REGEDIT4 text (UTF-8). Throws FormatError naming displayName and the line
// for a line code page 936 cannot write or the parser refuses, an unknown root, a key too deep.
std::vector<ImportOp> parse(std::string_view utf8Text, const std::string& displayName);

// Which files the operations open or remove keys in, by hive number.
void touchedHives(const std::vector<ImportOp>& ops, bool touched[2]);

// Applies the operations to the trees of the files they touch (roots, by hive number); changed
// tells which trees now differ from their files.
void apply(std::vector<ImportOp>& ops, regtree::Key* const roots[2], bool changed[2]);

// Writes the changed trees back. When both changed and the second cannot be written, the first
// goes back as it was; a failure leaves the trees dropped, to be read again from the files.
void commit(HiveFile (&hives)[2], const bool changed[2]);

} // namespace w98::regimport
