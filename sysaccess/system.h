#pragma once
// What the program reaches of the computer it runs on: the machine (files, registry,
// programs), its clock, its shell and its power switch. Each is a seam that tests replace.
namespace w98 {
class Machine;
class Clock;
class Shell;
class Power;
} // namespace w98

namespace korvane {

struct System {
    w98::Machine& machine;
    const w98::Clock& clock;
    w98::Shell& shell;
    w98::Power& power;
    // A restore made at once put the point's registry in place: it stays as the point had it,
    // and the close leaves the MS-DOS policy alone.
    bool registryReplaced = false;
};

} // namespace korvane
