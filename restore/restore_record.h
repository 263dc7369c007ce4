#pragma once
// What a restore was armed with, kept in a small file of the program in the Windows folder
// until the next start has told the user whether the restore took place.
#include "restore_check.h"

#include <cstdint>
#include <optional>
#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

struct RestoreRecord {
    std::string point;      // the cabinet or the system file restored from
    std::string date;       // the point's date as the table shows it
    bool backupMade = false; // the state before was saved as a pre-restore backup
    Fingerprint system;     // system.dat and user.dat as the point carries them
    Fingerprint user;
    // system.dat after the job's registry import, when the job ends with one.
    std::optional<Fingerprint> systemImported;
    // The job ends with an import whose result could not be worked out: only user.dat
    // tells whether the restore took place.
    bool systemUnknown = false;
    std::uint64_t bootLogOffset = 0; // where the next start's lines begin in the boot log
};

// <WinDir>\korvane.rst
std::string RestoreRecordPath(const std::string& winDir);

// The record of a restore about to be armed from a checked point. importText, when given, is
// the registry import (UTF-8) the job ends with; it is tried out in <winDir>\TEMP.
RestoreRecord MakeRestoreRecord(const w98::Machine& m, const std::string& winDir, const CheckedRestorePoint& point,
                                const std::string& date, bool backupMade,
                                const std::optional<std::string>& importText);

// Code page 936, CR LF, replaced atomically.
void WriteRestoreRecord(w98::Machine& m, const std::string& winDir, const RestoreRecord& record);
// nullopt when there is no record or it cannot be understood.
std::optional<RestoreRecord> ReadRestoreRecord(const w98::Machine& m, const std::string& winDir);
// Deletes the record; a missing one is no error.
void ForgetRestoreRecord(w98::Machine& m, const std::string& winDir);

} // namespace korvane
