// Korvane's command line inside the process: the machine it chooses, what it refuses, when a
// display is there, and the Chinese of Qt's own parser texts.
#include "app/command_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <filesystem>

using korvane::CommandLine;

class CommandLineTest : public QObject {
    Q_OBJECT

  private:
    static QStringList args(std::initializer_list<const char*> list) {
        QStringList out{QStringLiteral("korvane")};
        for (const char* a : list)
            out.append(QString::fromUtf8(a));
        return out;
    }

  private Q_SLOTS:
    void cleanup() {
        qunsetenv("WIN98_MACHINE");
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    void machineOptionOverridesTheEnvironment() {
        qputenv("WIN98_MACHINE", "/srv/from-environment");
        CommandLine withOption;
        QVERIFY(withOption.parser().parse(args({"--machine", "/srv/from-option"})));
        QCOMPARE(withOption.problem(), QString());
        QCOMPARE(withOption.machineRoot(), std::filesystem::path("/srv/from-option"));

        CommandLine withoutOption;
        QVERIFY(withoutOption.parser().parse(args({})));
        QCOMPARE(withoutOption.machineRoot(), std::filesystem::path("/srv/from-environment"));

        CommandLine equalsForm;
        QVERIFY(equalsForm.parser().parse(args({"--machine=/srv/equals"})));
        QCOMPARE(equalsForm.machineRoot(), std::filesystem::path("/srv/equals"));
    }

    void relativeMachineIsTakenFromTheCurrentFolder() {
        // The machine's folder is handed to w98 children that may start elsewhere.
        CommandLine cl;
        QVERIFY(cl.parser().parse(args({"--machine", "my98"})));
        QCOMPARE(cl.machineRoot(), std::filesystem::current_path() / "my98");
        QVERIFY(cl.machineRoot().is_absolute());
    }

    void machineFolderWithChineseName() {
        CommandLine cl;
        QVERIFY(cl.parser().parse(args({"--machine", "/srv/旧电脑"})));
        QCOMPARE(cl.machineRoot(), std::filesystem::path(u8"/srv/旧电脑"));
    }

    void wrongArgumentsAreRefused() {
        CommandLine empty;
        QVERIFY(empty.parser().parse(args({"--machine", ""})));
        QCOMPARE(
            empty.problem(),
            QString::fromUtf8("选项 --machine 需要机器所在的文件夹、虚拟机的硬盘文件或旧电脑硬盘的设备。"));

        CommandLine extra;
        QVERIFY(extra.parser().parse(args({"C:\\WINDOWS"})));
        QCOMPARE(extra.problem(), QString::fromUtf8("多余的参数“C:\\WINDOWS”：korvane 只接受选项。"));

        CommandLine missing;
        QVERIFY(!missing.parser().parse(args({"--machine"})));
        CommandLine unknown;
        QVERIFY(!unknown.parser().parse(args({"--restore-now"})));
    }

    void displayComesFromTheEnvironmentOrThePlatformOption() {
        const QByteArray display = qgetenv("DISPLAY"), wayland = qgetenv("WAYLAND_DISPLAY");
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
        QVERIFY(!korvane::displayAvailable(args({"--machine", "/srv/m"})));
        QVERIFY(korvane::displayAvailable(args({"-platform", "offscreen"})));
        QVERIFY(korvane::displayAvailable(args({"--platform=xcb"})));
        QVERIFY(!korvane::displayAvailable(args({"--", "-platform"})));
        qputenv("DISPLAY", ":7");
        QVERIFY(korvane::displayAvailable(args({})));
        qunsetenv("DISPLAY");
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        QVERIFY(korvane::displayAvailable(args({})));
        qunsetenv("WAYLAND_DISPLAY");
        if (!display.isEmpty())
            qputenv("DISPLAY", display);
        if (!wayland.isEmpty())
            qputenv("WAYLAND_DISPLAY", wayland);
    }

    void parserTextsAreChinese() {
        korvane::CommandLineTexts texts;
        QCoreApplication::installTranslator(&texts);
        const auto tr = [](const char* source) {
            return QCoreApplication::translate("QCommandLineParser", source);
        };
        QCOMPARE(tr("Usage: %1"), QString::fromUtf8("用法：%1"));
        QCOMPARE(tr("Options:"), QString::fromUtf8("选项："));
        QCOMPARE(tr("Displays version information."), QString::fromUtf8("显示版本信息。"));
        QCOMPARE(tr("Unknown option '%1'."), QString::fromUtf8("未知的选项“%1”。"));
        QCOMPARE(tr("Missing value after '%1'."), QString::fromUtf8("选项“%1”后面缺少值。"));
        // Every other text of the program is left as it is.
        QCOMPARE(QCoreApplication::translate("QMessageBox", "Options:"), QStringLiteral("Options:"));
        QCOMPARE(tr("A text Qt may add one day"), QStringLiteral("A text Qt may add one day"));

        // The parser's own error, as the user reads it.
        CommandLine cl;
        QVERIFY(!cl.parser().parse(args({"--bogus"})));
        QCOMPARE(cl.parser().errorText(), QString::fromUtf8("未知的选项“bogus”。"));
        QCoreApplication::removeTranslator(&texts);
    }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
