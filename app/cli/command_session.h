#pragma once
// What every command works on: the machine opened as the window opens it (a disk is locked
// against every other program while it is open), its clock, shell and power switch, the paths
// start-up fixes, and the restore points as the first page lists them. Opening writes nothing.
#include "platform/clock.h"
#include "platform/machine.h"
#include "platform/power.h"
#include "platform/shell.h"
#include "restore/restore_listing.h"
#include "restore/restore_point.h"
#include "sysaccess/shared_paths.h"
#include "sysaccess/system.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace korvane::cli {

struct CommandRequest;

// A restart asked for by a command is only noted: the command decides whether it takes place.
class NotedRestart final : public w98::Power {
  public:
    void exitWindows(std::uint32_t, std::uint32_t) override { requested_ = true; }
    bool requested() const { return requested_; }

  private:
    bool requested_ = false;
};

struct NumberedPoint {
    int number = 0; // in `korvane list`, from 1
    RestorePoint point;
};

class CommandSession {
  public:
    // Throws w98::Error when the machine does not exist, cannot be opened or is in use; a
    // missing folder is not made into a demo machine.
    CommandSession(const std::filesystem::path& machineRoot, w98::Machine::Use use);
    CommandSession(const CommandSession&) = delete;
    CommandSession& operator=(const CommandSession&) = delete;

    w98::Machine& machine() { return *machine_; }
    System& system() { return system_; }
    SharedPaths& paths() { return paths_; }
    NotedRestart& power() { return power_; }

    // The restore points, newest first, numbered from 1 as `korvane list` shows them: the
    // listing the first page shows. Each call scans the machine again.
    RestoreListing listedPoints();
    // The point of listed that a request names by number or by --file; throws w98::Error
    // naming what is listed.
    static NumberedPoint chosenPoint(const CommandRequest& request, const RestoreListing& listed);

    // A disk takes what the command changed as one step; nothing to do for a folder.
    void commit() { machine_->commit(); }

  private:
    std::unique_ptr<w98::Machine> machine_;
    w98::SystemClock clock_;
    std::unique_ptr<w98::HostShell> shell_;
    NotedRestart power_;
    System system_;
    SharedPaths paths_;
};

} // namespace korvane::cli
