#pragma once
// A temporary machine with startup entries in the places Windows 98 reads them from, and
// writes that fail as on a full disk.
#include "platform/machine.h"
#include "registry/registry.h"
#include "startup/startup_entry.h"
#include "tests/support/temp_machine.h"
#include "tests/support/writes_fail.h"

#include <string>

namespace korvane::test {

inline void setRun(w98::Machine& m, const std::string& key, const std::string& name,
                   const std::string& text) {
    m.registry().setValue(w98::kHkeyLocalMachine, kRunKeyPrefix + key,
                          w98::RegValue{name, w98::reg_type::kSz, w98::regStringData(text)});
}

inline bool hasRun(w98::Machine& m, const std::string& key, const std::string& name) {
    return m.registry().getValue(w98::kHkeyLocalMachine, kRunKeyPrefix + key, name).has_value();
}

} // namespace korvane::test
