// Walking a set of setup cabinets: the next name, where the walk stops, and a damaged member.
#include "base/error.h"
#include "platform/cabinet_set.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using korvane::test::TempMachine;

namespace {

std::string cabinetWith(const std::string& name) {
    return w98::buildCabinet({{name, "data of " + name, 0x20, {1999, 4, 23, 22, 22, 0}}});
}

} // namespace

TEST(CabinetSet, TheNextNameKeepsFolderWidthAndExtension) {
    EXPECT_EQ(w98::nextCabinetInSet("D:\\WIN98\\win98_47.cab"), "D:\\WIN98\\win98_48.cab");
    EXPECT_EQ(w98::nextCabinetInSet("D:\\disk09.cab"), "D:\\disk10.cab");
    EXPECT_EQ(w98::nextCabinetInSet("D:\\disk99.cab"), "D:\\disk100.cab");
    EXPECT_EQ(w98::nextCabinetInSet("E:win98_22.cab"), "E:win98_23.cab");
    EXPECT_EQ(w98::nextCabinetInSet("D:\\WIN98\\base.cab"), "");
    EXPECT_EQ(w98::nextCabinetInSet("D:\\WIN98\\a1234567.cab"), "");
}

TEST(CabinetSet, TheWalkGoesOnWhileAskedAndStopsAtAGapOrADamagedCabinet) {
    TempMachine tm;
    auto& m = tm.machine();
    m.createDirectories("C:\\CABS");
    for (int n : {47, 48, 49, 51})
        m.writeFile("C:\\CABS\\win98_" + std::to_string(n) + ".cab",
                    cabinetWith("f" + std::to_string(n) + ".vxd"));

    std::vector<std::string> seen;
    w98::walkCabinetSet(m, "C:\\CABS\\win98_47.cab",
                        [&](const std::string& cab, std::vector<w98::CabEntry>& e) {
                            seen.push_back(cab.substr(8) + ":" + e.at(0).name);
                            return true;
                        });
    EXPECT_EQ(seen, (std::vector<std::string>{"win98_47.cab:f47.vxd", "win98_48.cab:f48.vxd",
                                              "win98_49.cab:f49.vxd"}));

    seen.clear();
    w98::walkCabinetSet(m, "C:\\CABS\\win98_48.cab",
                        [&](const std::string& cab, std::vector<w98::CabEntry>&) {
                            seen.push_back(cab);
                            return false;
                        });
    EXPECT_EQ(seen, std::vector<std::string>{"C:\\CABS\\win98_48.cab"});

    m.writeFile("C:\\CABS\\win98_48.cab", "MSCF, cut short");
    seen.clear();
    EXPECT_THROW(w98::walkCabinetSet(m, "C:\\CABS\\win98_47.cab",
                                     [&](const std::string& cab, std::vector<w98::CabEntry>&) {
                                         seen.push_back(cab);
                                         return true;
                                     }),
                 w98::Error);
    EXPECT_EQ(seen, std::vector<std::string>{"C:\\CABS\\win98_47.cab"});
}
