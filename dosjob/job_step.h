#pragma once
// One step of a job MS-DOS runs before Windows loads, held as data, so that the same list is
// printed as the job's batch lines (job_step_lines.h) and carried out at once on a disk whose
// Windows is switched off (steps_at_once.h).
#include <string>
#include <utility>
#include <vector>

namespace korvane {

// A file or folder a step names: where it is on the machine, and how the line spells it.
struct StepPath {
    std::string path; // on the machine
    std::string word; // as the line spells it; empty: by its short path (DosPath)
};

enum class StepKind {
    Line,              // a line MS-DOS alone needs, written as it is: "@ECHO OFF", "c:", "win"
    ChangeToFolder,    // the target's drive, then "cd" with its short path
    ClearAttributes,   // attrib -s -h -r target
    SetSystemFile,     // attrib +s +h +r target
    Extract,           // extract /y /e /L target source: the cabinet source into the folder target
    Copy,              // copy source target, " /Y" when replace
    HandOver,          // the clean-up's copy of the hand-over folder's start-up file to C:\ .
    Delete,            // del target
    RenameWhenMissing, // if not exist target ren source target
    Import,            // regedit target, which holds the lines of text
};

struct JobStep {
    StepKind kind = StepKind::Line;
    StepPath target;
    StepPath source;
    std::vector<std::string> text; // Line: the line; Import: what the import holds
    bool replace = false;
    // False for a step whose work does not exist in a restore made at once: deleting what only
    // an armed job leaves, or changing what only the unpacked copy in the hand-over folder holds.
    bool atOnce = true;
};

inline JobStep MakeStep(StepKind kind, StepPath target, StepPath source = {}, bool replace = false) {
    JobStep s;
    s.kind = kind;
    s.target = std::move(target);
    s.source = std::move(source);
    s.replace = replace;
    return s;
}

inline JobStep LineStep(std::string line) {
    JobStep s;
    s.text = {std::move(line)};
    return s;
}

inline JobStep OnlyInMsDos(JobStep s) {
    s.atOnce = false;
    return s;
}

} // namespace korvane
