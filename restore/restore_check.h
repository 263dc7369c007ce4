#pragma once
// Before a restore arms anything, the chosen point is checked the way the MS-DOS job will use
// it: a cabinet must unpack whole and hold system.dat and user.dat, a file pair must have both
// files, and the registry files must be readable as registries. A point that fails is refused
// with a message saying what is wrong; nothing has been written by then.
#include "base/error.h"
#include "platform/cabinet.h"
#include "registry/registry_tree.h"
#include "restore_plan.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

// A restore point that passed both checks, with the registry files the job will put in place.
struct CheckedRestorePoint {
    RestorePlan plan;
    std::string systemDat;
    std::string userDat;
};

// The key trees of a pair of registry files.
struct RegistryTrees {
    std::unique_ptr<w98::regtree::Key> system; // HKEY_LOCAL_MACHINE
    std::unique_ptr<w98::regtree::Key> user;   // HKEY_USERS
};

// What the check read of a point besides the registry files' bytes.
struct PointContents {
    RegistryTrees registry;
    std::vector<w98::CabEntry> cabinetFiles; // a cabinet's other entries (start-up files and more)
};

// A restore point that cannot be restored. what() is the whole message for the user; mark()
// is the short text the table shows in the point's note.
class UnusableRestorePoint : public w98::Error {
  public:
    UnusableRestorePoint(const std::string& problem, std::string mark);
    const std::string& mark() const { return mark_; }

  private:
    std::string mark_;
};

// Checks the files of a planned restore (CheckRestorable made the plan). Reads only; throws
// UnusableRestorePoint. contents, when given, receives what the check read.
CheckedRestorePoint CheckRestorePoint(const w98::Machine& m, RestorePlan plan,
                                      PointContents* contents = nullptr);

// Throws w98::Error (the registry's own message) unless both texts read as registry files
// of the machine's registry, in either form; names say what the errors call them.
RegistryTrees ReadRegistryTrees(const std::string& systemDat, const std::string& systemName,
                                const std::string& userDat, const std::string& userName);
inline void CheckReadableRegistry(const std::string& systemDat, const std::string& systemName,
                                  const std::string& userDat, const std::string& userName) {
    ReadRegistryTrees(systemDat, systemName, userDat, userName);
}

} // namespace korvane
