#include "machine_log.h"

#include "platform/clock.h"
#include "platform/machine.h"

#include <fstream>

namespace w98 {

bool appendProgramsLog(const Machine& m, const std::string& line) {
    std::ofstream log(m.root() / kProgramsLog, std::ios::app | std::ios::binary);
    if (!log)
        return false;
    log << formatDateTimePicture("yyyy-MM-dd HH:mm:ss", SystemClock().now()) << " " << line << "\n";
    log.flush();
    return static_cast<bool>(log);
}

} // namespace w98
