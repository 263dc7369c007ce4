#include "command_request.h"

#include "platform/machine.h"

#include <QCommandLineParser>
#include <QFile>

namespace korvane::cli {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

struct CommandShape {
    const char* name;
    const char* argument; // the positional argument's name in the usage line, or nullptr
    const char* description;
    bool json, yes, restart, file;
};

constexpr CommandShape kShapes[] = {
    {"list", nullptr, "按首页表格的顺序（最新的在前）列出还原点：编号、日期、附加说明、类型、文件。", true,
     false, false, false},
    {"show", "N", "显示还原到第 N 个还原点会改变什么（与首页表格下方的预览相同）。", true, false, false,
     true},
    {"create", nullptr, "现在建立一个系统还原点，与“可随时建立系统还原点...”相同。", false, false, false,
     false},
    {"restore", "N",
     "还原到第 N "
     "个还原点，与在首页表格中点击这一行相同。硬盘映像立即还原；机器文件夹则安排在下次启动时还原。",
     false, true, true, true},
    {"undo", nullptr, "撤销上一次还原：还原到最新的“系统还原前的备份”。", false, true, true, false},
};

const CommandShape& shapeOf(const QString& command) {
    for (const CommandShape& s : kShapes)
        if (command == QLatin1String(s.name))
            return s;
    throw UsageError("未知的命令");
}

} // namespace

std::optional<QString> CommandNamed(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--"))
            return std::nullopt;
        // The window's options that take a value: theirs is no command.
        if (a == QLatin1String("--machine") || a == QLatin1String("-platform") ||
            a == QLatin1String("-style")) {
            ++i;
            continue;
        }
        if (a.startsWith(QLatin1Char('-')))
            continue;
        for (const char* c : kCommands)
            if (a == QLatin1String(c))
                return a;
        return std::nullopt;
    }
    return std::nullopt;
}

CommandRequest ReadCommandRequest(const QStringList& arguments, const QString& command) {
    const CommandShape& shape = shapeOf(command);
    QCommandLineParser parser;
    parser.setApplicationDescription(U(shape.description));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, U("显示这个命令的说明。"));
    const QCommandLineOption machine(
        QStringLiteral("machine"),
        U("要操作的机器：文件夹、虚拟机的硬盘文件或硬盘设备，优先于 WIN98_MACHINE。"),
        QStringLiteral("DIR|FILE|DEVICE"));
    const QCommandLineOption json(QStringLiteral("json"), U("以 JSON 输出（日期另附 ISO 8601 格式）。"));
    const QCommandLineOption yes({QStringLiteral("y"), QStringLiteral("yes")}, U("不询问，直接还原。"));
    const QCommandLineOption restart(QStringLiteral("restart"),
                                     U("机器文件夹：安排好还原后立即重新启动，完成还原。"));
    const QCommandLineOption file(QStringLiteral("file"),
                                  U("按文件指定还原点，如 C:\\WINDOWS\\SYSBCKUP\\RB003.CAB。"),
                                  QStringLiteral("FILE"));
    parser.addOption(help);
    parser.addOption(machine);
    if (shape.json)
        parser.addOption(json);
    if (shape.yes)
        parser.addOption(yes);
    if (shape.restart)
        parser.addOption(restart);
    if (shape.file)
        parser.addOption(file);
    if (shape.argument)
        parser.addPositionalArgument(QString::fromUtf8(shape.argument), U("还原点在 korvane list 中的编号。"),
                                     QStringLiteral("[N]"));

    if (!parser.parse(arguments))
        throw UsageError(parser.errorText().toStdString());
    CommandRequest r;
    r.command = command;
    r.help = parser.isSet(help);
    // The usage line names the program as it is typed, not by the path it was started from.
    r.helpText = parser.helpText()
                     .replace(arguments.value(0), QStringLiteral("korvane"))
                     .replace(U("[选项]"), command + U(" [选项]"));
    if (r.help)
        return r;
    r.json = shape.json && parser.isSet(json);
    r.yes = shape.yes && parser.isSet(yes);
    r.restart = shape.restart && parser.isSet(restart);
    if (shape.file && parser.isSet(file))
        r.file = parser.value(file);

    QStringList words = parser.positionalArguments();
    words.removeOne(command);
    const bool wantsPoint = shape.argument != nullptr;
    if (words.size() > (wantsPoint ? 1 : 0))
        throw UsageError(U("多余的参数“%1”。").arg(words.back()).toStdString());
    if (wantsPoint) {
        if (words.isEmpty() && r.file.isEmpty())
            throw UsageError(
                U("请指定还原点：它在 korvane list 中的编号，或 --file 还原点的文件。").toStdString());
        if (!words.isEmpty() && !r.file.isEmpty())
            throw UsageError(U("还原点的编号和 --file 只能指定一个。").toStdString());
        if (!words.isEmpty()) {
            bool ok = false;
            const int n = words.front().toInt(&ok);
            if (!ok || n < 1)
                throw UsageError(U("“%1”不是还原点的编号：编号是 korvane list 第一列的正整数。")
                                     .arg(words.front())
                                     .toStdString());
            r.number = n;
        }
    }
    if (parser.isSet(machine)) {
        if (parser.value(machine).isEmpty())
            throw UsageError(
                U("选项 --machine 需要机器所在的文件夹、虚拟机的硬盘文件或旧电脑硬盘的设备。").toStdString());
        r.machine = std::filesystem::absolute(QFile::encodeName(parser.value(machine)).toStdString());
    } else {
        r.machine = w98::Machine::defaultRoot();
    }
    return r;
}

} // namespace korvane::cli
