#include "command_line.h"

#include "platform/machine.h"

#include <QFile>
#include <cstring>
#include <utility>

namespace korvane {
namespace {

// Source texts of Qt 6's QCommandLineParser and their Simplified Chinese.
constexpr std::pair<const char*, const char*> kParserTexts[] = {
    {"Usage: %1", "用法：%1"},
    {"[options]", "[选项]"},
    {"Options:", "选项："},
    {"Arguments:", "参数："},
    {"Displays help on commandline options.", "显示命令行选项的说明。"},
    {"Displays help including Qt specific options.", "显示命令行选项的说明，包括 Qt 自身的选项。"},
    {"Displays version information.", "显示版本信息。"},
    {"Unknown option '%1'.", "未知的选项“%1”。"},
    {"Unknown options: %1.", "未知的选项：%1。"},
    {"Missing value after '%1'.", "选项“%1”后面缺少值。"},
    {"Unexpected value after '%1'.", "选项“%1”后面不应有值。"},
};

} // namespace

QString CommandLineTexts::translate(const char* context, const char* sourceText, const char*, int) const {
    if (!context || !sourceText || std::strcmp(context, "QCommandLineParser") != 0)
        return {};
    for (const auto& [source, text] : kParserTexts)
        if (std::strcmp(source, sourceText) == 0)
            return QString::fromUtf8(text);
    return {};
}

bool displayAvailable(const QStringList& arguments) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--"))
            break;
        if (a == QLatin1String("-platform") || a == QLatin1String("--platform") ||
            a.startsWith(QLatin1String("-platform=")) || a.startsWith(QLatin1String("--platform=")))
            return true;
    }
    return false;
}

CommandLine::CommandLine()
    : machine_(QStringLiteral("machine"),
               QString::fromUtf8("要修复的 Windows 98 机器所在的文件夹，或虚拟机的硬盘文件"
                                 "（原始映像、VHD、VDI、VMDK、qcow2、VHDX；先关闭虚拟机），"
                                 "或旧电脑硬盘的设备（如 /dev/sdb，先卸载），优先于环境变量 WIN98_MACHINE；"
                                 "不存在的文件夹会建成演示机器。"),
               QStringLiteral("DIR|FILE|DEVICE")) {
    parser_.setApplicationDescription(QString::fromUtf8(
        "把出了故障的 Windows 98 还原到以前能正常工作的状态。\n"
        "不指定 --machine 时，使用环境变量 WIN98_MACHINE 所指的机器，"
        "没有这个变量时使用 $XDG_DATA_HOME/korvane/machine（通常是 ~/.local/share/korvane/machine）。\n\n"
        "不打开窗口、在终端或脚本里使用的命令（korvane 命令 --help 说明每个命令）：\n"
        "  list              按首页表格的顺序列出还原点（--json 输出 JSON）\n"
        "  show N            还原到第 N 个还原点会改变什么（--json 输出 JSON）\n"
        "  create            现在建立一个系统还原点\n"
        "  restore N         还原到第 N 个还原点（--yes 不询问；--file 按文件指定还原点）\n"
        "  undo              还原到最新的“系统还原前的备份”\n\n"
        "例如：\n"
        "  korvane --machine ~/my98 list\n"
        "  korvane --machine ~/win98.vdi restore 2 --yes\n"
        "  korvane restore --file 'C:\\WINDOWS\\SYSBCKUP\\RB003.CAB' --yes\n"
        "退出状态：0 完成，1 被拒绝或失败（原因写在标准错误），2 命令行用法错误。"));
    parser_.addHelpOption();
    parser_.addVersionOption();
    parser_.addOption(machine_);
}

QString CommandLine::problem() const {
    const QStringList extra = parser_.positionalArguments();
    if (!extra.isEmpty())
        return QString::fromUtf8("多余的参数“%1”：korvane 只接受选项。").arg(extra.front());
    if (parser_.isSet(machine_) && parser_.value(machine_).isEmpty())
        return QString::fromUtf8("选项 --machine 需要机器所在的文件夹、虚拟机的硬盘文件或旧电脑硬盘的设备。");
    return {};
}

std::filesystem::path CommandLine::machineRoot() const {
    if (parser_.isSet(machine_)) {
        const std::filesystem::path given(QFile::encodeName(parser_.value(machine_)).toStdString());
        return std::filesystem::absolute(given);
    }
    return w98::Machine::defaultRoot();
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

} // namespace korvane
