#pragma once
// A command that changes the machine does so as the window would between its start and its
// close: with the MS-DOS policy lifted, and put back afterwards unless a registry was put back
// meanwhile (a point's registry keeps what the point holds).
#include "command_session.h"

#include "app/startup.h"

#include <utility>

namespace korvane::cli {

class PolicyLifted {
  public:
    explicit PolicyLifted(CommandSession& session) : session_(session) {
        if (!session.machine().canWrite())
            return; // nothing can go in: the command is refused at its first write
        LiftMsDosPolicy(session.machine());
        lifted_ = true;
    }
    // Before the commit, that the disk takes the policy put back with the rest.
    void putBack() {
        if (std::exchange(lifted_, false) && !session_.system().registryReplaced)
            RestoreMsDosPolicy(session_.machine());
    }
    // A command that failed leaves the policy as the window's close would.
    ~PolicyLifted() {
        try {
            putBack();
        } catch (...) {
            // What failed first is what the command reports.
        }
    }
    PolicyLifted(const PolicyLifted&) = delete;
    PolicyLifted& operator=(const PolicyLifted&) = delete;

  private:
    CommandSession& session_;
    bool lifted_ = false;
};

} // namespace korvane::cli
