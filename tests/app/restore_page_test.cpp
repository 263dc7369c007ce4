// The restore-point table on the first page: what start-up lists, hovering and clicking a row,
// dragging a row, and making a restore point on demand.
#include "platform/registry.h"
#include "restore/restore_point.h"
#include "sysaccess/registry_values.h"
#include "tests/app/window_harness.h"
#include "ui/command_label.h"
#include "ui/memo.h"
#include "ui/text_grid.h"

#include <QtTest>

using namespace korvane;
using namespace korvane::test;

namespace {

void cabinet(w98::Machine& m, const std::string& path, w98::DateTime t) {
    m.writeFile(path, "MSCF");
    m.setLastWriteTime(path, t);
}

// A machine whose backup folder holds two daily cabinets and one made before a restore.
void seed(TempMachine& tm) {
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP\\restore");
    cabinet(m, "C:\\WINDOWS\\SYSBCKUP\\rb000.cab", {2002, 5, 15, 8, 0, 0});
    cabinet(m, "C:\\WINDOWS\\SYSBCKUP\\rb001.cab", {2002, 5, 16, 8, 0, 0});
    cabinet(m, "C:\\WINDOWS\\SYSBCKUP\\restore\\rb000.cab", {2010, 1, 3, 8, 0, 0}); // dated in the future
    m.writeFile("C:\\WINDOWS\\COMMAND\\SCANREG.EXE", "MZ");
    m.writeTextLines("C:\\WINDOWS\\WIN.INI", {"[windows]"});
}

QPoint rowCentre(ui::TextGrid* grid, int row) {
    return {grid->columnViewportPosition(1) + 10, grid->rowViewportPosition(row) + grid->rowHeight(row) / 2};
}

} // namespace

class RestorePageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUpListsNewestFirstAndMovesFutureCabinets() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        const TextTable& t = grid->table();
        QCOMPARE(t.rowCount(), 4);
        QCOMPARE(QString::fromStdString(t.cell(0, 0)), u8("可选项"));
        QCOMPARE(QString::fromStdString(t.cell(1, 1)), u8("2010-1-3 8:00:00"));
        QCOMPARE(QString::fromStdString(t.cell(2, 1)), u8(notes::kMovedNow));
        QCOMPARE(QString::fromStdString(t.cell(1, 2)), u8("2002-5-16 8:00:00"));
        QCOMPARE(QString::fromStdString(t.cell(0, 3)), u8("3"));
        for (int c = 3; c < 7; ++c)
            QVERIFY(!grid->isColumnShown(c));
        QVERIFY(h.tm.machine().isFile("C:\\WINDOWS\\sysbckup\\restore\\old\\rb000.cab"));
        // The settings file is the template, and the newest point is not from today.
        QVERIFY(h.tm.machine().readTextLines("C:\\WINDOWS\\scanreg.ini").size() == 49);
        QCOMPARE(QString::fromStdString(ReadRegStr(h.tm.machine(), w98::kHkeyLocalMachine,
                                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "ScanRegistry")),
                 u8("C:\\WINDOWS\\scanregw.exe /autorun"));
        QVERIFY(h.dialogs.messages().empty());
    }

    void theRowUnderThePointerIsTheOneAClickRestores() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        hover(grid->viewport(), rowCentre(grid, 3));
        hover(grid->viewport(), rowCentre(grid, 2));
        QCOMPARE(grid->selection()->top, 2);
        QCOMPARE(grid->selection()->right, 6);
        click(grid->viewport(), rowCentre(grid, 2));
        QCOMPARE(h.power.calls.size(), size_t(1));
        const auto job = h.tm.machine().readTextLines("C:\\dosrun.bat");
        QCOMPARE(QString::fromStdString(job[6]),
                 u8("%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\temp\\restore1 C:\\WINDOWS\\SYSBCKUP\\rb001.cab"));
        auto* memo = h.find<ui::Memo>("Memo4");
        QCOMPARE(memo->lines().value(1), u8(" 请少侯1分钟..."));
    }

    void draggingARowKeepsItsNumberAndClicksNothing() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        const QPoint from(grid->columnViewportPosition(0) + 5, rowCentre(grid, 1).y());
        QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(grid, 3));
        QCOMPARE(QString::fromStdString(grid->table().cell(0, 3)), u8("1"));
        QCOMPARE(QString::fromStdString(grid->table().cell(0, 1)), u8("2"));
        QVERIFY(h.power.calls.empty());
    }

    void makingARestorePointNowShowsItsProgressAndTheNextStartListsIt() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* label = h.find<ui::CommandLabel>("Label21");
        click(label);
        QCOMPARE(label->text(), u8("可随时建立系统还原点...已建立"));
        QCOMPARE(h.tm.machine().list("C:\\WINDOWS\\sysbckup\\restore1", "*.cab").size(), size_t(1));
        h.window.reset();
        h.open();
        // The test's clock stands in 2002, so the new cabinet is also moved aside as future-dated.
        bool listed = false;
        const TextTable& t = h.find<ui::TextGrid>("StringGrid1")->table();
        for (int r = 1; r < t.rowCount(); ++r)
            listed = listed || t.cell(3, r) == "C:\\WINDOWS\\sysbckup\\restore1";
        QVERIFY(listed);
    }

    void aMissingSettingsFileLeavesTheCaptionWaiting() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        h.tm.machine().deleteFile("C:\\WINDOWS\\scanreg.ini");
        auto* label = h.find<ui::CommandLabel>("Label21");
        click(label);
        QCOMPARE(label->text(), u8("可随时建立系统还原点...少侯10秒..."));
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
    }
};

QTEST_MAIN(RestorePageTest)
#include "restore_page_test.moc"
