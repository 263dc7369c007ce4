#pragma once
// What a restore puts back: which files, from where in the point, to where on the system, in
// the order the MS-DOS job copies them. The job's lines, the preview and the restore made
// directly into a disk all follow this one plan, so that none of them can promise or do what
// the others do not.
#include "restore_point.h"

#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

enum class RestoreTarget { BootRoot, WindowsFolder };

struct RestoreFile {
    std::string from; // a cabinet's entry name, or a file's name in the point's folder
    std::string name; // the name it gets on the system
    RestoreTarget to = RestoreTarget::WindowsFolder;
    // The job clears the copy's attributes before it copies: the file may be read-only, hidden
    // or a system file, which COPY would not overwrite.
    bool clearAttributesFirst = false;
    // Reaches the system through the clean-up, which copies the start-up file of the hand-over
    // folder (where the cabinet was unpacked) to C:\, not by a line of the job itself.
    bool handedOver = false;
    bool isRegistry() const;
};

struct RestorePlan {
    RestorePoint point;
    std::string winDir, bootDrive;
    bool cabinet = false;
    std::string source;             // the cabinet unpacked, or the system file of a pair
    std::vector<RestoreFile> files; // in the job's order
    // Where the file goes on the system: "C:\msdos.sys", "<winDir>\system.dat".
    std::string livePath(const RestoreFile& f) const;
    // A pair's file in the point's folder; a cabinet's entry has no path of its own.
    std::string sourcePath(const RestoreFile& f) const;
};

// The live files whose attributes the job clears before anything is copied, so that the copies
// can replace them: the registry files, Desktop.ini, MSDOS.SYS and IO.SYS.
const std::vector<RestoreFile>& ClearedLiveFiles();

// The cabinet a point restores from: a point moved aside at this start is found in "old".
std::string SourceCabinet(const RestorePoint& point);

// Every file a cabinet point puts back, whether the cabinet holds it or not: the job's copy
// of an entry the cabinet lacks finds nothing and changes nothing.
const std::vector<RestoreFile>& CabinetRestoreFiles();
// Every file a pair with this extension may put back; the plan keeps those that are there.
std::vector<RestoreFile> PairRestoreFiles(const std::string& extension);

// The plan for a point; a pair's optional files are looked for now.
RestorePlan PlanRestore(const w98::Machine& m, const RestorePoint& point, const std::string& winDir,
                        const std::string& bootDrive);

} // namespace korvane
