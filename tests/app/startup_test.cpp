// Start-up and close of the main window against temporary machines.
#include "app/main_window.h"
#include "platform/clock.h"
#include "registry/registry.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/temp_machine.h"
#include "ui/dialogs.h"
#include "ui/text_grid.h"

#include <QLabel>
#include <QTabWidget>
#include <QtTest>

using namespace korvane;
using korvane::test::TempMachine;

namespace {
constexpr auto HKCU = w98::kHkeyCurrentUser;
constexpr const char* kKey = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp";

struct Harness {
    explicit Harness(test::TempMachineOptions o = {}) : tm(o) {}
    TempMachine tm;
    w98::FixedClock clock{w98::DateTime{2002, 5, 17, 9, 30, 0}};
    test::RecordingShell shell;
    test::RecordingPower power;
    ui::ScriptedDialogs dialogs;
    System system{tm.machine(), clock, shell, power};
    std::unique_ptr<TForm1> open() { return std::make_unique<TForm1>(system, dialogs); }
    int value(const char* name) { return ReadRegInt(tm.machine(), HKCU, kKey, name); }
};
} // namespace

class StartupTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void disabledAtStartComesBackAtClose() {
        Harness h;
        WriteRegInt(h.tm.machine(), HKCU, kKey, "Disabled", 1);
        auto w = h.open();
        QCOMPARE(h.value("old"), 1);
        QCOMPARE(h.value("Disabled"), 0);
        w->close();
        QCOMPARE(h.value("Disabled"), 1);
        QCOMPARE(h.value("old"), 1);
        QVERIFY(h.dialogs.messages().empty());
    }

    void missingValuesAreCreatedAsZero() {
        Harness h;
        auto w = h.open();
        QCOMPARE(h.value("Disabled"), 0);
        QCOMPARE(h.value("old"), 0);
        w->close();
        QCOMPARE(h.value("Disabled"), 0);
        QCOMPARE(h.value("old"), 0);
    }

    void otherNumbersDoNotCountAsDisabled() {
        Harness h;
        WriteRegInt(h.tm.machine(), HKCU, kKey, "Disabled", 5);
        auto w = h.open();
        QCOMPARE(h.value("old"), 0);
        QCOMPARE(h.value("Disabled"), 5);
        w->close();
        QCOMPARE(h.value("Disabled"), 0);
    }

    void closingTwiceRunsTheCloseOnce() {
        Harness h;
        auto w = h.open();
        w->close();
        WriteRegInt(h.tm.machine(), HKCU, kKey, "old", 1);
        w->close();
        QCOMPARE(h.value("Disabled"), 0);
    }

    void notWindows98WarnsOnceAndGoesOn() {
        Harness h({.windows98 = false});
        WriteRegStr(h.tm.machine(), w98::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                    "SystemRoot", "C:\\WINDOWS");
        auto w = h.open();
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(
            h.dialogs.messages()[0].text,
            QString::fromUtf8("非常抱歉！你的操作系统不是windows98，如果运行本软件，可能会碰上麻烦，请回吧"));
        auto* date = w->findChild<QLabel*>(QStringLiteral("Label1"));
        QVERIFY(date);
        QCOMPARE(date->text(), QString::fromUtf8("今天是:2002-5-17"));
    }

    void pathsFollowTheWindowsFolder() {
        Harness h({.windowsFolder = "D:\\WIN98", .drives = "C=fixed\nD=fixed\n"});
        auto w = h.open();
        QCOMPARE(QString::fromStdString(w->paths().WinDir), QStringLiteral("D:\\WIN98"));
        QCOMPARE(QString::fromStdString(w->paths().BootDrive), QStringLiteral("D:"));
        QCOMPARE(QString::fromStdString(w->paths().BackupDir), QStringLiteral("D:\\WIN98\\SYSBCKUP"));
        QVERIFY(!w->paths().ExeDir.empty());
        QVERIFY(!w->paths().ExeDir.ends_with('\\') && !w->paths().ExeDir.ends_with('/'));
    }

    void firstPageShowsAndDateLineUsesTheShortFormat() {
        Harness h;
        auto w = h.open();
        auto* pages = w->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QVERIFY(pages);
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet1"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Korvane V2.1"));
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QString::fromUtf8("今天是:2002-5-17"));

        // A clock that stands before 2000: the two-digit year is completed to 19xx.
        Harness old;
        old.clock.set({1999, 12, 31, 23, 0, 0});
        auto w1999 = old.open();
        QCOMPARE(w1999->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QString::fromUtf8("今天是:1999-12-31"));
    }

    // Without SystemRoot the Windows folder is unknown: start-up says, in Chinese, that a
    // path has no drive letter, and the window still shows the restore-point table.
    void aMachineWithoutSystemRootSaysSoInChineseAndShowsTheTable() {
        Harness h;
        h.tm.machine().registry().deleteValue(w98::kHkeyLocalMachine,
                                              "Software\\Microsoft\\Windows\\CurrentVersion", "SystemRoot");
        auto w = h.open();
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        const QString text = h.dialogs.messages()[0].text;
        QVERIFY2(text.contains(QString::fromUtf8("”不是带盘符的完整路径")), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("is not")), qPrintable(text));
        auto* grid = w->findChild<ui::TextGrid*>(QStringLiteral("StringGrid1"));
        QVERIFY(grid);
        const std::vector<std::string> captions{"可选项", "还原到..时间以前", "附加说明"};
        for (int c = 0; c < 3; ++c)
            QCOMPARE(QString::fromStdString(grid->table().cell(c, 0)),
                     QString::fromUtf8(captions[static_cast<std::size_t>(c)].c_str()));
    }

    void aBrokenRegistryStopsStartUpWithOneMessageAndTheWindowOpens() {
        Harness h;
        const std::string broken = "not a registry\r\n";
        h.tm.machine().writeFile("C:\\WINDOWS\\USER.DAT", broken);
        auto w = h.open();
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QVERIFY(h.dialogs.messages()[0].text.contains(QStringLiteral("USER.DAT")));
        QVERIFY(h.dialogs.messages()[0].text.contains(QString::fromUtf8("第 1 行")));
        QVERIFY(w->isEnabled());
        w->close();
        QCOMPARE(h.tm.bytes("C:\\WINDOWS\\USER.DAT"), broken);
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
