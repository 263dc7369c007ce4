#pragma once
// A command given on korvane's command line (korvane list|show|create|restore|undo), as read
// from the arguments. The commands run without a window or a display.
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <stdexcept>

namespace korvane::cli {

// The words that make korvane a command-line program instead of a window.
inline constexpr const char* kCommands[] = {"list", "show", "create", "restore", "undo"};

// A command line that asks for nothing the command can do: the message, exit status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct CommandRequest {
    QString command;
    std::filesystem::path machine; // --machine, else WIN98_MACHINE, else the default folder
    std::optional<int> number;     // the point's number in `korvane list`
    QString file;                  // or the point's file: --file 'C:\WINDOWS\SYSBCKUP\RB003.CAB'
    bool json = false;
    bool yes = false;
    bool restart = false;
    bool help = false;
    QString helpText; // the command's own help
};

// The command a command line names: the first word that is no option nor an option's value;
// nullopt when it names none of kCommands (the window then reads the arguments).
std::optional<QString> CommandNamed(const QStringList& arguments);

// Reads the command's arguments; throws UsageError.
CommandRequest ReadCommandRequest(const QStringList& arguments, const QString& command);

} // namespace korvane::cli
