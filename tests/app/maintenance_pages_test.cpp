// The maintenance commands on their pages: explanations in Memo7 and Memo6, the double clicks
// that run, the jump from the hang-prevention page, the reinstall batch at start-up, the quick
// fixes.
#include "maintenance/driver_repair.h"
#include "maintenance/registry_rebuild.h"
#include "maintenance/reinstall.h"
#include "maintenance/setup_source.h"
#include "registry/registry.h"
#include "sysaccess/registry_values.h"
#include "tests/app/window_harness.h"
#include "ui/command_label.h"
#include "ui/memo.h"
#include "ui/page_control.h"
#include "ui/text_grid.h"

#include <QtTest>

using namespace korvane;
using namespace korvane::test;

namespace {

QStringList toLines(const std::vector<std::string>& lines) {
    QStringList out;
    for (const auto& l : lines)
        out << QString::fromStdString(l);
    return out;
}

void setSourcePath(w98::Machine& m, const std::string& path) {
    WriteRegStr(m, w98::kHkeyLocalMachine, kSetupKey, "SourcePath", path);
}

// A whole double click queued as the display delivers one: after whatever runs now.
void postDoubleClick(QWidget* w) {
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                            QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(
            w, new QMouseEvent(type, QPointF(4, 4), w->mapToGlobal(QPointF(4, 4)), Qt::LeftButton,
                               type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                               Qt::NoModifier));
}

void showPage(WindowHarness& h, const char* sheet) {
    h.find<ui::PageControl>("PageControl1")->ShowPage(h.find(sheet));
}

} // namespace

class MaintenancePagesTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void theHealthPageExplainsInMemo7() {
        WindowHarness h;
        h.open();
        showPage(h, "TabSheet3");
        auto* memo = h.find<ui::Memo>("Memo7");
        QVERIFY(!memo->isVisible());

        auto* clean = h.find<ui::CommandLabel>("LabelCleanRegistry");
        QCOMPARE(clean->toolTip(), u8("单击查看说明，双击直接运行"));
        click(clean);
        QVERIFY(memo->isVisible());
        QVERIFY(!h.find<ui::TextGrid>("StringGrid4")->isVisible());
        QCOMPARE(memo->lines(), toLines(RegistryRebuildExplanation("清理win98思想垃圾，提高工作效率")));

        auto* repair = h.find<ui::CommandLabel>("LabelRepairDrivers");
        QCOMPARE(repair->toolTip(), u8("点击查看说明，双击直接运行"));
        click(repair);
        QCOMPARE(memo->lines(), toLines(DriverRepairExplanation("降低40%非法操作和30%死机")));
        QCOMPARE(memo->lines().last(), u8("         ---请双击-->〔降低40%非法操作和30%死机〕"));
        QVERIFY(h.dialogs.messages().empty());
        QVERIFY(h.power.calls.empty());
    }

    void theHangPreventionLinkOpensTheHealthPageWithTheExplanation() {
        WindowHarness h;
        h.open();
        showPage(h, "TabSheet4");
        click(h.find<ui::CommandLabel>("LabelLowerHangs"));
        QCOMPARE(h.find<ui::PageControl>("PageControl1")->activePage(), h.find("TabSheet3"));
        auto* memo = h.find<ui::Memo>("Memo7");
        QVERIFY(memo->isVisible());
        QCOMPARE(memo->lines(), toLines(DriverRepairExplanation("降低40%非法操作和30%死机")));
        QVERIFY(!h.tm.machine().exists("C:\\WINDOWS\\98bug.bat"));
    }

    void aDoubleClickRebuildsTheRegistryThroughMsDosMode() {
        WindowHarness h;
        auto& m = h.tm.machine();
        m.writeFile("C:\\WINDOWS\\REGEDIT.EXE", "MZ");
        m.writeTextLines("C:\\AUTOEXEC.BAT", {"@ECHO OFF", "REM mine"});
        h.open();
        showPage(h, "TabSheet3");
        auto* clean = h.find<ui::CommandLabel>("LabelCleanRegistry");
        // Another double click, waiting while the rebuild runs, starts no second rebuild.
        postDoubleClick(clean);
        QTest::mouseDClick(clean, Qt::LeftButton, Qt::NoModifier, {4, 4});
        QCoreApplication::processEvents();

        QCOMPARE(h.find<ui::Memo>("Memo7")->lines(),
                 toLines(RegistryRebuildProgress("清理win98思想垃圾，提高工作效率")));
        QVERIFY(h.dialogs.messages().empty());
        QCOMPARE(h.power.calls.size(), size_t(1));
        QCOMPARE(m.readTextLines("C:\\dosrun.bat"), RegistryRebuildJobLines(m, "C:\\WINDOWS"));
        QVERIFY(m.isFile("C:\\reg.reg"));
        QCOMPARE(m.readTextLines("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat"),
                 (std::vector<std::string>{"@ECHO OFF", "REM mine"}));
    }

    void aFailedExportSaysSoAndDoesNotRestart() {
        WindowHarness h; // no registry editor on this machine
        h.open();
        showPage(h, "TabSheet3");
        QTest::mouseDClick(h.find<ui::CommandLabel>("LabelCleanRegistry"), Qt::LeftButton, Qt::NoModifier,
                           {4, 4});
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QVERIFY(h.dialogs.messages()[0].text.contains(u8("注册表没有导出成功")));
        QVERIFY(h.power.calls.empty());
        QVERIFY(!h.tm.machine().exists("C:\\dosrun.bat"));
    }

    void aDoubleClickOnTheDriverRepairAsksForTheCd() {
        WindowHarness h;
        setSourcePath(h.tm.machine(), "D:\\WIN98\\");
        h.open();
        showPage(h, "TabSheet3");
        h.dialogs.setNextConfirm(false);
        // Another double click, waiting while the repair runs, asks nothing more.
        postDoubleClick(h.find<ui::CommandLabel>("LabelRepairDrivers"));
        QTest::mouseDClick(h.find<ui::CommandLabel>("LabelRepairDrivers"), Qt::LeftButton, Qt::NoModifier,
                           {4, 4});
        QCoreApplication::processEvents();
        QCOMPARE(h.dialogs.confirmations(), QStringList{u8(kInsertSetupCd)});
        QCOMPARE(h.find<ui::Memo>("Memo7")->lines(),
                 toLines(DriverRepairExplanation("降低40%非法操作和30%死机")));
        QCOMPARE(h.tm.machine().readTextLines("C:\\WINDOWS\\98bug.bat"),
                 DriverRepairLines("C:\\WINDOWS", CdCabinets("D:\\")));
    }

    void restartAndTheStartupFolder() {
        WindowHarness h;
        h.open();
        showPage(h, "TabSheet3");
        click(h.find<ui::CommandLabel>("Label262"));
        QCOMPARE(h.power.calls.size(), size_t(1));
        QCOMPARE(h.power.calls[0].flags, 2u);
        QCOMPARE(h.power.calls[0].reason, 0u);

        click(h.find<ui::CommandLabel>("Label263"));
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(h.dialogs.messages()[0].text, u8("C:\\WINDOWS"));
        QCOMPARE(h.shell.opened, std::vector<std::string>{"C:\\WINDOWS\\Start Menu\\Programs\\启动"});
    }

    void theRenewalPageExplainsInMemo6AndWritesTheBatch() {
        WindowHarness h;
        auto& m = h.tm.machine();
        setSourcePath(m, "D:\\WIN98\\");
        WriteRegStr(m, w98::kHkeyLocalMachine, kCurrentVersionKey, "ProductKey",
                    "HCQ9D-TVCWX-X9QRG-J4B2Y-GR2TT");
        h.open();
        // Start-up wrote the start-up form.
        QCOMPARE(m.readTextLines("C:\\WINDOWS\\98.bat"), ReinstallStartupLines(m, "D:\\WIN98\\"));

        showPage(h, "TabSheet8");
        auto* memo = h.find<ui::Memo>("Memo6");
        QVERIFY(!memo->isVisible());
        click(h.find<ui::CommandLabel>("LabelReinstallSystem"));
        QVERIFY(memo->isVisible());
        QCOMPARE(memo->lines(), toLines(ReinstallExplanation("十分钟重装系统...", "D:\\WIN98\\", "D:\\")));
        QCOMPARE(memo->lines()[4], u8("〔无法进入windows〕：可将windows系统盘插入光驱，然后在dos下键入：98  "
                                      "然后回车即可重装win98 "));
        QCOMPARE(m.readTextLines("C:\\WINDOWS\\98.bat"), ReinstallClickLines(m, "D:\\WIN98\\"));

        click(h.find<ui::CommandLabel>("LabelProductKey"));
        QCOMPARE(memo->lines(), (QStringList{u8("查看win98安装光盘的密钥..."), QString(),
                                             u8("HCQ9D-TVCWX-X9QRG-J4B2Y-GR2TT")}));
        QVERIFY(h.dialogs.messages().empty());
    }

    void aSourcePathThatWouldBreakTheBatchIsToldAtStartUp() {
        WindowHarness h;
        setSourcePath(h.tm.machine(), "D:\\WIN98\\\r\nformat c:\r\n");
        h.open();
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QVERIFY(h.dialogs.messages()[0].text.contains(u8("SourcePath")));
        QVERIFY(!h.tm.machine().exists("C:\\WINDOWS\\98.bat"));
        QVERIFY(h.window->isVisible());
    }

    void theCommonProblemCommands() {
        WindowHarness h;
        setSourcePath(h.tm.machine(), "C:\\WINDOWS\\OPTIONS\\CABS");
        h.open();
        showPage(h, "TabSheet4");
        auto* label66 = h.find<ui::CommandLabel>("Label66");
        click(label66);
        QCOMPARE(label66->text(), u8("已找回输入法图标"));
        click(label66);
        QCOMPARE(label66->text(), u8("已找回输入法图标"));

        click(h.find<ui::CommandLabel>("Label172"));
        QCOMPARE(h.shell.opened, std::vector<std::string>{"C:\\WINDOWS\\system\\sfc.exe"});

        h.dialogs.setNextConfirm(false);
        click(h.find<ui::CommandLabel>("LabelReinstallWin98"));
        QCOMPARE(h.dialogs.confirmations(), QStringList{u8(kInsertSetupCd)});
        QCOMPARE(h.shell.opened.size(), size_t(1));
        QVERIFY(h.dialogs.messages().empty());
    }
};

QTEST_MAIN(MaintenancePagesTest)
#include "maintenance_pages_test.moc"
