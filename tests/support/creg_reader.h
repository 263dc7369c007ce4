#pragma once
// A binary registry file as libcreg, the independent reader, reads it: the same tree the
// program's reader gives, or a FormatError naming the file and, where libcreg says, the offset.
#include "registry/registry_tree.h"

#include <memory>
#include <string>
#include <string_view>

namespace korvane::test {

std::unique_ptr<w98::regtree::Key> cregRead(std::string_view bytes, const std::string& displayName,
                                            const std::string& rootName);

} // namespace korvane::test
