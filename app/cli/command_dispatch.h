#pragma once
// korvane list|show|create|restore|undo: the restore points from a terminal or a script,
// without a window. Dispatched before any QApplication exists, so that no display is needed.
namespace korvane::cli {

// True when the arguments name one of the commands.
bool NamesCommand(int argc, char** argv);

// Runs the command; the exit status: 0 done, 1 refused or failed, 2 a usage error.
int RunCommand(int argc, char** argv);

} // namespace korvane::cli
