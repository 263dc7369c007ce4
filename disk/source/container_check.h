#pragma once
// A container judged by QEMU's own checker before a session first writes into it: the export
// would write through whatever damage its tables have (a block map pointing twice at one
// block, a header with a flipped bit), and spread it over files nobody touched. A container
// shorter than its own header says is refused before any of its data is read.
#include "disk_source.h"

namespace w98::disk {

// Throws Error naming the container, with qemu-img check's own words, when QEMU finds it
// damaged or cannot read it; a format QEMU has no check for, or one only leaking space,
// passes. Without qemu-img on the computer the check is left to the export.
void checkContainer(const DiskSource& source);

} // namespace w98::disk
