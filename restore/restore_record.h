#pragma once
// What a restore was armed with, kept in a small file of the program in the Windows folder
// until the next start has told the user whether the restore took place.
#include "restore_plan.h"

#include <cstdint>
#include <optional>
#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

struct RestoreRecord {
    std::string point;       // the cabinet or the system file restored from
    std::string date;        // the point's date as the table shows it
    bool backupMade = false; // the state before was saved as a pre-restore backup
    // The mark left in the live registry as the job was armed (restore_mark.h): still there
    // after the restart, the point's registry was not put back.
    std::string mark;
    std::uint64_t bootLogOffset = 0; // where the next start's lines begin in the boot log
};

// <WinDir>\korvane.rst
std::string RestoreRecordPath(const std::string& winDir);

// The record of a restore about to be armed from a plan with the given mark.
RestoreRecord MakeRestoreRecord(const w98::Machine& m, const RestorePlan& plan, bool backupMade,
                                const std::string& mark);

// Code page 936, CR LF, replaced atomically.
void WriteRestoreRecord(w98::Machine& m, const std::string& winDir, const RestoreRecord& record);
// nullopt when there is no record or it cannot be understood.
std::optional<RestoreRecord> ReadRestoreRecord(const w98::Machine& m, const std::string& winDir);
// Deletes the record; a missing one is no error.
void ForgetRestoreRecord(w98::Machine& m, const std::string& winDir);

} // namespace korvane
