#pragma once
// The demo machine: a realistic Windows 98 SE installation created where no machine exists.
#include <filesystem>

namespace w98 {

class Machine;

// Creates the demo machine in root, which must not exist yet. It is built in a folder
// beside root and renamed into place, so that an interrupted creation leaves no half machine.
void createDemoMachine(const std::filesystem::path& root);

// Creates the demo machine when root does not exist; throws Error when root exists but
// cannot be used as a machine folder, or names a device or disk image that is not there.
void ensureMachine(const std::filesystem::path& root);

} // namespace w98
