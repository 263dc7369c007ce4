#include "command_dispatch.h"

#include "command_output.h"
#include "command_request.h"
#include "command_session.h"
#include "commands.h"

#include "app/command_line.h"

#include <QCoreApplication>
#include <exception>

namespace korvane::cli {
namespace {

int run(CommandSession& session, const CommandRequest& request) {
    const QString& c = request.command;
    if (c == QLatin1String("list"))
        return ListPoints(session, request);
    if (c == QLatin1String("show"))
        return ShowPoint(session, request);
    if (c == QLatin1String("create"))
        return CreatePoint(session, request);
    return RestoreToPoint(session, request);
}

} // namespace

bool NamesCommand(int argc, char** argv) {
    return CommandNamed(argumentsOf(argc, argv)).has_value();
}

int RunCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane"));
    CommandLineTexts parserTexts;
    QCoreApplication::installTranslator(&parserTexts);
    const QStringList arguments = QCoreApplication::arguments();
    try {
        const CommandRequest request = ReadCommandRequest(arguments, *CommandNamed(arguments));
        if (request.help) {
            PrintLine(request.helpText.trimmed().toStdString());
            return 0;
        }
        const bool looks =
            request.command == QLatin1String("list") || request.command == QLatin1String("show");
        CommandSession session(request.machine, looks ? w98::Machine::Use::Look : w98::Machine::Use::Change);
        return run(session, request);
    } catch (const UsageError& e) {
        PrintError(e.what());
        PrintError("korvane --help 列出命令，korvane 命令 --help 说明一个命令。");
        return 2;
    } catch (const std::exception& e) {
        PrintError(e.what());
        return 1;
    } catch (...) {
        PrintError("未知错误");
        return 1;
    }
}

} // namespace korvane::cli
