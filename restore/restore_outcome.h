#pragma once
// At the start after a restore was armed: did the restart put the point's registry back?
// The mark the arming left in the live registry tells it (restore_mark.h): gone from both
// files, the job copied the point's files over them. Windows rewrites the files as it starts,
// so their bytes tell nothing. The user is told once, then the record and the mark are gone.
#include "restore_record.h"

#include <optional>
#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

struct RestoreOutcome {
    bool restored = false;
    std::string message; // for a message box
};

// When the user hears of a restore: at the start after the restart that ran its job, or as soon
// as it was made directly into a disk.
enum class RestoreReport { AfterRestart, JustNow };

// The message for a record: restored or not, and why not (may be empty: no cause known).
RestoreOutcome DescribeRestoreOutcome(const RestoreRecord& record, bool restored, const std::string& reason,
                                      RestoreReport when = RestoreReport::AfterRestart);

// nullopt when there is nothing to tell: no record (one look at the disk), or the job is still
// waiting for the restart (C:\AUTOEXEC.BAT still calls it), in which case the record is kept.
// Otherwise the outcome, and the record is deleted. A record that cannot be understood is
// deleted without a word.
std::optional<RestoreOutcome> TakeRestoreOutcome(w98::Machine& m, const std::string& winDir);

} // namespace korvane
