#pragma once
// Single registry values, one self-contained call each. Reading, testing or deleting a value
// under a missing key creates that key, as the program's callers expect. A write or delete
// that cannot be done throws: no caller may take it for done.
#include "base/error.h"
#include "registry/registry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace w98 {
class Machine;
}

namespace korvane {

using w98::RegRoot;

// Registry errors carry the texts the program shows:
// "Failed to get data for '%s'", "Invalid data type for '%s'", "Failed to set data for '%s'".
class RegistryError : public w98::Error {
  public:
    using w98::Error::Error;
};

std::int32_t ReadRegInt(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name);
void WriteRegInt(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name,
                 std::int32_t value);
std::string ReadRegStr(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name);
void WriteRegStr(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name,
                 std::string_view text);
bool RegValueExists(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name);
// A missing value is not an error; one that stays in a registry file that cannot be written is.
void DeleteRegValue(w98::Machine& m, RegRoot root, std::string_view key, std::string_view name);
// These two never create the key: a missing key reads "" and takes no write.
std::string ReadRegDefault(w98::Machine& m, RegRoot root, std::string_view key);
void WriteRegDefault(w98::Machine& m, RegRoot root, std::string_view key, std::string_view text);

} // namespace korvane
