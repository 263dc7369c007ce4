// The command line and the window on the same machines: `korvane list --json` holds exactly the
// rows the first page shows, on a machine folder, a raw disk image and the same disk as a VDI;
// `korvane restore N --yes` leaves a raw image as a click on row N leaves its copy.
#include "app/main_window.h"
#include "demo/demo_machine.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "restore/restore_table.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/app/window_harness.h"
#include "tests/support/demo_image.h"
#include "tests/support/fakes.h"
#include "tests/support/fat_tools.h"
#include "tests/support/temp_machine.h"
#include "ui/dialogs.h"
#include "ui/memo.h"
#include "ui/text_grid.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace korvane;
using namespace korvane::test;
namespace fs = std::filesystem;

namespace {

struct Command {
    int exitCode = -1;
    QByteArray out, err;
};

// korvane, as a script runs it beside this test, without a display.
Command runKorvane(const QStringList& arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/korvane"), arguments);
    if (!p.waitForFinished(120000))
        qFatal("korvane %s did not end", qPrintable(arguments.join(QLatin1Char(' '))));
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// The window on a machine, with its own seams.
struct WindowOn {
    w98::Machine machine;
    w98::SystemClock clock;
    RecordingShell shell;
    RecordingPower power;
    ui::ScriptedDialogs dialogs;
    System system{machine, clock, shell, power};
    TForm1 window{system, dialogs};

    explicit WindowOn(const fs::path& root) : machine(root) {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the window did not show");
    }
    ui::TextGrid* grid() { return window.findChild<ui::TextGrid*>(QStringLiteral("StringGrid1")); }
};

QPoint rowCentre(ui::TextGrid* grid, int row) {
    return {grid->columnViewportPosition(1) + 10, grid->rowViewportPosition(row) + grid->rowHeight(row) / 2};
}

} // namespace

class CommandLineAgreementTest : public QObject {
    Q_OBJECT

    fs::path folder_ = makeTempFolder("korvane-cli-agree");
    fs::path demo_ = folder_ / "m";
    fs::path raw_ = folder_ / "demo.img";
    fs::path vdi_ = folder_ / "demo.vdi";

  private Q_SLOTS:
    void initTestCase() {
        // The images' working copies belong to this test, and so do those of its korvane.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(QString::fromStdString((folder_ / "cache").string())));
        w98::createDemoMachine(demo_);
        makeImageOfMachine(raw_, FatKind::Fat32, 40, demo_);
        QCOMPARE(QProcess::execute(QStringLiteral("qemu-img"),
                                   {QStringLiteral("convert"), QStringLiteral("-f"), QStringLiteral("raw"),
                                    QStringLiteral("-O"), QStringLiteral("vdi"), QString::fromStdString(raw_),
                                    QString::fromStdString(vdi_)}),
                 0);
    }
    void cleanupTestCase() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    void listHoldsTheRowsOfTheFirstPage_data() {
        QTest::addColumn<QString>("machine");
        QTest::newRow("folder") << QString::fromStdString(demo_);
        QTest::newRow("raw image") << QString::fromStdString(raw_);
        QTest::newRow("VDI") << QString::fromStdString(vdi_);
    }
    void listHoldsTheRowsOfTheFirstPage() {
        QFETCH(QString, machine);
        const Command list = runKorvane(
            {QStringLiteral("--machine"), machine, QStringLiteral("list"), QStringLiteral("--json")});
        QCOMPARE(list.exitCode, 0);
        const QJsonArray points = QJsonDocument::fromJson(list.out).array();
        WindowOn w(machine.toStdString());
        const TextTable& table = w.grid()->table();
        QCOMPARE(points.size(), 9);
        QCOMPARE(table.rowCount() - 1, points.size());
        for (int row = 1; row < table.rowCount(); ++row) {
            const QJsonObject p = points[row - 1].toObject();
            auto cell = [&](int c) { return QString::fromStdString(table.cell(c, row)); };
            QCOMPARE(QString::number(p[QStringLiteral("number")].toInt()), cell(restore_col::kNumber));
            QCOMPARE(p[QStringLiteral("date")].toString(), cell(restore_col::kDate));
            QCOMPARE(p[QStringLiteral("note")].toString(), cell(restore_col::kNote));
            QCOMPARE(p[QStringLiteral("file")].toString(),
                     cell(restore_col::kFolder) + QLatin1Char('\\') + cell(restore_col::kFileName));
        }
        QCOMPARE(points[3].toObject()[QStringLiteral("note")].toString(), u8("系统还原前的备份"));
        // Again, with the disk's working folder as the window left it.
        const Command again = runKorvane(
            {QStringLiteral("--machine"), machine, QStringLiteral("list"), QStringLiteral("--json")});
        QCOMPARE(again.out, list.out);
    }

    void showNamesWhatThePreviewUnderThePointerNames_data() {
        QTest::addColumn<QString>("machine");
        QTest::newRow("folder") << QString::fromStdString(demo_);
        QTest::newRow("VDI") << QString::fromStdString(vdi_);
    }
    void showNamesWhatThePreviewUnderThePointerNames() {
        QFETCH(QString, machine);
        const Command show =
            runKorvane({QStringLiteral("--machine"), machine, QStringLiteral("show"), QStringLiteral("3")});
        QVERIFY2(show.exitCode == 0, show.err.constData());
        WindowOn w(machine.toStdString());
        hover(w.grid()->viewport(), rowCentre(w.grid(), 3));
        auto* memo = w.window.findChild<ui::Memo*>(QStringLiteral("MemoPreview"));
        QTRY_VERIFY_WITH_TIMEOUT(!memo->lines().join(QString()).contains(u8("正在与现在的系统比较")), 60000);
        QCOMPARE(QString::fromUtf8(show.out).trimmed(), memo->lines().join(QLatin1Char('\n')).trimmed());
        QVERIFY(show.out.startsWith(u8("还原到 ").toUtf8()));
    }

    void restoreArmsOnAFolderTheJobTheClickArms() {
        const fs::path clicked = folder_ / "clicked";
        const fs::path typed = folder_ / "typed";
        for (const fs::path& copy : {clicked, typed})
            QCOMPARE(
                QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), QString::fromStdString(demo_),
                                                         QString::fromStdString(copy)}),
                0);
        {
            WindowOn w(clicked);
            hover(w.grid()->viewport(), rowCentre(w.grid(), 3));
            click(w.grid()->viewport(), rowCentre(w.grid(), 3));
            QCOMPARE(w.power.calls.size(), size_t(1));
            w.window.close(); // as the restart closes it
        }
        const Command restore =
            runKorvane({QStringLiteral("--machine"), QString::fromStdString(typed), QStringLiteral("restore"),
                        QStringLiteral("3"), QStringLiteral("--yes")});
        QVERIFY2(restore.exitCode == 0, restore.err.constData());
        w98::Machine byClick(clicked);
        w98::Machine byCommand(typed);
        for (const char* file : {"C:\\dosrun.bat", "C:\\AUTOEXEC.BAT", "C:\\AUTOEXEC.BEI"})
            QCOMPARE(byCommand.readTextLines(file), byClick.readTextLines(file));
        QCOMPARE(byCommand.list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size(), size_t(2));
        QCOMPARE(byClick.list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size(), size_t(2));
        // The MS-DOS policy as the window leaves it at its close.
        const char* policy = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp";
        for (const char* value : {"Disabled", "old"})
            QCOMPARE(ReadRegInt(byCommand, w98::kHkeyCurrentUser, policy, value),
                     ReadRegInt(byClick, w98::kHkeyCurrentUser, policy, value));
    }

    void restoreLeavesARawImageAsTheClickLeavesItsCopy() {
        // Both start from the disk as the window leaves it after its start.
        const fs::path clicked = folder_ / "clicked.img";
        const fs::path typed = folder_ / "typed.img";
        fs::copy_file(raw_, clicked);
        {
            WindowOn w(clicked);
            w.machine.commit();
        }
        fs::copy_file(clicked, typed);
        {
            WindowOn w(clicked);
            hover(w.grid()->viewport(), rowCentre(w.grid(), 3));
            click(w.grid()->viewport(), rowCentre(w.grid(), 3));
            QCOMPARE(w.dialogs.messages().size(), size_t(1));
            QVERIFY2(w.dialogs.messages()[0].text.startsWith(u8("系统还原已经完成：")),
                     qPrintable(w.dialogs.messages()[0].text));
            w.machine.commit();
        }
        const Command restore =
            runKorvane({QStringLiteral("--machine"), QString::fromStdString(typed), QStringLiteral("restore"),
                        QStringLiteral("3"), QStringLiteral("--yes")});
        QVERIFY2(restore.exitCode == 0, restore.err.constData());
        QVERIFY2(QString::fromUtf8(restore.out).startsWith(u8("系统还原已经完成：")),
                 restore.out.constData());
        QCOMPARE(fsckFatProblems(typed), std::string());
        QCOMPARE(fsckFatProblems(clicked), std::string());
        const auto typedFiles = mtoolsListing(typed);
        const auto clickedFiles = mtoolsListing(clicked);
        QCOMPARE(typedFiles.size(), clickedFiles.size());
        for (std::size_t i = 0; i < typedFiles.size(); ++i)
            QVERIFY2(typedFiles[i] == clickedFiles[i], typedFiles[i].path.c_str());
    }

    void aRefusedRestoreLeavesTheImageByteForByte() {
        const fs::path image = folder_ / "refused.img";
        fs::copy_file(raw_, image);
        const QByteArray before = QByteArray::fromStdString(readBytes(image));
        const Command unknown =
            runKorvane({QStringLiteral("--machine"), QString::fromStdString(image), QStringLiteral("restore"),
                        QStringLiteral("12"), QStringLiteral("--yes")});
        QCOMPARE(unknown.exitCode, 1);
        QCOMPARE(QString::fromUtf8(unknown.err).trimmed(),
                 u8("korvane: 没有编号为 12 的还原点：这台机器共有 9 个还原点（korvane list 列出它们）。"));
        const Command unasked =
            runKorvane({QStringLiteral("--machine"), QString::fromStdString(image), QStringLiteral("undo")});
        QCOMPARE(unasked.exitCode, 2);
        QVERIFY(unknown.out.isEmpty() && unasked.out.isEmpty());
        QVERIFY(QByteArray::fromStdString(readBytes(image)) == before);
    }
};

QTEST_MAIN(CommandLineAgreementTest)
#include "command_line_agreement_test.moc"
