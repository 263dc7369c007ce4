#pragma once
// The registry's key tree, as one file (SYSTEM.DAT or USER.DAT) holds it, whatever its form.
// Names compare without regard to ASCII letter case and keep the case they were created with;
// keys and values keep the order in which they were created, as the registry enumerates them.
#include "registry_value.h"

#include "base/text.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace w98::regtree {

using Name = RegName;

struct FoldHash {
    std::size_t operator()(std::string_view s) const noexcept;
};

struct FoldEqual {
    bool operator()(std::string_view a, std::string_view b) const noexcept { return equalsNoCase(a, b); }
};

struct StoredValue {
    RegValue value;        // name in UTF-8
    std::string nameBytes; // the same name in code page 936, as the file writes it
};

struct Key {
    std::string name;  // UTF-8, as created
    std::string bytes; // code page 936
    std::vector<StoredValue> values;
    std::vector<std::unique_ptr<Key>> children; // in creation order

    Key* child(std::string_view childName) const;
    Key& addChild(std::string childName, std::string childBytes);
    void removeChild(const Key* k);

    StoredValue* findValue(std::string_view valueName);
    const StoredValue* findValue(std::string_view valueName) const;
    // True when anything changed. An existing value keeps the case of its name.
    bool setValue(RegValue v, std::string nameBytes);
    bool removeValue(std::string_view valueName);

  private:
    // Built once a key has more than a few subkeys; its views point into the children's names.
    std::unique_ptr<std::unordered_map<std::string_view, Key*, FoldHash, FoldEqual>> index_;
    static constexpr std::size_t kIndexFrom = 8;
};

Key* findPath(Key& root, const std::vector<std::string_view>& path);
// Creates every missing key on the way; changed is set when one was created.
Key& createPath(Key& root, const std::vector<Name>& path, bool& changed);
// Removes the key at path (not the root); true if it existed.
bool removePath(Key& root, const std::vector<std::string_view>& path);

std::vector<std::string_view> textsOf(const std::vector<Name>& names);

// True when both trees hold the same keys and values below their roots, byte for byte and in
// the same order (the roots' own names are not compared).
bool sameTree(const Key& a, const Key& b);

} // namespace w98::regtree
