// Keys as deep as the registry files can hold, under every root: HKEY_CURRENT_USER and
// HKEY_CLASSES_ROOT stand for keys of their hives, which the depth must count.
#include "base/error.h"
#include "registry/regedit4.h"
#include "registry/registry.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

constexpr auto HKLM = w98::kHkeyLocalMachine;
constexpr auto HKCU = w98::kHkeyCurrentUser;

} // namespace

TEST(BrokenRegistry, AKeyTooDeepForTheFileIsRefusedUnderEveryRoot) {
    std::string deep = "k";
    for (std::size_t i = 1; i < w98::kRegMaxDepth; ++i)
        deep += "\\k";
    for (const auto root : {HKLM, HKCU, w98::kHkeyUsers, w98::kHkeyClassesRoot}) {
        TempMachine tm;
        try {
            tm.machine().registry().setValue(root, deep, {"v", w98::reg_type::kDword, w98::regDwordData(1)});
        } catch (const w98::Error&) {
            // Refused: the roots that stand for a key of their hive have less room.
        }
        // Whatever was written reads back.
        auto again = tm.reopen();
        EXPECT_NO_THROW(again->registry().values(HKLM, ""));
        EXPECT_NO_THROW(again->registry().values(w98::kHkeyUsers, ""));
    }
}
