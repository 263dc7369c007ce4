#pragma once
// At the start after a restore was armed: did the restart put the point's registry back?
// The live SYSTEM.DAT and USER.DAT are compared with the record's fingerprints; nothing is
// unpacked. The user is told once, then the record is forgotten.
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

// The message for a record: restored or not, and why not (may be empty: no cause known).
RestoreOutcome DescribeRestoreOutcome(const RestoreRecord& record, bool restored, const std::string& reason);

// True when the live files carry what the record's point carries, allowing for the registry
// import the job ends with.
bool RegistryMatchesRecord(const RestoreRecord& record, const Fingerprint& liveSystem, const Fingerprint& liveUser);

// nullopt when there is nothing to tell: no record (one look at the disk), or the job is still
// waiting for the restart (C:\AUTOEXEC.BAT still calls it), in which case the record is kept.
// Otherwise the outcome, and the record is deleted. A record that cannot be understood is
// deleted without a word.
std::optional<RestoreOutcome> TakeRestoreOutcome(w98::Machine& m, const std::string& winDir);

} // namespace korvane
