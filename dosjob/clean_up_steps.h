#pragma once
// The clean-up after a job (dosToWin.bat): the job's files gone, MSDOS.SYS and IO.SYS hidden,
// read-only system files again, a saved Msdos.bei back in place of a missing MSDOS.SYS, the
// start-up file of the hand-over folder copied to C:\, and Windows started.
#include "job_step.h"

#include <string>
#include <vector>

namespace korvane {

std::vector<JobStep> CleanUpSteps(const std::string& winDir);

} // namespace korvane
