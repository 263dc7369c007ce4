#pragma once
// The commands, each on a machine opened for it. They return the exit status (0 done, 1
// refused or failed) and throw w98::Error with the message the window shows when refused.
namespace korvane::cli {

class CommandSession;
struct CommandRequest;

int ListPoints(CommandSession& session, const CommandRequest& request);
int ShowPoint(CommandSession& session, const CommandRequest& request);
int CreatePoint(CommandSession& session, const CommandRequest& request);
// restore N, and undo: the newest pre-restore backup.
int RestoreToPoint(CommandSession& session, const CommandRequest& request);

} // namespace korvane::cli
