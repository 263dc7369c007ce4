#pragma once
// Finding files in the setup cabinets before the extractor is asked for them, the way its /a
// switch looks: in the named cabinet, then in the cabinets after it in the set (win98_47.cab,
// win98_48.cab...). Checking first means that a missing or damaged cabinet, or a file the set
// does not hold, is told to the user while nothing of the system has been replaced yet.
#include <map>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

struct CabinetSearch {
    std::map<std::string, std::string> found; // folded file name -> its content in the cabinet
    std::string problem;                      // what is wrong; empty when every name was found
    bool complete() const { return problem.empty(); }
};

// The next cabinet of a set: the number in the name one higher ("win98_48.cab"); "" when the
// name ends in no number.
std::string NextCabinetInSet(const std::string& cabinetPath);

CabinetSearch FindInCabinetSet(const w98::Machine& m, const std::string& cabinet,
                               const std::vector<std::string>& names);

} // namespace korvane
