// The startup programs manager on the "健体" page: the listing with its notes, hovering and
// clicking a "删除" cell, the refusal for protected entries, and dragging a column wider.
#include "base/dos_attributes.h"
#include "registry/registry.h"
#include "startup/startup_grid.h"
#include "startup/startup_removal.h"
#include "tests/app/window_harness.h"
#include "ui/command_label.h"
#include "ui/memo.h"
#include "ui/text_grid.h"

#include <QTabWidget>
#include <QtTest>

using namespace korvane;
using namespace korvane::test;

namespace {

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kFolder = "C:\\WINDOWS\\Start Menu\\Programs\\启动";

void run(w98::Machine& m, const std::string& name, const std::string& text) {
    m.registry().setValue(w98::kHkeyLocalMachine, kRun, {name, w98::reg_type::kSz, w98::regStringData(text)});
}

bool hasRun(w98::Machine& m, const std::string& name) {
    return m.registry().getValue(w98::kHkeyLocalMachine, kRun, name).has_value();
}

// Rows after listing: 1 SysTray (protected), 2 TaskMonitor, 3 Tool, 4 win.ini, 5 a shortcut.
void seed(TempMachine& tm) {
    auto& m = tm.machine();
    run(m, "SysTray", "C:\\WINDOWS\\SYSTEM\\SysTray.Exe");
    run(m, "TaskMonitor", "C:\\WINDOWS\\taskmon.exe");
    run(m, "Tool", "C:\\TOOL\\tool.exe /tray");
    m.writeTextLines("C:\\WINDOWS\\WIN.INI", {"[windows]", "load=C:\\TOOL\\dock.exe", "run="});
    m.createDirectories(kFolder);
    m.writeFile(kFolder + "\\Office.lnk", "L");
}

struct Page {
    WindowHarness h;
    ui::TextGrid* grid = nullptr;

    Page() {
        seed(h.tm);
        h.open();
        h.find<QTabWidget>("PageControl1")->setCurrentWidget(h.find("TabSheet3"));
        grid = h.find<ui::TextGrid>("StringGrid4");
        // The registry checker's value that start-up writes is not part of these tests.
        h.tm.machine().registry().deleteValue(w98::kHkeyLocalMachine, kRun, "ScanRegistry");
    }
    void list() { click(h.find<ui::CommandLabel>("Label56")); }
    QPoint cell(int col, int row) const {
        return {grid->columnViewportPosition(col) + grid->columnWidth(col) / 2,
                grid->rowViewportPosition(row) + grid->rowHeight(row) / 2};
    }
    QString text(int col, int row) const { return QString::fromStdString(grid->table().cell(col, row)); }
    Qt::CursorShape cursor() const { return grid->viewport()->cursor().shape(); }
};

} // namespace

class HealthPageTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void theListingShowsEveryEntryWithItsNote() {
        Page p;
        QVERIFY(!p.grid->isVisible());
        p.list();
        QVERIFY(p.grid->isVisible());
        QVERIFY(!p.h.find<ui::Memo>("Memo7")->isVisible());
        QCOMPARE(p.grid->table().rowCount(), 6);
        QCOMPARE(p.text(1, 0), u8("开机自动运行的程序"));
        QCOMPARE(p.text(2, 1), u8("系统托盘。不能删"));
        QCOMPARE(p.text(3, 1), QString());
        QCOMPARE(p.text(2, 2), u8("计划任务，如不用可删"));
        QCOMPARE(p.text(3, 2), u8("删除"));
        QCOMPARE(p.text(1, 4), u8("C:\\TOOL\\dock.exe"));
        QCOMPARE(p.text(7, 5), u8("启动"));
        QCOMPARE(p.grid->columnWidth(1), 286);
        QVERIFY(p.h.dialogs.messages().empty());
    }

    void hoveringADeleteCellShowsTheHandAndAClickRemovesTheEntry() {
        Page p;
        p.list();
        hover(p.grid->viewport(), p.cell(1, 3));
        QCOMPARE(p.cursor(), Qt::ArrowCursor);
        hover(p.grid->viewport(), p.cell(3, 3));
        QCOMPARE(p.cursor(), Qt::PointingHandCursor);
        QCOMPARE(p.grid->selection(), std::optional(ui::GridRect{3, 3, 3, 3}));
        hover(p.grid->viewport(), p.cell(2, 0)); // the header row keeps the pointer
        QCOMPARE(p.cursor(), Qt::PointingHandCursor);

        hover(p.grid->viewport(), p.cell(3, 3));
        click(p.grid->viewport(), p.cell(3, 3));
        QVERIFY(!hasRun(p.h.tm.machine(), "Tool"));
        QVERIFY(hasRun(p.h.tm.machine(), "TaskMonitor"));
        QCOMPARE(p.grid->table().rowCount(), 5);
        QCOMPARE(p.text(0, 3), u8("4"));
        QCOMPARE(p.text(7, 3), u8("win.ini"));
        QVERIFY(p.h.dialogs.messages().empty());
    }

    void aProtectedEntryIsRefused() {
        Page p;
        p.list();
        hover(p.grid->viewport(), p.cell(3, 1));
        click(p.grid->viewport(), p.cell(3, 1));
        QCOMPARE(p.h.dialogs.messages().size(), size_t(1));
        QCOMPARE(p.h.dialogs.messages()[0].text, u8(kRemovalRefused));
        QVERIFY(hasRun(p.h.tm.machine(), "SysTray"));
        QCOMPARE(p.grid->table().rowCount(), 6);
    }

    void aDoubleClickRemovesOneEntry() {
        Page p;
        p.list();
        hover(p.grid->viewport(), p.cell(3, 2));
        click(p.grid->viewport(), p.cell(3, 2));
        QTest::mouseDClick(p.grid->viewport(), Qt::LeftButton, Qt::NoModifier, p.cell(3, 2));
        QTest::mouseRelease(p.grid->viewport(), Qt::LeftButton, Qt::NoModifier, p.cell(3, 2));
        QVERIFY(!hasRun(p.h.tm.machine(), "TaskMonitor"));
        QVERIFY(hasRun(p.h.tm.machine(), "Tool"));
        QCOMPARE(p.grid->table().rowCount(), 5);
    }

    void aFailedRemovalSaysSoAndKeepsTheRow() {
        Page p;
        p.list();
        p.h.tm.machine().setAttributes(kFolder + "\\Office.lnk", w98::attr::kReadOnly);
        hover(p.grid->viewport(), p.cell(3, 5));
        click(p.grid->viewport(), p.cell(3, 5));
        QCOMPARE(p.h.dialogs.messages().size(), size_t(1));
        QVERIFY(p.h.dialogs.messages()[0].text.contains(u8("Office.lnk")));
        QVERIFY(p.h.tm.machine().isFile(kFolder + "\\Office.lnk"));
        QCOMPARE(p.grid->table().rowCount(), 6);
    }

    void anUnreadableWinIniLeavesThePageAsItWas() {
        Page p;
        p.h.tm.machine().deleteFile("C:\\WINDOWS\\WIN.INI");
        p.list();
        QCOMPARE(p.h.dialogs.messages().size(), size_t(1));
        QVERIFY(!p.grid->isVisible());
    }

    void draggingAColumnBorderOfTheTopRowWidensItAndRemovesNothing() {
        Page p;
        p.list();
        const int border = p.grid->columnViewportPosition(1) + p.grid->columnWidth(1);
        const int y = p.cell(1, 0).y();
        hover(p.grid->viewport(), {border, y});
        QCOMPARE(p.cursor(), Qt::SplitHCursor);
        QTest::mousePress(p.grid->viewport(), Qt::LeftButton, Qt::NoModifier, {border, y});
        hover(p.grid->viewport(), {border + 40, y});
        QTest::mouseRelease(p.grid->viewport(), Qt::LeftButton, Qt::NoModifier, {border + 40, y});
        QCOMPARE(p.grid->columnWidth(1), 326);
        p.list(); // a new listing keeps the user's widths
        QCOMPARE(p.grid->columnWidth(1), 326);
        QCOMPARE(p.grid->table().rowCount(), 6);
    }
};

QTEST_MAIN(HealthPageTest)
#include "health_page_test.moc"
