#include "restore_mark.h"

#include "platform/machine.h"
#include "registry/registry.h"
#include "sysaccess/registry_values.h"

#include <chrono>
#include <cstdio>
#include <random>

namespace korvane {
namespace {

constexpr w98::RegRoot kRoots[] = {w98::kHkeyLocalMachine, w98::kHkeyCurrentUser};

// Read without creating the key, so that looking leaves the registry as it is.
bool holds(w98::Machine& m, w98::RegRoot root, const std::string& mark) {
    const auto value = m.registry().getValue(root, kRestoreMarkKey, kRestoreMarkValue);
    return value && value->data == w98::regStringData(mark);
}

} // namespace

std::string NewRestoreMark() {
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const std::uint64_t value = (static_cast<std::uint64_t>(device()) << 32 ^ device()) ^ now;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

void LeaveRestoreMark(w98::Machine& m, const std::string& mark) {
    for (const auto root : kRoots)
        WriteRegStr(m, root, kRestoreMarkKey, kRestoreMarkValue, mark);
}

MarkedFiles FindRestoreMark(w98::Machine& m, const std::string& mark) {
    return {holds(m, w98::kHkeyLocalMachine, mark), holds(m, w98::kHkeyCurrentUser, mark)};
}

void RemoveRestoreMark(w98::Machine& m, const std::string& mark) {
    for (const auto root : kRoots)
        if (holds(m, root, mark))
            m.registry().deleteValue(root, kRestoreMarkKey, kRestoreMarkValue);
}

} // namespace korvane
