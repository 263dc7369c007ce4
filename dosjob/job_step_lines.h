#pragma once
// Steps printed as the batch lines MS-DOS runs: every path the step spells by its short name is
// named by DosPath, which throws w98::Error for a path MS-DOS cannot name as itself.
#include "job_step.h"

#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

void AppendStepLines(const w98::Machine& m, const JobStep& step, std::vector<std::string>& lines);
std::vector<std::string> StepLines(const w98::Machine& m, const std::vector<JobStep>& steps);

} // namespace korvane
