// The window toolkit: command label clicks, page control selection and on-show, the hover
// grid, memo lines and the check list box.
#include "tests/app/window_harness.h"
#include "ui/check_list_box.h"
#include "ui/command_label.h"
#include "ui/grid_selection.h"
#include "ui/memo.h"
#include "ui/page_control.h"
#include "ui/text_grid.h"

#include <QTabBar>
#include <QtTest>

using namespace korvane;
using namespace korvane::test;
using ui::GridRect;
using ui::HoverSelect;

Q_DECLARE_METATYPE(std::optional<korvane::ui::GridRect>)

class ToolkitTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void doubleClickPerformsTheClickFirst() {
        ui::CommandLabel label(u8("降低40%非法操作和30%死机"), ui::LabelLook::Command);
        QStringList order;
        connect(&label, &ui::CommandLabel::clicked, [&] { order << QStringLiteral("click"); });
        connect(&label, &ui::CommandLabel::doubleClicked, [&] { order << QStringLiteral("double"); });

        // A double click that arrives alone.
        QTest::mouseDClick(&label, Qt::LeftButton);
        QCOMPARE(order, (QStringList{QStringLiteral("click"), QStringLiteral("double")}));

        // A real double click: its first half has clicked already, so the click runs once.
        order.clear();
        QTest::mouseClick(&label, Qt::LeftButton);
        QTest::mouseDClick(&label, Qt::LeftButton);
        QTest::mouseRelease(&label, Qt::LeftButton);
        QCOMPARE(order, (QStringList{QStringLiteral("click"), QStringLiteral("double")}));

        // The next single click is an ordinary click again.
        order.clear();
        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(order, QStringList{QStringLiteral("click")});
    }

    void clickComesBeforeReleaseAndOnlyForTheLeftButton() {
        ui::CommandLabel label(u8("电脑爱好者傻博士"), ui::LabelLook::Command);
        QStringList order;
        connect(&label, &ui::CommandLabel::clicked, [&] { order << QStringLiteral("click"); });
        connect(&label, &ui::CommandLabel::mouseReleased, [&](Qt::MouseButton b) {
            order << (b == Qt::RightButton ? QStringLiteral("right up") : QStringLiteral("up"));
        });
        QTest::mouseClick(&label, Qt::LeftButton);
        QTest::mouseClick(&label, Qt::RightButton);
        QCOMPARE(order,
                 (QStringList{QStringLiteral("click"), QStringLiteral("up"), QStringLiteral("right up")}));
    }

    void looksFollowTheKindOfLabel() {
        ui::CommandLabel command(u8("命令"), ui::LabelLook::Command);
        QVERIFY(command.font().bold() && command.font().underline());
        QCOMPARE(command.cursor().shape(), Qt::PointingHandCursor);
        ui::CommandLabel topic(u8("蓝屏"), ui::LabelLook::Topic);
        QVERIFY(topic.font().bold() && !topic.font().underline());
        QCOMPARE(topic.backgroundColor(), QColor(255, 251, 240));
        ui::CommandLabel heading(u8("标题"), ui::LabelLook::Heading);
        QCOMPARE(heading.cursor().shape(), Qt::ArrowCursor);
    }

    void selectPageHidesEveryHeaderAndReportsOnlyTheChosenPage() {
        ui::PageControl pc;
        QList<QWidget*> pages;
        for (int i = 0; i < 5; ++i)
            pages << pc.addPage(QStringLiteral("P%1").arg(i), QStringLiteral("Page %1").arg(i));
        pc.show();
        QList<QWidget*> shown;
        connect(&pc, &ui::PageControl::pageShown, [&](QWidget* p) { shown << p; });

        pc.SelectPage(pages[3]);
        QCOMPARE(shown, QList<QWidget*>{pages[3]});
        QCOMPARE(pc.activePage(), pages[3]);
        QVERIFY(pages[3]->isVisible());
        for (QWidget* p : pages)
            QVERIFY(!pc.isHeaderVisible(p));
        QVERIFY(!pc.tabBar()->isVisible());

        // With every header gone the area is empty until a page is selected again, even the
        // same page.
        shown.clear();
        pc.HideAllHeaders();
        QCOMPARE(pc.activePage(), nullptr);
        for (QWidget* p : pages)
            QVERIFY(!p->isVisible());
        QVERIFY(shown.isEmpty());
        pc.SelectPage(pages[4]);
        pc.HideAllHeaders();
        pc.SelectPage(pages[4]);
        QCOMPARE(shown, (QList<QWidget*>{pages[4], pages[4]}));
        QVERIFY(pages[4]->isVisible());

        // Selecting always passes through "no active page", so even the active page is shown anew.
        pc.SelectPage(pages[4]);
        QCOMPARE(shown.size(), 3);
    }

    void aClickedHeaderReportsItsPage() {
        ui::PageControl pc;
        QWidget* a = pc.addPage(QStringLiteral("A"), QStringLiteral("A"));
        pc.addPage(QStringLiteral("B"), QStringLiteral("B"));
        QWidget* c = pc.addPage(QStringLiteral("C"), QStringLiteral("C"));
        pc.HideHeader(a);
        pc.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pc));
        QList<QWidget*> shown;
        connect(&pc, &ui::PageControl::pageShown, [&](QWidget* p) { shown << p; });
        QTest::mouseClick(pc.tabBar(), Qt::LeftButton, Qt::NoModifier, pc.tabBar()->tabRect(2).center());
        QCOMPARE(shown, QList<QWidget*>{c});
        QCOMPARE(pc.activePage(), c);
        QVERIFY(pc.tabBar()->isVisible());
        QVERIFY(pc.isHeaderVisible(c) && !pc.isHeaderVisible(a));
    }

    // Ctrl+Tab, Ctrl+Shift+Tab and Ctrl+PageDown/PageUp skip pages whose header is hidden,
    // from the page or from the focused tab row; with every header hidden they change nothing
    // here and go on to the page control around.
    void pageKeysSkipHiddenHeaders() {
        QTabWidget outer;
        ui::PageControl* pc = new ui::PageControl;
        QWidget* a = pc->addPage(QStringLiteral("A"), QStringLiteral("A"));
        QWidget* b = pc->addPage(QStringLiteral("B"), QStringLiteral("B"));
        QWidget* c = pc->addPage(QStringLiteral("C"), QStringLiteral("C"));
        QWidget* d = pc->addPage(QStringLiteral("D"), QStringLiteral("D"));
        outer.addTab(pc, QStringLiteral("inner"));
        outer.addTab(new QWidget, QStringLiteral("other"));
        pc->HideHeader(b);
        pc->HideHeader(d);
        outer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&outer));
        QList<QWidget*> shown;
        connect(pc, &ui::PageControl::pageShown, [&](QWidget* p) { shown << p; });

        QTest::keyClick(a, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(pc->activePage(), c);
        QTest::keyClick(c, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(pc->activePage(), a);
        QTest::keyClick(a, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pc->activePage(), c);
        QTest::keyClick(c, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(pc->activePage(), a);
        QTest::keyClick(a, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(pc->activePage(), c);
        pc->tabBar()->setFocus();
        QTest::keyClick(pc->tabBar(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(pc->activePage(), a);
        QTest::keyClick(pc->tabBar(), Qt::Key_Left);
        QCOMPARE(pc->activePage(), a);
        QTest::keyClick(pc->tabBar(), Qt::Key_Right);
        QCOMPARE(pc->activePage(), c);
        QTest::keyClick(pc->tabBar(), Qt::Key_Right);
        QCOMPARE(pc->activePage(), c);
        // The wheel over the tab row steps the same way.
        const auto wheel = [&](int delta) {
            const QPointF at = pc->tabBar()->tabRect(0).center();
            QWheelEvent e(at, pc->tabBar()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(pc->tabBar(), &e);
        };
        wheel(120);
        QCOMPARE(pc->activePage(), a);
        wheel(-120);
        QCOMPARE(pc->activePage(), c);
        wheel(-120);
        QCOMPARE(pc->activePage(), c);
        QCOMPARE(shown, (QList<QWidget*>{c, a, c, a, c, a, c, a, c}));
        QCOMPARE(outer.currentIndex(), 0);

        // A hidden page shown by a command: the keys leave it for a page with a header.
        pc->ShowPage(d);
        QTest::keyClick(d, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(pc->activePage(), a);

        pc->SelectPage(b);
        QTest::keyClick(b, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(pc->activePage(), b);
        QCOMPARE(outer.currentIndex(), 1);
    }

    void hoverSelection_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<std::optional<GridRect>>("expected");
        const int row = static_cast<int>(HoverSelect::WholeRow);
        const int cell = static_cast<int>(HoverSelect::SingleCell);
        // A table of 7 columns and 4 rows, row 0 the header.
        QTest::newRow("row: data row") << row << 2 << 3 << std::optional(GridRect{0, 3, 6, 3});
        QTest::newRow("row: right of the last column")
            << row << -1 << 1 << std::optional(GridRect{0, 1, 6, 1});
        QTest::newRow("row: header row") << row << 1 << 0 << std::optional<GridRect>();
        QTest::newRow("row: below the last row") << row << 1 << -1 << std::optional<GridRect>();
        QTest::newRow("cell: data cell") << cell << 3 << 2 << std::optional(GridRect{3, 2, 3, 2});
        QTest::newRow("cell: header cell") << cell << 3 << 0 << std::optional(GridRect{3, 0, 3, 0});
        QTest::newRow("cell: beyond the last column") << cell << -1 << 2 << std::optional<GridRect>();
        QTest::newRow("cell: beyond the last row") << cell << 2 << 4 << std::optional<GridRect>();
        QTest::newRow("none") << static_cast<int>(HoverSelect::None) << 2 << 2 << std::optional<GridRect>();
    }
    void hoverSelection() {
        QFETCH(int, mode);
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(std::optional<GridRect>, expected);
        QCOMPARE(ui::hoverSelection(static_cast<HoverSelect>(mode), col, row, 7, 4, 1), expected);
    }

    void gridSelectsTheRowUnderThePointerAndClicksActOnIt() {
        // Laid out while empty, filled later, as a page does at start-up.
        ui::TextGrid grid;
        grid.setColumnWidths({64, 242, 363});
        for (int c = 3; c < 7; ++c)
            grid.setColumnShown(c, false);
        grid.setHoverSelect(HoverSelect::WholeRow);
        TextTable t(7, 4);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 7; ++c)
                t.setCell(c, r, std::to_string(c) + "," + std::to_string(r));
        grid.setTable(t);
        QVERIFY(grid.isColumnHidden(3));
        QCOMPARE(grid.columnWidth(2), 363);
        grid.resize(705, 241);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QList<GridRect> clicks;
        connect(&grid, &ui::TextGrid::clicked, [&](const GridRect& r) { clicks << r; });

        auto cellCentre = [&](int c, int r) { return grid.visualRect(grid.model()->index(r, c)).center(); };
        QTest::mouseMove(grid.viewport(), cellCentre(1, 3));
        QTest::mouseMove(grid.viewport(), cellCentre(2, 1));
        QCOMPARE(grid.selection(), std::optional(GridRect{0, 1, 6, 1}));
        QVERIFY(grid.selectionModel()->isSelected(grid.model()->index(1, 2)));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(2, 1));
        QCOMPARE(clicks, (QList<GridRect>{GridRect{0, 1, 6, 1}}));

        // Below the last row nothing is selected and a click does nothing.
        const QPoint below(20, grid.rowViewportPosition(3) + grid.rowHeight(3) + 10);
        QTest::mouseMove(grid.viewport(), below);
        QCOMPARE(grid.selection(), std::nullopt);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, below);
        QCOMPARE(clicks.size(), 1);

        // Changing the table keeps the hidden columns hidden and their cells readable.
        grid.edit([](TextTable& table) {
            table.swapRows(1, 2);
            table.setRowCount(5);
        });
        QVERIFY(grid.isColumnHidden(5));
        QVERIFY(!grid.isColumnHidden(2));
        QCOMPARE(grid.columnWidth(1), 242);
        QCOMPARE(grid.table().cell(5, 1), std::string("5,2"));
    }

    void memoKeepsEmptyLines() {
        ui::Memo memo;
        QVERIFY(memo.lines().isEmpty());
        memo.addLine(QString());
        memo.addLine(u8("已完成更改."));
        QCOMPARE(memo.lines(), (QStringList{QString(), u8("已完成更改.")}));
        memo.clearLines();
        memo.addLine(u8("标题"));
        QCOMPARE(memo.lines(), QStringList{u8("标题")});
    }

    void checkListBoxReportsOnlyTheUsersTicks() {
        ui::CheckListBox box;
        for (char d = 'A'; d <= 'D'; ++d)
            box.addCheckItem(QStringLiteral("%1:").arg(QLatin1Char(d)));
        QList<std::pair<int, bool>> reported;
        connect(&box, &ui::CheckListBox::clickCheck, [&](int i, bool on) { reported.append({i, on}); });
        box.setChecked(2, true);
        QVERIFY(box.isChecked(2));
        QVERIFY(reported.isEmpty());
        box.item(3)->setCheckState(Qt::Checked); // what the view does when the user ticks it
        QCOMPARE(reported, (QList<std::pair<int, bool>>{{3, true}}));
    }
};

QTEST_MAIN(ToolkitTest)
#include "toolkit_test.moc"
